// Deflated-Sharpe statistics in fixed point.
//
// The validation-ext credential commits a block of multiple-testing statistics of its winning
// strategy; the verifier recomputes each one from the committed inputs and accepts it only when
// the recomputed value equals the committed one exactly. The functions below are the integer
// formulas the guest used (see fixed_point.h for the arithmetic): the Harvey-Liu t statistic,
// the expected maximum Sharpe ratio of N noise trials, the probabilistic Sharpe ratio (PSR),
// the minimum backtest length (MinBTL) and the inverse standard normal they rest on.
//
// Every constant, truncation, wrap and branch is part of the committed values. A more precise
// formula gives other digits and fails the comparison, so none of them may be "improved".
// No function here stops the process, whatever values a bundle carries.
#pragma once

#include <cstdint>
#include <optional>

#include "kovra-core/fixed_point.h"

namespace kovra::core {

// t = SR * sqrt(n): 0 for n = 0, otherwise mul(sr, isqrt(n * 10^12)).
Fixed harvey_liu_t(Fixed sr, uint64_t n);

// ln n in fixed point for n >= 2, by range reduction to [1, 2) and the odd series
// 2 * atanh((y - 1) / (y + 1)) cut after four terms. Gives 0 for n < 2.
Fixed integer_ln(uint64_t n);

// Inverse standard normal Phi^-1(p) of a fixed-point probability (Acklam's rational
// approximation): the central formula up to p = 0.97575, the upper-tail formula above it, and
// 50.0 for p >= 1 and for any negative p.
Fixed inverse_normal(Fixed p);

// Phi^-1(1 - p) for the p whose ln(1 / p) is log_inverse (the upper-tail formula on
// q = sqrt(2 * log_inverse), q = 0 for log_inverse <= 0).
Fixed inverse_normal_tail(Fixed log_inverse);

// e^(-x^2) in fixed point from the raw (wrapped) 128-bit square of a fixed-point x, as the
// PSR's error function uses it: 0 above the bound 89,999,999,999,999 (|x| about 9.4868),
// 2^63 - 1 for a square that wrapped below minus that bound, otherwise e^s / 2^l after the
// range reduction -x^2 = s - l ln 2. A negative l multiplies by 2^-l modulo 2^128 and a
// quotient by 2^128 or more is 0, so every square has a defined value.
Fixed gaussian_factor(I128 x_squared);

// E[max SR] of `trials` independent noise trials of unit variance:
// (1 - gamma) * Phi^-1(1 - 1/N) + gamma * Phi^-1(1 - 1/(N e)); 0 for fewer than 2 trials.
Fixed expected_max_sharpe(uint64_t trials);

// Probabilistic Sharpe ratio of a per-period Sharpe `sr` over `n` periods against the
// benchmark `sr_benchmark`, given the skewness and (non-excess) kurtosis: 500,000 for n < 2.
// nullopt when the variance term times S does not fit in a signed 128-bit value (only absurd
// SR or kurtosis values do that): its square root cannot be formed, and no committed value can
// equal the result.
std::optional<Fixed> probabilistic_sharpe(Fixed sr, Fixed sr_benchmark, uint64_t n,
                                          Fixed skewness, Fixed kurtosis);

// Minimum backtest length in bars (a plain integer) for `trials` trials and a per-period
// Sharpe `sr`: -1 for sr <= 0, 2 for fewer than 2 trials, otherwise
// ceil((E[max SR] / SR)^2) and at least 2.
I128 min_backtest_length(uint64_t trials, Fixed sr);

// The per-period PSR benchmark SR* of a gate's annual Sharpe bar (x100) over
// `periods_per_year` periods: (min_sharpe * 10^10) / max(isqrt(periods_per_year * 10^12), 1).
Fixed per_period_sharpe_bar(int64_t min_sharpe, uint32_t periods_per_year);

}  // namespace kovra::core
