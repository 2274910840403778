#include "kovra-core/lib.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "kovra-core/fixed_point.h"

namespace kovra::core {
namespace {

constexpr I128 kBps = 10'000;
constexpr I128 kReturnFloor = -10'000;    // -100 %
constexpr I128 kReturnCeiling = 1'000'000;  // +10,000 %

// Basis-point return of a step in regime labelling: 0 after a price of 0 or below, otherwise
// exact, truncated toward zero and clamped.
int64_t clamped_return_bps(int64_t prev, int64_t next) {
  if (prev <= 0) return 0;
  const I128 r = (static_cast<I128>(next) - prev) * kBps / prev;
  return static_cast<int64_t>(std::clamp(r, kReturnFloor, kReturnCeiling));
}

}  // namespace

std::vector<uint8_t> regime_labels(std::span<const int64_t> prices) {
  const size_t n = prices.size();
  if (n < 2) return {};
  std::vector<uint8_t> labels(n - 1, kUnlabelled);
  const size_t trend = kRegimeTrendWindow;
  const size_t window = kRegimeVolWindow;
  if (n <= trend) return labels;  // no position reaches k = 99

  // r[j - 1] is the return from bar j - 1 to bar j.
  std::vector<int64_t> r(n - 1);
  for (size_t j = 1; j < n; ++j) r[j - 1] = clamped_return_bps(prices[j - 1], prices[j]);

  // Labelled positions k = 99 .. n-2. Running sums: the 100 prices ending at k, and the 30
  // returns r[k-30] .. r[k-1] (with their squares) ending at bar k.
  const size_t first = trend - 1;
  I128 price_sum = 0;
  for (size_t i = 0; i <= first; ++i) price_sum += prices[i];
  I128 ret_sum = 0;
  I128 ret_sq_sum = 0;
  for (size_t i = first - window; i < first; ++i) {
    ret_sum += r[i];
    ret_sq_sum += static_cast<I128>(r[i]) * r[i];
  }

  const size_t count = n - trend;
  std::vector<uint64_t> vol(count);
  std::vector<uint8_t> up(count);
  const I128 w = static_cast<I128>(window);
  for (size_t k = first; k + 1 < n; ++k) {
    if (k > first) {
      price_sum += static_cast<I128>(prices[k]) - prices[k - trend];
      const int64_t in = r[k - 1];
      const int64_t out = r[k - 1 - window];
      ret_sum += static_cast<I128>(in) - out;
      ret_sq_sum += static_cast<I128>(in) * in - static_cast<I128>(out) * out;
    }
    up[k - first] = static_cast<I128>(prices[k]) * static_cast<I128>(trend) > price_sum ? 1 : 0;
    // F = sum (r - q)^2 = sum r^2 + q (30 q - 2 S), never negative, with q = S / 30 truncated.
    const I128 q = ret_sum / w;
    const I128 f = ret_sq_sum + q * (w * q - 2 * ret_sum);
    vol[k - first] = static_cast<uint64_t>(isqrt(f / w));
  }

  std::vector<uint64_t> sorted = vol;
  std::sort(sorted.begin(), sorted.end());
  const uint64_t t1 = sorted[count / 3];
  const uint64_t t2 = sorted[2 * count / 3];
  for (size_t i = 0; i < count; ++i) {
    const uint8_t code = vol[i] > t2 ? 4 : vol[i] > t1 ? 2 : 0;
    labels[first + i] = static_cast<uint8_t>(code + up[i]);
  }
  return labels;
}

std::optional<std::vector<int64_t>> equal_weight_series(
    std::span<const std::vector<int64_t>> series) {
  if (series.empty()) return std::nullopt;
  if (series.size() == 1) return series[0];
  const size_t n = series[0].size();
  if (n == 0) return std::nullopt;
  for (const std::vector<int64_t>& s : series)
    if (s.size() < n) return std::nullopt;

  const I128 k = static_cast<I128>(series.size());
  std::vector<int64_t> value(n);
  value[0] = kEqualWeightStart;
  for (size_t t = 1; t < n; ++t) {
    I128 sum = 0;
    for (const std::vector<int64_t>& s : series) {
      const int64_t prev = s[t - 1];
      if (prev == 0) continue;  // a return of 0, still counted in k
      sum = wrapping_add(sum, (static_cast<I128>(s[t]) - prev) * kBps / prev);
    }
    const I128 m = sum / k;
    const I128 v = wrapping_mul(value[t - 1], wrapping_add(kBps, m));
    value[t] = static_cast<int64_t>(std::clamp(v / kBps, I128{1}, I128{INT64_MAX}));
  }
  return value;
}

std::optional<std::vector<int64_t>> equal_weight_series(
    std::vector<std::vector<int64_t>>&& series) {
  if (series.size() == 1) return std::move(series[0]);
  return equal_weight_series(std::span<const std::vector<int64_t>>(series));
}

std::array<uint64_t, 6> regime_bucket_counts(std::span<const uint8_t> labels) {
  std::array<uint64_t, 6> counts{};
  for (uint8_t label : labels)
    if (label < counts.size()) ++counts[label];
  return counts;
}

bool regime_counts_match(std::span<const uint32_t, 6> bucket_bars,
                         const std::optional<std::vector<int64_t>>& reference) {
  if (!reference) return false;
  const std::array<uint64_t, 6> counts = regime_bucket_counts(regime_labels(*reference));
  for (size_t i = 0; i < counts.size(); ++i)
    if (counts[i] != bucket_bars[i]) return false;
  return true;
}

bool is_consistent(const RegimePanel& panel, uint32_t bars) {
  if (panel.vol_window != kRegimeVolWindow || panel.trend_window != kRegimeTrendWindow)
    return false;
  uint64_t total = 0;
  for (uint32_t b : panel.bucket_bars) total += b;
  if (total >= std::max<uint64_t>(bars, 1)) return false;
  for (size_t i = 0; i < panel.bucket_bars.size(); ++i) {
    if (panel.bucket_bars[i] == 0 && panel.bucket_return_bps[i] != 0) return false;
    if (panel.bucket_return_bps[i] >= kBucketReturnLimit) return false;
  }
  return true;
}

bool is_consistent(const ExposureCard& card, uint32_t bars, uint32_t instruments) {
  if (!(card.net_min <= card.net_avg && card.net_avg <= card.net_max)) return false;
  if (!(0 <= card.gross_avg && card.gross_avg <= card.gross_max &&
        card.gross_max <= kGrossLeverageRail))
    return false;
  // Exact magnitudes in 128 bits: |-2^63| = 2^63 exceeds every gross_max.
  for (int64_t net : {card.net_min, card.net_max, card.net_avg}) {
    const I128 magnitude = net < 0 ? -static_cast<I128>(net) : static_cast<I128>(net);
    if (static_cast<I128>(card.gross_max) < magnitude) return false;
  }
  const uint64_t accounted = uint64_t{card.long_bars} + card.short_bars + card.flat_bars;
  if (accounted != std::max<uint64_t>(bars, 1) - 1) return false;
  return card.instruments == instruments && card.instruments != 0;
}

std::optional<Fixed> marchenko_pastur_upper(uint64_t n, uint64_t t) {
  if (!(n >= 2 && n < t)) return std::nullopt;
  const U128 ratio = static_cast<U128>(n) * static_cast<U128>(kFixedOne) / t;
  const Fixed s = static_cast<Fixed>(isqrt_u128(ratio * static_cast<U128>(kFixedOne)));
  return fx_mul(kFixedOne + s, kFixedOne + s);
}

}  // namespace kovra::core
