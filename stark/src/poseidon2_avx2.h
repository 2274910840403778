// Baby Bear arithmetic on AVX2 vectors of eight lanes and the 21 partial rounds of the
// Poseidon2 permutation built on it, shared by the AVX2 and AVX-512 paths (the AVX-512 path
// runs its full rounds its own way and its partial rounds through these).
//
//   - add: s = a + b; min(s, s - P)         (s < 2P < 2^32; a wrapped s - P is larger)
//   - Montgomery product on signed lanes: t = a b, q = t P^-1 mod 2^32, (t - q P) / 2^32
//     lies in (-P, P); min(d, d + P) brings it into [0, P).
//
// Only for x86 builds; every function carries its target, so the including file needs no
// processor flags.
#pragma once

#include <immintrin.h>

#include <cstdint>

#include "poseidon2_constants.h"
#include "stark/poseidon2.h"

namespace kovra::stark::poseidon2_avx2 {

using namespace poseidon2_detail;

#define KOVRA_AVX2 __attribute__((target("avx2")))

KOVRA_AVX2 inline __m256i p_vec() { return _mm256_set1_epi32(int(BabyBearElem::P)); }

KOVRA_AVX2 inline __m256i add(__m256i a, __m256i b) {
  const __m256i s = _mm256_add_epi32(a, b);
  return _mm256_min_epu32(s, _mm256_sub_epi32(s, p_vec()));
}

// The Montgomery product on signed lanes: operands in (-P, P), result in (-P, P), not
// brought into [0, P). With t = a b and q = t P^-1 mod 2^32 taken as signed, the low halves
// of t and q P agree, so t - q P holds (t - q P) / 2^32 in its high half; |t| < P^2 and
// |q P| <= 2^31 P keep that within (-P, P). The odd lanes are moved down by shuffles rather
// than shifts, which leaves the multiplier ports to the products.
KOVRA_AVX2 inline __m256i mul_signed(__m256i a, __m256i b) {
  const __m256i p = p_vec();
  const __m256i p_inv = _mm256_set1_epi32(int(0x88000001u));  // P^-1 mod 2^32
  const __m256i t_even = _mm256_mul_epi32(a, b);
  const __m256i t_odd = _mm256_mul_epi32(_mm256_shuffle_epi32(a, 0xf5), _mm256_shuffle_epi32(b, 0xf5));
  const __m256i qp_even = _mm256_mul_epi32(_mm256_mul_epi32(t_even, p_inv), p);
  const __m256i qp_odd = _mm256_mul_epi32(_mm256_mul_epi32(t_odd, p_inv), p);
  const __m256i d_even = _mm256_shuffle_epi32(_mm256_sub_epi64(t_even, qp_even), 0xf5);
  const __m256i d_odd = _mm256_sub_epi64(t_odd, qp_odd);
  return _mm256_blend_epi32(d_even, d_odd, 0b10101010);
}

// A lane in (-P, P) brought into [0, P): a negative lane, read unsigned, is above P + d.
KOVRA_AVX2 inline __m256i canonical(__m256i d) {
  return _mm256_min_epu32(d, _mm256_add_epi32(d, p_vec()));
}

// The Montgomery product of canonical lanes, canonical.
KOVRA_AVX2 inline __m256i mul(__m256i a, __m256i b) { return canonical(mul_signed(a, b)); }

struct State {
  __m256i v[3];
};

KOVRA_AVX2 inline __m256i load(const uint32_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

KOVRA_AVX2 inline uint32_t horizontal_sum(__m256i v) {
  v = add(v, _mm256_permute2x128_si256(v, v, 0x01));
  v = add(v, _mm256_shuffle_epi32(v, 0x4e));
  v = add(v, _mm256_shuffle_epi32(v, 0xb1));
  return uint32_t(_mm256_cvtsi256_si32(v));
}

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

// The 21 partial rounds. Cell 0 is carried as a scalar, cells 1..23 stay in the vectors (lane
// 0 of v[0] is ignored: its diagonal entry is taken as zero below).
//
// Round r, with x = cell 0 + constant, y = x^7 and R = the sum of cells 1..23:
//   S = y + R;  cell 0 becomes y D0 + S = y (D0 + 1) + R;  cell i becomes cell_i D_i + S.
// So the next x is y (D0 + 1) + (R + next constant), and the next R is
// sum_i cell_i D_i + 23 S. Only x^7 (D0 + 1), formed three products deep, and one addition
// lie on the round-to-round path; the sums are formed beside it. x stays in [-P, P).
KOVRA_AVX2 inline void partial_rounds(State& s) {
  const __m256i d0 = _mm256_blend_epi32(load(&kDiagonal[0]), _mm256_setzero_si256(), 0b00000001);
  const __m256i d1 = load(&kDiagonal[8]), d2 = load(&kDiagonal[16]);
  const BabyBearElem twenty_three = BabyBearElem::from_u32(23);
  const auto rc = [](size_t r) { return BabyBearElem::from_raw(kRoundConstants[r][0]); };

  const __m256i lane0_clear = _mm256_setr_epi32(0, -1, -1, -1, -1, -1, -1, -1);
  __m256i v0 = s.v[0], v1 = s.v[1], v2 = s.v[2];
  BabyBearElem rest =
      BabyBearElem::from_raw(horizontal_sum(add(add(_mm256_and_si256(v0, lane0_clear), v1), v2)));
  BabyBearElem first = BabyBearElem::from_raw(uint32_t(_mm256_cvtsi256_si32(v0))) + rc(kFirstPartial);
  int64_t x = first.raw();
  BabyBearElem cell0;
  for (size_t r = kFirstPartial; r < kSecondFull; ++r) {
    // Beside the S-box: the products cell_i D_i and their sum.
    const __m256i p0 = mul(v0, d0), p1 = mul(v1, d1), p2 = mul(v2, d2);
    const BabyBearElem products = BabyBearElem::from_raw(horizontal_sum(add(add(p0, p1), p2)));

    const CellZero z = cell_zero_sbox(x);
    const int64_t yd = z.seventh_d0;

    const BabyBearElem sum = z.seventh_plus(rest);
    if (r + 1 < kSecondFull) {
      x = yd + (rest + rc(r + 1)).raw();  // x^7 (D0 + 1) + R + constant
    } else {
      cell0 = canonical_wide(yd) + rest;
    }
    const __m256i sum_vec = _mm256_set1_epi32(int(sum.raw()));
    v0 = add(p0, sum_vec);
    v1 = add(p1, sum_vec);
    v2 = add(p2, sum_vec);
    rest = products + twenty_three * sum;
  }
  s.v[0] = _mm256_blend_epi32(v0, _mm256_set1_epi32(int(cell0.raw())), 0b00000001);
  s.v[1] = v1;
  s.v[2] = v2;
}

}  // namespace kovra::stark::poseidon2_avx2
