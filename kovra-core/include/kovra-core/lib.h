// Regime labels, the disclosure-panel rules, the equal-weight portfolio series and the
// Marchenko-Pastur bound.
//
// A disclosing gate credential commits a regime panel: the bars and mean return of each of six
// market regimes. Regimes depend on prices only, so the verifier re-derives the regime of every
// bar from the user's own data and compares the counts with the panel. All arithmetic is
// integer arithmetic and agrees exactly with the guest's, which computed the committed panel
// the same way.
//
// Regime label k (k = 0 .. n-2 of an n-price series) classifies the return from bar k to bar
// k+1 by what is known at bar k: a volatility code (0 low, 2 middle, 4 high tercile of the
// 30-return volatility over the labelled bars) plus a trend bit (1 when the price is above its
// 100-bar mean). 255 means unlabelled: positions 0 .. 98, and every position of a series of 100
// or fewer prices.
//
// The panel rules cannot see the strategy's positions; they test that a committed exposure card
// and regime panel obey the fixed policy and their own bar accounting.
//
// `marchenko_pastur_upper` is the denoising bound committed by HRP attestations, in the fixed
// point of fixed_point.h.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "kovra-core/fixed_point.h"
#include "kovra-core/records.h"

namespace kovra::core {

// The pinned regime policy.
inline constexpr uint32_t kRegimeTrendWindow = 100;  // prices in the trend mean
inline constexpr uint32_t kRegimeVolWindow = 30;     // returns in the volatility window
inline constexpr uint8_t kUnlabelled = 255;
inline constexpr int64_t kEqualWeightStart = 100'000;  // value of the equal-weight series at t = 0
inline constexpr int64_t kBucketReturnLimit = 10'000'001;  // every bucket_return_bps is below it
inline constexpr int64_t kGrossLeverageRail = 2000;       // largest gross_max (x100: 20x)

// One label per position 0 .. n-2 (empty for fewer than two prices). Bar returns are in basis
// points, truncated toward zero and clamped to -10,000 .. 1,000,000; a previous price of 0 or
// below gives a return of 0. Accepts every input.
std::vector<uint8_t> regime_labels(std::span<const int64_t> prices);

// The equal-weight value series of several price series, starting at 100,000: each step moves
// by the mean of the series' basis-point returns (truncated toward zero, not clamped; a
// previous value of 0 gives a return of 0, a negative one is used as it is), then is held in
// 1 .. 2^63 - 1. One series is returned unchanged. The result is as long as the first series;
// values of a longer series beyond that length are ignored.
//
// nullopt when the series cannot be combined: no series at all, or two or more of which the
// first is empty or another is shorter than the first.
std::optional<std::vector<int64_t>> equal_weight_series(
    std::span<const std::vector<int64_t>> series);
// The same of series the caller gives up: one series becomes the result without a copy.
std::optional<std::vector<int64_t>> equal_weight_series(
    std::vector<std::vector<int64_t>>&& series);

// The number of labels 0 .. 5, in label order; other values (255) are not counted.
std::array<uint64_t, 6> regime_bucket_counts(std::span<const uint8_t> labels);

// The regime bar-count check: the counts re-derived from the reference price series equal the
// committed bucket_bars in order. A reference that could not be formed (nullopt from
// equal_weight_series) never matches.
bool regime_counts_match(std::span<const uint32_t, 6> bucket_bars,
                         const std::optional<std::vector<int64_t>>& reference);

// The regime panel rule: the pinned windows (vol 30, trend 100); the six bucket_bars, summed
// without overflow, below max(bars, 1); every empty bucket with a return of 0; every
// bucket_return_bps below 10,000,001 (negative values pass). Accepts every input.
bool is_consistent(const RegimePanel& panel, uint32_t bars);

// The exposure card rule: net_min <= net_avg <= net_max; 0 <= gross_avg <= gross_max <= 2000;
// gross_max at least the exact magnitude of net_min, net_max and net_avg (2^63 for -2^63);
// long + short + flat bars, summed without overflow, equal max(bars, 1) - 1; `instruments`
// equal to the expected count and not 0. Accepts every input.
bool is_consistent(const ExposureCard& card, uint32_t bars, uint32_t instruments);

// The Marchenko-Pastur upper edge (1 + sqrt(n / t))^2 for n assets and t observations:
// nullopt unless 2 <= n < t; otherwise ratio = (n S) / t, s = isqrt(ratio S) and
// mul(S + s, S + s).
std::optional<Fixed> marchenko_pastur_upper(uint64_t n, uint64_t t);

}  // namespace kovra::core
