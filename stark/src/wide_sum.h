// Sums of products of reduced words in 128 bits, shared by the portable and vector kernels of
// the per-query arithmetic.
#pragma once

#include <algorithm>
#include <cstdint>

#include "stark/baby_bear.h"

namespace kovra::stark::detail {

// Sums of products of reduced words, taken in 128 bits: a product is below P^2 < 2^62, and no
// sum here has 2^33 of them, so the high half stays below 2^31.
__extension__ typedef unsigned __int128 WideSum;

// P 2^32, which reduces to zero, and 2^64 mod P.
inline constexpr uint64_t kLazyBound = uint64_t{BabyBearElem::P} << 32;
inline constexpr uint64_t kTwo64 = (((uint64_t{1} << 32) % BabyBearElem::P) *
                                    ((uint64_t{1} << 32) % BabyBearElem::P)) %
                                   BabyBearElem::P;

// The sum / 2^32 mod P, the field sum of the Montgomery products: the low half is brought
// below kLazyBound by taking kLazyBound away twice where that leaves it smaller (otherwise
// the subtraction wraps above it), the high half comes back as hi * (2^64 mod P) < 2^62, and
// their sum, below 2^64, is Montgomery-reduced.
inline BabyBearElem wide_reduce(WideSum t) {
  uint64_t lo = static_cast<uint64_t>(t);
  const uint64_t hi = static_cast<uint64_t>(t >> 64);
  lo = std::min(lo, lo - kLazyBound);
  lo = std::min(lo, lo - kLazyBound);
  return BabyBearElem::from_raw(BabyBearElem::mont_reduce(lo + hi * kTwo64));
}

inline BabyBearExtElem wide_reduce(const WideSum (&t)[4]) {
  return BabyBearExtElem(wide_reduce(t[0]), wide_reduce(t[1]), wide_reduce(t[2]),
                         wide_reduce(t[3]));
}

}  // namespace kovra::stark::detail
