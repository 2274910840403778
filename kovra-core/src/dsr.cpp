#include "kovra-core/dsr.h"

#include <cstdint>
#include <optional>

#include "kovra-core/fixed_point.h"

namespace kovra::core {
namespace {

constexpr Fixed S = kFixedOne;

// Constants of the formulas, in fixed point.
constexpr Fixed kSqrt2 = 1'414'214;
constexpr Fixed kLn2 = 693'147;
constexpr Fixed kTwoLn2 = 1'386'294;
constexpr Fixed kHalfLn2 = 346'573;
constexpr Fixed kEulerGamma = 577'216;
constexpr Fixed kOneMinusEulerGamma = 422'784;
constexpr uint64_t kE = 2'718'282;
constexpr Fixed kNormalOfCertainty = 50'000'000;
constexpr I128 kGaussianSquareBound = 89'999'999'999'999;
constexpr I128 kTenPow12 = 1'000'000'000'000;
constexpr I128 kI64Max = INT64_MAX;

// The central region of the inverse normal ends here; the upper tail starts one above.
constexpr Fixed kCentralUpperBound = 975'750;

// The shared series of the logarithms: for y in [S, 2S),
// z + z^3/3 + z^5/5 + z^7/7 with z = (y - S) / (y + S), i.e. atanh(z) = ln(y / S) / 2.
Fixed half_log_series(Fixed y) {
  const Fixed z = div_trunc(wrapping_mul(wrapping_sub(y, S), S), wrapping_add(y, S));
  const Fixed z2 = fx_mul(z, z);
  const Fixed z3 = fx_mul(z, z2);
  const Fixed z5 = fx_mul(z2, z3);
  Fixed m = z;
  m = wrapping_add(m, div_trunc(wrapping_mul(z, z2), 3'000'000));
  m = wrapping_add(m, div_trunc(wrapping_mul(z2, z3), 5'000'000));
  m = wrapping_add(m, div_trunc(wrapping_mul(z2, z5), 7'000'000));
  return m;
}

// Steps 2 to 4 of the tail formula, on q = sqrt(-2 ln p):
// -(c(q) / d(q)) with Acklam's tail coefficients.
Fixed tail_from_q(Fixed q) {
  Fixed den = fx_mul(q, 7'785);
  den = fx_mul(q, wrapping_add(den, 322'467));
  den = fx_mul(q, wrapping_add(den, 2'445'134));
  den = fx_mul(q, wrapping_add(den, 3'754'409));
  den = wrapping_add(den, S);

  Fixed h = fx_mul(q, -7'785);
  h = fx_mul(q, wrapping_sub(h, 322'396));
  h = fx_mul(q, wrapping_sub(h, 2'400'758));
  h = fx_mul(q, wrapping_sub(h, 2'549'733));
  h = wrapping_add(h, 4'374'664);
  const Fixed num = wrapping_add(fx_mul(q, h), 2'938'164);

  return wrapping_neg(div_trunc(wrapping_mul(num, S), den));
}

Fixed central_inverse_normal(Fixed p) {
  const Fixed q = wrapping_sub(p, 500'000);
  const Fixed r = div_trunc(wrapping_mul(q, q), S);

  Fixed n = wrapping_sub(220'946'098, fx_mul(r, 39'696'830));
  n = wrapping_sub(fx_mul(r, n), 275'928'510);
  n = wrapping_add(fx_mul(r, n), 138'357'752);
  n = wrapping_sub(fx_mul(r, n), 30'664'798);
  const Fixed nc = wrapping_add(fx_mul(r, n), 2'506'628);

  Fixed d = wrapping_sub(161'585'837, fx_mul(r, 54'476'099));
  d = wrapping_sub(fx_mul(r, d), 155'698'980);
  d = wrapping_add(fx_mul(r, d), 66'801'312);
  d = wrapping_sub(fx_mul(r, d), 13'280'682);
  const Fixed den = wrapping_add(fx_mul(r, d), S);

  return div_trunc(wrapping_mul(fx_mul(q, nc), S), den);
}

Fixed upper_tail_inverse_normal(Fixed p) {
  // 1 - p = y * 2^-(j+1) with y in [S, 2S); w is at least 1 and below S / 2 here.
  const Fixed w = S - p;
  Fixed y = w * 2;
  int64_t j = 0;
  while (y < S) {
    y *= 2;
    ++j;
  }
  const Fixed a = wrapping_neg(half_log_series(y));
  // B = -2 ln(1 - p) = -4 atanh-series + (j + 1) * 2 ln 2.
  const Fixed b = wrapping_add(wrapping_mul(4, a), wrapping_mul(j + 1, kTwoLn2));
  const Fixed q = b > 0 ? isqrt(wrapping_mul(b, S)) : 0;
  return tail_from_q(q);
}

}  // namespace

Fixed gaussian_factor(I128 x_squared) {
  if (x_squared > kGaussianSquareBound) return 0;
  if (x_squared < -kGaussianSquareBound) return kI64Max;
  // Range reduction: -x^2 = s - l ln 2 with s near 0, then e^s by six series terms.
  const Fixed y = div_trunc(x_squared, -S);
  const I128 l = div_trunc(wrapping_add(wrapping_neg(y), kHalfLn2), kLn2);
  const Fixed s = wrapping_add(y, wrapping_mul(l, kLn2));
  const Fixed s1 = s;
  const Fixed s2 = div_trunc(wrapping_mul(s, s1), 2'000'000);
  const Fixed s3 = div_trunc(wrapping_mul(s, s2), 3'000'000);
  const Fixed s4 = div_trunc(wrapping_mul(s, s3), 4'000'000);
  const Fixed s5 = div_trunc(wrapping_mul(s, s4), 5'000'000);
  const Fixed s6 = div_trunc(wrapping_mul(s, s5), 6'000'000);
  Fixed e = S;
  for (Fixed term : {s1, s2, s3, s4, s5, s6}) e = wrapping_add(e, term);
  // e / 2^l. With the bound above, l lies in [-129, 130]: a negative l multiplies by 2^-l
  // (modulo 2^128), and a quotient by 2^128 or more truncates to 0.
  if (l >= 128 || l <= -128) return 0;
  if (l < 0) return static_cast<I128>(static_cast<U128>(e) << static_cast<int>(-l));
  const U128 magnitude = e < 0 ? U128{0} - static_cast<U128>(e) : static_cast<U128>(e);
  const I128 quotient = static_cast<I128>(magnitude >> static_cast<int>(l));
  return e < 0 ? wrapping_neg(quotient) : quotient;
}

Fixed harvey_liu_t(Fixed sr, uint64_t n) {
  if (n == 0) return 0;
  const I128 root = isqrt(static_cast<I128>(n) * kTenPow12);
  return fx_mul(sr, root);
}

Fixed integer_ln(uint64_t n) {
  if (n < 2) return 0;
  int64_t k = 0;
  for (uint64_t m = n; m > 1; m >>= 1) ++k;
  // y = n * S halved k times, in [S, 2S).
  const Fixed y = static_cast<Fixed>((static_cast<U128>(n) * static_cast<U128>(S)) >> k);
  return wrapping_add(wrapping_mul(2, half_log_series(y)), wrapping_mul(k, kLn2));
}

Fixed inverse_normal(Fixed p) {
  if (p >= S || p < 0) return kNormalOfCertainty;
  if (p > kCentralUpperBound) return upper_tail_inverse_normal(p);
  return central_inverse_normal(p);
}

Fixed inverse_normal_tail(Fixed log_inverse) {
  const Fixed q = log_inverse <= 0 ? 0 : isqrt(wrapping_mul(log_inverse, 2'000'000));
  return tail_from_q(q);
}

Fixed expected_max_sharpe(uint64_t trials) {
  if (trials < 2) return 0;
  const Fixed l = integer_ln(trials);
  // Q1 = Phi^-1(1 - 1/N), Q2 = Phi^-1(1 - 1/(N e)).
  const Fixed q1 = trials >= 42
                       ? inverse_normal_tail(l)
                       : inverse_normal(S - kTenPow12 / (static_cast<I128>(trials) * S));
  const Fixed q2 =
      trials >= 16
          ? inverse_normal_tail(wrapping_add(l, S))
          : inverse_normal(S - static_cast<Fixed>(UINT64_C(1'000'000'000'000) / (trials * kE)));
  return wrapping_add(div_trunc(wrapping_mul(q1, kOneMinusEulerGamma), S),
                      div_trunc(wrapping_mul(q2, kEulerGamma), S));
}

std::optional<Fixed> probabilistic_sharpe(Fixed sr, Fixed sr_benchmark, uint64_t n,
                                          Fixed skewness, Fixed kurtosis) {
  if (n < 2) return Fixed{500'000};

  // var = 1 - skew * SR + (kurt - 1) / 4 * SR^2, at least one millionth.
  Fixed var = div_trunc(wrapping_mul(sr, skewness), -S);
  var = wrapping_add(var, fx_mul(div_trunc(wrapping_sub(kurtosis, S), 4), fx_mul(sr, sr)));
  var = wrapping_add(var, S);
  if (var <= 1) var = 1;
  if (var > base::kI128Max / S) return std::nullopt;  // var * S does not fit
  const Fixed den = isqrt(var * S);
  const Fixed root = isqrt(static_cast<I128>(n - 1) * kTenPow12);

  const Fixed z =
      div_trunc(wrapping_mul(fx_mul(wrapping_sub(sr, sr_benchmark), root), S), den);
  const Fixed x = div_trunc(wrapping_mul(z, S), kSqrt2);

  // erf(x) by Abramowitz-Stegun 7.1.26: 1 - t P(t) e^(-x^2), t = 1 / (1 + p |x|).
  const Fixed e = gaussian_factor(wrapping_mul(x, x));
  const Fixed t = div_trunc(kTenPow12, wrapping_add(S, div_trunc(wrapping_mul(wrapping_abs(x), 327'591), S)));
  Fixed poly = fx_mul(t, 1'061'405);
  poly = fx_mul(wrapping_sub(1'453'152, poly), t);
  poly = fx_mul(wrapping_sub(1'421'414, poly), t);
  poly = fx_mul(t, wrapping_sub(poly, 284'497));
  poly = fx_mul(t, wrapping_add(poly, 254'830));

  Fixed erf = wrapping_sub(S, div_trunc(wrapping_mul(e, poly), S));
  if (x < 0) erf = wrapping_neg(erf);
  return div_trunc(wrapping_add(S, erf), 2);
}

I128 min_backtest_length(uint64_t trials, Fixed sr) {
  if (sr <= 0) return -1;
  if (trials < 2) return 2;
  const Fixed f = fx_div(expected_max_sharpe(trials), sr);
  const Fixed l = fx_mul(f, f);
  const I128 m = div_trunc(wrapping_add(l, 999'999), S);
  return m > 2 ? m : 2;
}

Fixed per_period_sharpe_bar(int64_t min_sharpe, uint32_t periods_per_year) {
  const U128 root = isqrt_u128(static_cast<U128>(periods_per_year) * static_cast<U128>(kTenPow12));
  const I128 den = root > 0 ? static_cast<I128>(root) : 1;
  return static_cast<I128>(min_sharpe) * 10'000'000'000 / den;
}

}  // namespace kovra::core
