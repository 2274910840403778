// The Poseidon2 permutation on AVX2: the 24 cells as three vectors of eight lanes, each
// vector holding two of the six four-cell blocks (one per 128-bit half).
//
// Every value that leaves a step is the canonical word, so the result equals the scalar
// definition bit for bit; only the order of exact field operations differs:
//   - add: s = a + b; min(s, s - P)         (s < 2P < 2^32; a wrapped s - P is larger)
//   - Montgomery product on signed lanes: t = a b, q = t P^-1 mod 2^32, (t - q P) / 2^32
//     lies in (-P, P); min(d, d + P) brings it into [0, P). Inside the S-box the powers stay
//     signed and apart in even and odd lanes, and only x^7 is made canonical.
//   - M4 and the block sums by additions only.
// Partial rounds change only cell 0 through the S-box; that cell is carried as a scalar
// while the other 23 cells stay in the vectors, and the round-to-round path holds only
// the scalar S-box and one addition.
#include "stark/poseidon2.h"

#if defined(__x86_64__) || defined(__i386__)
#define KOVRA_HAVE_AVX2_PATH 1
#include "poseidon2_avx2.h"
#endif

namespace kovra::stark {

#if KOVRA_HAVE_AVX2_PATH

namespace {

using namespace poseidon2_avx2;

// The S-box works on the even and odd lanes apart, each value in the low half of a 64-bit
// lane, which is where the signed 32x32 multiply reads it; so no blend is needed between
// its products.
struct Halves {
  __m256i even, odd;
};

// (t - q P) / 2^32 of 64-bit products t, left in the high half of each 64-bit lane.
KOVRA_AVX2 inline __m256i reduce_high(__m256i t) {
  const __m256i p_inv = _mm256_set1_epi32(int(0x88000001u));
  return _mm256_sub_epi64(t, _mm256_mul_epi32(_mm256_mul_epi32(t, p_inv), p_vec()));
}

// The same, moved down to the low half.
KOVRA_AVX2 inline __m256i reduce_low(__m256i t) { return _mm256_shuffle_epi32(reduce_high(t), 0xf5); }

KOVRA_AVX2 inline Halves mul_halves(const Halves& a, const Halves& b) {
  return {reduce_low(_mm256_mul_epi32(a.even, b.even)), reduce_low(_mm256_mul_epi32(a.odd, b.odd))};
}

// x^7 as x^3 x^4 of an input in [-P, P), the intermediate powers signed; the result is
// canonical.
KOVRA_AVX2 inline __m256i sbox(__m256i x) {
  const Halves x1{x, _mm256_shuffle_epi32(x, 0xf5)};
  const Halves x2 = mul_halves(x1, x1);
  const Halves x3 = mul_halves(x2, x1);
  const Halves x4 = mul_halves(x2, x2);
  const __m256i even = reduce_low(_mm256_mul_epi32(x3.even, x4.even));
  const __m256i odd = reduce_high(_mm256_mul_epi32(x3.odd, x4.odd));
  return canonical(_mm256_blend_epi32(even, odd, 0b10101010));
}

// M4 on each 128-bit half, x = (x0, x1, x2, x3), with t0 = x0 + x1, t1 = x2 + x3,
// a = t1 + 2 x1 and b = t0 + 2 x3:
//   y1 = 4 t0 + a,  y3 = 4 t1 + b,  y0 = 4 t0 + a + b,  y2 = 4 t1 + b + a,
// four additions deep.
KOVRA_AVX2 inline __m256i m4(__m256i x) {
  const __m256i even_lanes = _mm256_setr_epi32(-1, 0, -1, 0, -1, 0, -1, 0);
  const __m256i t = add(x, _mm256_shuffle_epi32(x, 0xb1));               // t0 t0 t1 t1
  const __m256i odd = _mm256_shuffle_epi32(x, 0xf5);                       // x1 x1 x3 x3
  const __m256i odd2 = add(odd, odd);                                      // 2x1 2x1 2x3 2x3
  const __m256i t2 = add(t, t);
  const __m256i ab = add(_mm256_shuffle_epi32(t, 0x0a), odd2);             // a a b b
  const __m256i t4 = add(t2, t2);
  const __m256i ab_ba = add(ab, _mm256_and_si256(_mm256_shuffle_epi32(ab, 0x0a), even_lanes));
  return add(t4, ab_ba);                                                   // a+b a b+a b
}

// Full-round constants less P (wrapping): a canonical word plus one of them lies in
// [-P, P), which the signed S-box takes as it is, so the constants cost one addition.
constexpr std::array<Row, kRounds> constants_less_p() {
  std::array<Row, kRounds> rows{};
  for (size_t r = 0; r < kRounds; ++r)
    for (size_t i = 0; i < kWidth; ++i) rows[r][i] = kRoundConstants[r][i] - BabyBearElem::P;
  return rows;
}
inline constexpr std::array<Row, kRounds> kConstantsLessP = constants_less_p();

// The next full round's constants, as a signed S-box input.
KOVRA_AVX2 inline void add_round_constants(State& s, const Row& rc_less_p) {
  for (int k = 0; k < 3; ++k) s.v[k] = _mm256_add_epi32(s.v[k], load(&rc_less_p[8 * k]));
}

// The external layer, then (with `next_rc`) the next full round's constants.
KOVRA_AVX2 inline void external_layer(State& s, const Row* next_rc_less_p) {
  for (auto& v : s.v) v = m4(v);
  const __m256i halves = add(add(s.v[0], s.v[1]), s.v[2]);
  const __m256i lane_sums = add(halves, _mm256_permute2x128_si256(halves, halves, 0x01));
  for (auto& v : s.v) v = add(v, lane_sums);
  if (next_rc_less_p) add_round_constants(s, *next_rc_less_p);
}

// A full round whose constants are already added.
KOVRA_AVX2 inline void full_round_after_constants(State& s, const Row* next_rc_less_p) {
  for (auto& v : s.v) v = sbox(v);
  external_layer(s, next_rc_less_p);
}

KOVRA_AVX2 void permute(Poseidon2State& cells) {
  static_assert(sizeof(Poseidon2State) == 24 * sizeof(uint32_t));
  uint32_t* words = reinterpret_cast<uint32_t*>(cells.data());
  State s{{load(words), load(words + 8), load(words + 16)}};
  external_layer(s, &kConstantsLessP[0]);
  for (size_t r = 0; r < kFirstPartial; ++r)
    full_round_after_constants(s, r + 1 < kFirstPartial ? &kConstantsLessP[r + 1] : nullptr);
  partial_rounds(s);
  add_round_constants(s, kConstantsLessP[kSecondFull]);
  for (size_t r = kSecondFull; r < kRounds; ++r)
    full_round_after_constants(s, r + 1 < kRounds ? &kConstantsLessP[r + 1] : nullptr);
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
