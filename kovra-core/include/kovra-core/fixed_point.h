// Fixed-point arithmetic of the committed statistics.
//
// A statistic is a signed 128-bit integer v standing for v / 1,000,000 (so 1.0 is
// kFixedOne). The guest that commits these values computes them with plain two's-complement
// 128-bit arithmetic, and a recomputed value must equal the committed one bit for bit, so the
// helpers here reproduce exactly that arithmetic:
//
//   - sums, differences, products and negations wrap modulo 2^128 (done on U128, never relying
//     on signed overflow);
//   - every division truncates toward zero and its remainder has the sign of the dividend;
//   - mul(a, b) = (a * b) / S and div(a, b) = (a * S) / b, with the product wrapped first.
//
// Nothing here stops the process: a division by zero gives 0 and the one quotient that does
// not fit (the most negative value divided by -1) wraps to itself. No statistic reaches either
// case with the inputs its callers pass; they are defined only so that no input can crash.
#pragma once

#include <cstdint>

#include "base/int128.h"

namespace kovra::core {

using base::I128;
using base::U128;

// A fixed-point statistic: value x 1,000,000.
using Fixed = I128;

inline constexpr Fixed kFixedOne = 1'000'000;

constexpr I128 wrapping_add(I128 a, I128 b) {
  return static_cast<I128>(static_cast<U128>(a) + static_cast<U128>(b));
}
constexpr I128 wrapping_sub(I128 a, I128 b) {
  return static_cast<I128>(static_cast<U128>(a) - static_cast<U128>(b));
}
constexpr I128 wrapping_mul(I128 a, I128 b) {
  return static_cast<I128>(static_cast<U128>(a) * static_cast<U128>(b));
}
constexpr I128 wrapping_neg(I128 a) { return static_cast<I128>(U128{0} - static_cast<U128>(a)); }

// |a|, with the magnitude of the most negative value wrapping to itself.
constexpr I128 wrapping_abs(I128 a) { return a < 0 ? wrapping_neg(a) : a; }

// a / b truncated toward zero; 0 for b = 0, and the most negative value for (min / -1).
constexpr I128 div_trunc(I128 a, I128 b) {
  if (b == 0) return 0;
  if (b == -1) return wrapping_neg(a);
  return a / b;
}

// Fixed-point product and quotient: (a * b) / S and (a * S) / b.
constexpr Fixed fx_mul(Fixed a, Fixed b) { return div_trunc(wrapping_mul(a, b), kFixedOne); }
constexpr Fixed fx_div(Fixed a, Fixed b) { return div_trunc(wrapping_mul(a, kFixedOne), b); }

// The largest r with r * r <= value, exact over the whole unsigned 128-bit range (digit by
// digit, two bits at a time).
U128 isqrt_u128(U128 value);

// isqrt_u128 of a non-negative signed value; 0 for a value of 0 or below.
I128 isqrt(I128 value);

}  // namespace kovra::core
