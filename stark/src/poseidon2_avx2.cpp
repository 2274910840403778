// The Poseidon2 permutation on AVX2: the 24 cells as three vectors of eight lanes, each
// vector holding two of the six four-cell blocks (one per 128-bit half).
//
// Every lane operation returns the canonical word, so the result equals the scalar
// definition bit for bit:
//   - add: s = a + b; min(s, s - P)         (s < 2P < 2^32; the wrapped s - P is large)
//   - Montgomery product: t = a b, q = t P^-1 mod 2^32, (t - q P) / 2^32 lies in (-P, P);
//     a negative value is mapped up by min(d, d + P).
// Partial rounds change only cell 0 through the S-box; that cell is carried as a scalar
// while the other 23 cells stay in the vectors.
#include "stark/poseidon2.h"

#include "poseidon2_constants.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KOVRA_HAVE_AVX2_PATH 1
#endif

namespace kovra::stark {

#if KOVRA_HAVE_AVX2_PATH

namespace {

using namespace poseidon2_detail;

#define KOVRA_AVX2 __attribute__((target("avx2")))

KOVRA_AVX2 inline __m256i p_vec() { return _mm256_set1_epi32(int(BabyBearElem::P)); }

KOVRA_AVX2 inline __m256i add(__m256i a, __m256i b) {
  const __m256i s = _mm256_add_epi32(a, b);
  return _mm256_min_epu32(s, _mm256_sub_epi32(s, p_vec()));
}

KOVRA_AVX2 inline __m256i mul(__m256i a, __m256i b) {
  const __m256i p = p_vec();
  const __m256i p_inv = _mm256_set1_epi32(int(0x88000001u));  // P^-1 mod 2^32
  const __m256i t_even = _mm256_mul_epu32(a, b);
  const __m256i t_odd = _mm256_mul_epu32(_mm256_srli_epi64(a, 32), _mm256_srli_epi64(b, 32));
  const __m256i qp_even = _mm256_mul_epu32(_mm256_mul_epu32(t_even, p_inv), p);
  const __m256i qp_odd = _mm256_mul_epu32(_mm256_mul_epu32(t_odd, p_inv), p);
  // The low halves of t and q P agree, so the 64-bit differences hold (t - q P) / 2^32 in
  // their high halves.
  const __m256i d_even = _mm256_srli_epi64(_mm256_sub_epi64(t_even, qp_even), 32);
  const __m256i d_odd = _mm256_sub_epi64(t_odd, qp_odd);
  const __m256i d = _mm256_blend_epi32(d_even, d_odd, 0b10101010);
  return _mm256_min_epu32(d, _mm256_add_epi32(d, p));
}

KOVRA_AVX2 inline __m256i sbox(__m256i x) {
  const __m256i x2 = mul(x, x);
  const __m256i x3 = mul(x2, x);
  const __m256i x4 = mul(x2, x2);
  return mul(x3, x4);
}

// M4 on each 128-bit half, x = (x0, x1, x2, x3), with t0 = x0 + x1 and t1 = x2 + x3:
//   y = 4 (t0, t0, t1, t1) + (t1, t1, t0, t0) + (t0 + 2x1 + 2x3, 2x1, t1 + 2x1 + 2x3, 2x3).
KOVRA_AVX2 inline __m256i m4(__m256i x) {
  const __m256i t = add(x, _mm256_shuffle_epi32(x, 0xb1));          // t0 t0 t1 t1
  const __m256i t_swapped = _mm256_shuffle_epi32(t, 0x4e);            // t1 t1 t0 t0
  const __m256i odd = _mm256_shuffle_epi32(x, 0xf5);                  // x1 x1 x3 x3
  const __m256i odd2 = add(odd, odd);                                 // 2x1 2x1 2x3 2x3
  const __m256i cross = add(_mm256_shuffle_epi32(odd2, 0x0a), t);     // 2x3+t0 . 2x1+t1 .
  const __m256i w = _mm256_blend_epi32(add(odd2, cross), odd2, 0b10101010);
  const __m256i t2 = add(t, t);
  return add(add(add(t2, t2), t_swapped), w);
}

struct State {
  __m256i v[3];
};

KOVRA_AVX2 inline void external_layer(State& s) {
  for (auto& v : s.v) v = m4(v);
  const __m256i halves = add(add(s.v[0], s.v[1]), s.v[2]);
  const __m256i lane_sums = add(halves, _mm256_permute2x128_si256(halves, halves, 0x01));
  for (auto& v : s.v) v = add(v, lane_sums);
}

KOVRA_AVX2 inline __m256i load(const uint32_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

KOVRA_AVX2 inline void full_round(State& s, const Row& rc) {
  for (int k = 0; k < 3; ++k) s.v[k] = sbox(add(s.v[k], load(&rc[8 * k])));
  external_layer(s);
}

KOVRA_AVX2 inline uint32_t horizontal_sum(__m256i v) {
  v = add(v, _mm256_permute2x128_si256(v, v, 0x01));
  v = add(v, _mm256_shuffle_epi32(v, 0x4e));
  v = add(v, _mm256_shuffle_epi32(v, 0xb1));
  return uint32_t(_mm256_cvtsi256_si32(v));
}

inline BabyBearElem scalar_sbox(BabyBearElem x) {
  const BabyBearElem x2 = x * x;
  const BabyBearElem x3 = x2 * x;
  const BabyBearElem x4 = x2 * x2;
  return x3 * x4;
}

// The 21 partial rounds. Cell 0 lives in `c0`; lane 0 of v[0] is kept at zero so that the
// vector sum covers cells 1..23 only.
KOVRA_AVX2 void partial_rounds(State& s) {
  const __m256i lane0_clear = _mm256_setr_epi32(0, -1, -1, -1, -1, -1, -1, -1);
  const __m256i d0 = load(&kDiagonal[0]), d1 = load(&kDiagonal[8]), d2 = load(&kDiagonal[16]);
  const BabyBearElem diag0 = BabyBearElem::from_raw(kDiagonal[0]);
  BabyBearElem c0 = BabyBearElem::from_raw(uint32_t(_mm256_cvtsi256_si32(s.v[0])));
  __m256i v0 = _mm256_and_si256(s.v[0], lane0_clear), v1 = s.v[1], v2 = s.v[2];
  for (size_t r = kFirstPartial; r < kSecondFull; ++r) {
    const BabyBearElem x7 = scalar_sbox(c0 + BabyBearElem::from_raw(kRoundConstants[r][0]));
    const BabyBearElem rest = BabyBearElem::from_raw(horizontal_sum(add(add(v0, v1), v2)));
    const BabyBearElem sum = x7 + rest;
    const __m256i sum_vec = _mm256_set1_epi32(int(sum.raw()));
    c0 = x7 * diag0 + sum;
    v0 = _mm256_and_si256(add(mul(v0, d0), sum_vec), lane0_clear);
    v1 = add(mul(v1, d1), sum_vec);
    v2 = add(mul(v2, d2), sum_vec);
  }
  s.v[0] = _mm256_blend_epi32(v0, _mm256_set1_epi32(int(c0.raw())), 0b00000001);
  s.v[1] = v1;
  s.v[2] = v2;
}

KOVRA_AVX2 void permute(Poseidon2State& cells) {
  static_assert(sizeof(Poseidon2State) == 24 * sizeof(uint32_t));
  uint32_t* words = reinterpret_cast<uint32_t*>(cells.data());
  State s{{load(words), load(words + 8), load(words + 16)}};
  external_layer(s);
  for (size_t r = 0; r < kFirstPartial; ++r) full_round(s, kRoundConstants[r]);
  partial_rounds(s);
  for (size_t r = kSecondFull; r < kRounds; ++r) full_round(s, kRoundConstants[r]);
  for (int k = 0; k < 3; ++k)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(words + 8 * k), s.v[k]);
}

}  // namespace

bool poseidon2_has_avx2() { return __builtin_cpu_supports("avx2"); }

void poseidon2_permute_avx2(Poseidon2State& state) { permute(state); }

#else

bool poseidon2_has_avx2() { return false; }

void poseidon2_permute_avx2(Poseidon2State& state) { poseidon2_permute_scalar(state); }

#endif

}  // namespace kovra::stark
