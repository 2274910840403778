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

#include "poseidon2_constants.h"
#include "poseidon2_partial_sbox.h"
#include "x86_avx2.h"

namespace kovra::stark {

#if KOVRA_HAVE_AVX2_PATH

namespace {

using namespace poseidon2_detail;

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

struct State {
  __m256i v[3];
};

KOVRA_AVX2 inline __m256i load(const uint32_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
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

KOVRA_AVX2 inline uint32_t horizontal_sum(__m256i v) {
  v = add(v, _mm256_permute2x128_si256(v, v, 0x01));
  v = add(v, _mm256_shuffle_epi32(v, 0x4e));
  v = add(v, _mm256_shuffle_epi32(v, 0xb1));
  return uint32_t(_mm256_cvtsi256_si32(v));
}

// The 21 partial rounds. Cell 0 is carried as a scalar, cells 1..23 stay in the vectors (lane
// 0 of v[0] is ignored: its diagonal entry is taken as zero below).
//
// Round r, with x = cell 0 + constant, y = x^7 and R = the sum of cells 1..23:
//   S = y + R;  cell 0 becomes y D0 + S = y (D0 + 1) + R;  cell i becomes cell_i D_i + S.
// So the next x is y (D0 + 1) + (R + next constant), and the next R is
// sum_i cell_i D_i + 23 S. Only x^7 (D0 + 1), formed three products deep, and one addition
// lie on the round-to-round path; the sums are formed beside it. x stays in [-P, P).
KOVRA_AVX2 void partial_rounds(State& s) {
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
