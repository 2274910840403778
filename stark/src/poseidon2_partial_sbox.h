// The S-box of cell 0 in the partial rounds, as the SIMD paths run it: on signed 64-bit
// values congruent to the Montgomery words, by Montgomery reductions modulo 2^64 whose powers
// of two are folded into constants.
#pragma once

#include <cstdint>

#include "poseidon2_constants.h"
#include "stark/baby_bear.h"

namespace kovra::stark::poseidon2_detail {

// 2^e mod P.
constexpr uint64_t pow2_mod_p(uint64_t e) {
  uint64_t acc = 1, base = 2;
  for (; e != 0; e >>= 1) {
    if (e & 1) acc = acc * base % BabyBearElem::P;
    base = base * base % BabyBearElem::P;
  }
  return acc;
}

// A value in [-2P, P) as its canonical word, without branches (the sign is data).
inline BabyBearElem canonical_wide(int64_t d) {
  constexpr int64_t P = BabyBearElem::P;
  d += (d >> 63) & P;
  d += (d >> 63) & P;
  return BabyBearElem::from_raw(static_cast<uint32_t>(d));
}

// a b 2^-64 (mod P) in [-P, 0], for |a b| < 2^63: the Montgomery reduction by 2^64. With
// q = t P^-1 mod 2^64, t - q P is a multiple of 2^64 whose quotient is the high word of t
// (0 or -1) less that of q P (below P). P^-1 mod 2^64 is 1 - 15 2^27 + 225 2^54, as
// P = 1 + 15 2^27. Three multiplications, no correction step: the result multiplies again.
inline int64_t mul_reduce64(int64_t a, int64_t b) {
  __extension__ using U128 = unsigned __int128;
  constexpr uint64_t kInverse = 1 - (uint64_t{15} << 27) + (uint64_t{225} << 54);
  static_assert(kInverse * BabyBearElem::P == 1);
  const int64_t t = a * b;
  const uint64_t q = uint64_t(t) * kInverse;
  return (t >> 63) - int64_t((U128(q) * BabyBearElem::P) >> 64);
}

// The S-box of cell 0 in a partial round, for a Montgomery word x (congruent to e 2^32 for
// the element e) in [-P, P). With mul_reduce64's factor 2^-64: x^2 -> e^2, x^4 -> e^4 2^-64,
// x c -> e c 2^-32 and (x^2)(x c)(x^4) -> e^7 c 2^-224; so c = (D0 + 1) 2^256 gives the word
// of e^7 (D0 + 1) and c = 2^256 that of e^7, both three products deep.
struct CellZero {
  int64_t seventh_d0;  // x^7 (D0 + 1), in [-P, 0]
  int64_t seventh;     // x^7, in [-P, 0]

  // x^7 + r for a canonical r, canonical.
  BabyBearElem seventh_plus(BabyBearElem r) const {
    int64_t d = seventh + r.raw();  // [-P, P)
    d += (d >> 63) & int64_t{BabyBearElem::P};
    return BabyBearElem::from_raw(static_cast<uint32_t>(d));
  }
};

inline CellZero cell_zero_sbox(int64_t x) {
  constexpr uint64_t P = BabyBearElem::P;
  constexpr int64_t kSeventhD0 = int64_t((kPlainDiagonal[0] + 1) % P * pow2_mod_p(256) % P);
  constexpr int64_t kSeventh = int64_t(pow2_mod_p(256));
  const int64_t x2 = mul_reduce64(x, x);
  const int64_t x4 = mul_reduce64(x2, x2);
  const int64_t yd = mul_reduce64(mul_reduce64(x2, mul_reduce64(x, kSeventhD0)), x4);
  return {yd, mul_reduce64(mul_reduce64(x2, mul_reduce64(x, kSeventh)), x4)};
}

}  // namespace kovra::stark::poseidon2_detail
