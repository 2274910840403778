// The Poseidon2 permutation on AVX-512 with the 52-bit multiply-adds (IFMA).
//
// The 24 cells are three vectors of eight 64-bit lanes, laid out so that M4 pairs lanes of
// two vectors rather than lanes across a vector:
//   a: cells 0, 1 of blocks 0..3 (one block per 128-bit chunk)
//   b: cells 2, 3 of blocks 0..3
//   c: cells 0, 1 of blocks 4, 5, then cells 2, 3 of blocks 4, 5
// In the full rounds a lane holds a non-negative value below 2^39, congruent to the cell's
// element times 2^s for a scale s fixed at compile time, not its canonical word:
//   - products are Montgomery products by 2^52 (mont52), which take any operands below 2^52
//     and give values below P plus a little, so the S-box needs no reduction step before or
//     inside it;
//   - M4 and the block sums are plain 64-bit additions;
//   - round constants are taken at the scale of the round that adds them.
// Where the state leaves a group of full rounds, a product by a power of two brings each
// cell to scale 32 and one subtraction makes it canonical, so the result is the scalar
// definition's bit for bit. The partial rounds run on the same lanes, cell 0 as a scalar.
#include "stark/poseidon2.h"

#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#define KOVRA_HAVE_AVX512_PATH 1
#endif

#include "poseidon2_constants.h"
#include "poseidon2_partial_sbox.h"

namespace kovra::stark {

#if KOVRA_HAVE_AVX512_PATH

// GCC 12's AVX-512 intrinsics fill their unused pass-through operand with an undefined
// vector, which its -Wuninitialized reports at every inlined call.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace {

using namespace poseidon2_detail;

#define KOVRA_AVX512 __attribute__((target("avx512f,avx512ifma")))

constexpr int64_t kP = BabyBearElem::P;

// 2^e mod P for any integer e (2^(P - 1) = 1).
constexpr uint64_t pow2(int64_t e) {
  int64_t m = e % (kP - 1);
  if (m < 0) m += kP - 1;
  return pow2_mod_p(uint64_t(m));
}

// The scales through a group of four full rounds: the group starts at 32 (the Montgomery
// scale) and a round takes s to 7 s - 312 (see sbox below).
constexpr std::array<int64_t, 5> group_scales() {
  std::array<int64_t, 5> s{32};
  for (size_t j = 0; j < 4; ++j) s[j + 1] = 7 * s[j] - 312;
  return s;
}
inline constexpr std::array<int64_t, 5> kScale = group_scales();

// Lane l of vector v holds cell kCellOf[v][l].
inline constexpr int kCellOf[3][8] = {{0, 1, 4, 5, 8, 9, 12, 13},
                                      {2, 3, 6, 7, 10, 11, 14, 15},
                                      {16, 17, 20, 21, 18, 19, 22, 23}};

struct alignas(64) Lanes {
  int64_t v[3][8];
};

// Full round f's constants (f = 0..7 over both groups) in the lanes, at the round's scale.
constexpr std::array<Lanes, 8> full_round_constants() {
  std::array<Lanes, 8> out{};
  for (size_t f = 0; f < 8; ++f) {
    const size_t row = f < 4 ? f : kSecondFull + f - 4;
    const uint64_t scale = pow2(kScale[f % 4]);
    for (size_t v = 0; v < 3; ++v)
      for (size_t l = 0; l < 8; ++l)
        out[f].v[v][l] = int64_t(kPlainRoundConstants[row][kCellOf[v][l]] * scale % kP);
  }
  return out;
}
alignas(64) inline constexpr std::array<Lanes, 8> kFullRc = full_round_constants();

struct Lazy {
  __m512i a, b, c;
};

KOVRA_AVX512 inline __m512i add(__m512i x, __m512i y) { return _mm512_add_epi64(x, y); }

// The Montgomery product a b 2^-52 (mod P) of a, b < 2^52 by the 52-bit multiply-adds, below
// a b / 2^52 + P. With q = -(a b) P^-1 mod 2^52 (-P^-1 = P - 2 there), a b + q P is a
// multiple of 2^52: the high halves of a b and q P, plus the carry of their low halves,
// which is 1 unless the low half of a b is 0.
//
// The multiply-adds pass their results to one another quicker than to the other vector
// instructions, so for a product that feeds another one the carry joins the high half of
// a b while q is being formed (mont52), and for one that feeds additions it comes last
// (mont52_then_add).
struct Mont52Parts {
  __m512i hi, q;
  __mmask8 carry;
};

KOVRA_AVX512 inline Mont52Parts mont52_parts(__m512i a, __m512i b) {
  const __m512i zero = _mm512_setzero_si512();
  const __m512i lo = _mm512_madd52lo_epu64(zero, a, b);
  return {_mm512_madd52hi_epu64(zero, a, b),
          _mm512_madd52lo_epu64(zero, lo, _mm512_set1_epi64(kP - 2)),
          _mm512_test_epi64_mask(lo, lo)};
}

KOVRA_AVX512 inline __m512i mont52(__m512i a, __m512i b) {
  const Mont52Parts m = mont52_parts(a, b);
  const __m512i hi = _mm512_mask_add_epi64(m.hi, m.carry, m.hi, _mm512_set1_epi64(1));
  return _mm512_madd52hi_epu64(hi, m.q, _mm512_set1_epi64(kP));
}

KOVRA_AVX512 inline __m512i mont52_then_add(__m512i a, __m512i b) {
  const Mont52Parts m = mont52_parts(a, b);
  const __m512i r = _mm512_madd52hi_epu64(m.hi, m.q, _mm512_set1_epi64(kP));
  return _mm512_mask_add_epi64(r, m.carry, r, _mm512_set1_epi64(1));
}

// x^7 for lanes below 2^52 at scale s, by four products of mont52 (x^2, x^3 = x^2 x,
// x^4 = x^2 x^2, x^3 x^4): scale 7s - 312. For x below 2^39: x^2 < 2^26 + P, x^3 < 2^18 + P,
// x^4 and x^7 < 2^10 + P, so the external layer (a factor 112 at most) and the next
// constants keep every lane below 2^39.
KOVRA_AVX512 inline __m512i sbox(__m512i x) {
  const __m512i x2 = mont52(x, x);
  const __m512i x3 = mont52(x2, x);
  const __m512i x4 = mont52(x2, x2);
  return mont52_then_add(x3, x4);
}

KOVRA_AVX512 inline __m512i swap_pairs(__m512i x) { return _mm512_shuffle_epi32(x, _MM_PERM_BADC); }
KOVRA_AVX512 inline __m512i dup_odd(__m512i x) { return _mm512_shuffle_epi32(x, _MM_PERM_DCDC); }
KOVRA_AVX512 inline __m512i swap_halves(__m512i x) { return _mm512_shuffle_i64x2(x, x, 0x4e); }
// x plus y in the first lane of each pair.
KOVRA_AVX512 inline __m512i add_first_of_pairs(__m512i x, __m512i y) {
  return _mm512_mask_add_epi64(x, 0x55, x, y);
}

// M4 on each block, (x0, x1) of it in a lane pair of `lo` and (x2, x3) in the same pair of
// `hi`. With t0 = x0 + x1, t1 = x2 + x3, t2 = t1 + 2 x1, t3 = t0 + 2 x3:
//   y0 = 4 t0 + t2 + t3,  y1 = 4 t0 + t2,  y2 = 4 t1 + t3 + t2,  y3 = 4 t1 + t3.
KOVRA_AVX512 inline void m4_pair(__m512i& lo, __m512i& hi) {
  const __m512i t0 = add(lo, swap_pairs(lo)), t1 = add(hi, swap_pairs(hi));
  const __m512i x1 = dup_odd(lo), x3 = dup_odd(hi);
  const __m512i t2 = add(t1, add(x1, x1)), t3 = add(t0, add(x3, x3));
  lo = add_first_of_pairs(add(_mm512_slli_epi64(t0, 2), t2), t3);
  hi = add_first_of_pairs(add(_mm512_slli_epi64(t1, 2), t3), t2);
}

// The same for c, whose low half holds the (x0, x1) pairs and high half the (x2, x3) pairs.
KOVRA_AVX512 inline __m512i m4_halves(__m512i c) {
  const __m512i cs = swap_halves(c);
  const __m512i t = add(c, swap_pairs(c)), ts = add(cs, swap_pairs(cs));  // t0 | t1, t1 | t0
  const __m512i x = dup_odd(c), xs = dup_odd(cs);                          // x1 | x3, x3 | x1
  const __m512i u = add(ts, add(x, x)), us = add(t, add(xs, xs));          // t2 | t3, t3 | t2
  return add_first_of_pairs(add(_mm512_slli_epi64(t, 2), u), us);
}

KOVRA_AVX512 inline __m512i load(const int64_t* p) { return _mm512_load_si512(p); }

// The external layer: M4 on each block, then every cell gains the sum of its position over
// the six blocks; with `next`, also the next round's constants.
KOVRA_AVX512 inline void external_layer(Lazy& s, const Lanes* next) {
  m4_pair(s.a, s.b);
  s.c = m4_halves(s.c);
  const __m512i front = _mm512_shuffle_i64x2(s.a, s.b, 0x44);  // a blocks 0, 1 | b blocks 0, 1
  const __m512i back = _mm512_shuffle_i64x2(s.a, s.b, 0xee);   // a blocks 2, 3 | b blocks 2, 3
  const __m512i w = add(add(front, back), s.c);
  const __m512i sums = add(w, _mm512_shuffle_i64x2(w, w, 0xb1));  // (0, 1) sums x2 | (2, 3) x2
  if (next) {
    s.a = add(s.a, load(next->v[0]));
    s.b = add(s.b, load(next->v[1]));
    s.c = add(s.c, load(next->v[2]));
  }
  s.a = add(s.a, _mm512_shuffle_i64x2(sums, sums, 0x00));
  s.b = add(s.b, _mm512_shuffle_i64x2(sums, sums, 0xaa));
  s.c = add(s.c, sums);
}

KOVRA_AVX512 inline void full_round(Lazy& s, const Lanes* next) {
  s.a = sbox(s.a);
  s.b = sbox(s.b);
  s.c = sbox(s.c);
  external_layer(s, next);
}

// Index vectors for two-source dword permutes between the cell order (cells 0..15 in one
// vector, 16..23 in another) and the lanes (each value in the low dword of its lane).
struct alignas(64) Dwords {
  int32_t d[16];
};
constexpr Dwords lane_gather(int v) {  // the low dwords of vector v from the cells, high ones 0
  Dwords out{};
  for (int l = 0; l < 8; ++l) {
    const int cell = kCellOf[v][l];
    out.d[2 * l] = v < 2 ? cell : cell - 16;
    out.d[2 * l + 1] = 16;  // the second source is zero
  }
  return out;
}
constexpr Dwords cell_gather(bool high) {  // cells 0..15 from a, b or 16..23 from c
  Dwords out{};
  for (int v = 0; v < 3; ++v)
    for (int l = 0; l < 8; ++l) {
      const int cell = kCellOf[v][l];
      if (!high && cell < 16) out.d[cell] = 2 * l + (v == 1 ? 16 : 0);
      if (high && cell >= 16) out.d[cell - 16] = 2 * l;
    }
  return out;
}
alignas(64) inline constexpr Dwords kGatherA = lane_gather(0);
alignas(64) inline constexpr Dwords kGatherB = lane_gather(1);
alignas(64) inline constexpr Dwords kGatherC = lane_gather(2);
alignas(64) inline constexpr Dwords kCellsLow = cell_gather(false);
alignas(64) inline constexpr Dwords kCellsHigh = cell_gather(true);

KOVRA_AVX512 inline __m512i idx(const Dwords& d) { return _mm512_load_si512(d.d); }

// Canonical words in cell order (cells 0..15, 16..23) into the lanes, at scale 32.
KOVRA_AVX512 inline Lazy to_lanes(__m512i low, __m256i high) {
  const __m512i zero = _mm512_setzero_si512();
  const __m512i high512 = _mm512_castsi256_si512(high);
  return {_mm512_permutex2var_epi32(low, idx(kGatherA), zero),
          _mm512_permutex2var_epi32(low, idx(kGatherB), zero),
          _mm512_permutex2var_epi32(high512, idx(kGatherC), zero)};
}

// Lanes at scale Scale below 2^39 as canonical words at scale 32: the Montgomery product by
// the power of two that gives scale 32, below 2^18 + P, less P where that fits.
template <int64_t Scale>
KOVRA_AVX512 inline __m512i canonical_lanes(__m512i x) {
  constexpr int64_t factor = int64_t(pow2(84 - Scale));
  const __m512i r = mont52_then_add(x, _mm512_set1_epi64(factor));
  return _mm512_min_epu64(r, _mm512_sub_epi64(r, _mm512_set1_epi64(kP)));
}

// The canonical words of lanes at scale Scale, in cell order.
template <int64_t Scale>
KOVRA_AVX512 inline void to_cells(const Lazy& s, __m512i& low, __m256i& high) {
  const __m512i a = canonical_lanes<Scale>(s.a), b = canonical_lanes<Scale>(s.b);
  const __m512i c = canonical_lanes<Scale>(s.c);
  low = _mm512_permutex2var_epi32(a, idx(kCellsLow), b);
  high = _mm512_castsi512_si256(_mm512_permutexvar_epi32(idx(kCellsHigh), c));
}

// The internal layer's diagonal in the lanes, with 0 for cell 0 (carried apart).
constexpr Lanes diagonal_lanes() {
  Lanes out{};
  for (size_t v = 0; v < 3; ++v)
    for (size_t l = 0; l < 8; ++l) {
      const int cell = kCellOf[v][l];
      out.v[v][l] = cell == 0 ? 0 : int64_t(kPlainDiagonal[cell] * pow2(52) % kP);
    }
  return out;
}
alignas(64) inline constexpr Lanes kDiagonalLanes = diagonal_lanes();

// r mod P for r < 2^63, by a Barrett quotient that is short by at most one.
inline BabyBearElem reduce_wide(uint64_t r) {
  __extension__ using U128 = unsigned __int128;
  constexpr uint64_t kInverse = ~uint64_t{0} / uint64_t(kP);  // floor(2^64 / P)
  const uint64_t d = r - uint64_t((U128(r) * kInverse) >> 64) * uint64_t(kP);  // [0, 2P)
  return BabyBearElem::from_raw(uint32_t(std::min(d, d - uint64_t(kP))));
}

// The 21 partial rounds on the lanes, from canonical words at scale 32, cell 0 carried as a
// scalar (see the AVX2 path for the round's algebra). Cells 1..23 stay at scale 32 below
// 2P + 2^12: each round takes mont52 of them by the diagonal at scale 52 (below P + 2^12)
// and adds the canonical S. The products' sum, below 2^37, is reduced by a Barrett step.
KOVRA_AVX512 inline void partial_rounds(Lazy& s) {
  const __m512i da = load(kDiagonalLanes.v[0]), db = load(kDiagonalLanes.v[1]);
  const __m512i dc = load(kDiagonalLanes.v[2]);
  const auto rc = [](size_t r) { return BabyBearElem::from_raw(kRoundConstants[r][0]); };
  const auto lane_sum = [](__m512i a, __m512i b, __m512i c) KOVRA_AVX512 {
    return uint64_t(_mm512_reduce_add_epi64(add(add(a, b), c)));
  };

  BabyBearElem rest = reduce_wide(lane_sum(_mm512_maskz_mov_epi64(0xfe, s.a), s.b, s.c));
  int64_t x = (BabyBearElem::from_raw(uint32_t(_mm_cvtsi128_si64(_mm512_castsi512_si128(s.a)))) +
               rc(kFirstPartial)).raw();
  BabyBearElem cell0;
  for (size_t r = kFirstPartial; r < kSecondFull; ++r) {
    const __m512i pa = mont52_then_add(s.a, da), pb = mont52_then_add(s.b, db);
    const __m512i pc = mont52_then_add(s.c, dc);
    const uint64_t products = lane_sum(pa, pb, pc);

    const CellZero z = cell_zero_sbox(x);
    const BabyBearElem sum = z.seventh_plus(rest);
    if (r + 1 < kSecondFull) {
      x = z.seventh_d0 + (rest + rc(r + 1)).raw();
    } else {
      cell0 = canonical_wide(z.seventh_d0) + rest;
    }
    const __m512i sum_lanes = _mm512_set1_epi64(sum.raw());
    s.a = add(pa, sum_lanes);
    s.b = add(pb, sum_lanes);
    s.c = add(pc, sum_lanes);
    rest = reduce_wide(products + 23 * uint64_t{sum.raw()});
  }
  s.a = _mm512_mask_mov_epi64(s.a, 1, _mm512_set1_epi64(cell0.raw()));
}

KOVRA_AVX512 void permute(Poseidon2State& cells) {
  static_assert(sizeof(Poseidon2State) == 24 * sizeof(uint32_t));
  uint32_t* words = reinterpret_cast<uint32_t*>(cells.data());
  Lazy s = to_lanes(_mm512_loadu_si512(words),
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(words + 16)));
  external_layer(s, &kFullRc[0]);
  for (size_t f = 0; f < 4; ++f) full_round(s, f + 1 < 4 ? &kFullRc[f + 1] : nullptr);

  s.a = canonical_lanes<kScale[4]>(s.a);
  s.b = canonical_lanes<kScale[4]>(s.b);
  s.c = canonical_lanes<kScale[4]>(s.c);
  partial_rounds(s);
  s.a = add(s.a, load(kFullRc[4].v[0]));
  s.b = add(s.b, load(kFullRc[4].v[1]));
  s.c = add(s.c, load(kFullRc[4].v[2]));

  for (size_t f = 4; f < 8; ++f) full_round(s, f + 1 < 8 ? &kFullRc[f + 1] : nullptr);
  __m512i low;
  __m256i high;
  to_cells<kScale[4]>(s, low, high);
  _mm512_storeu_si512(words, low);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(words + 16), high);
}

}  // namespace

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

bool poseidon2_has_avx512() {
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512ifma");
}

void poseidon2_permute_avx512(Poseidon2State& state) { permute(state); }

#else

bool poseidon2_has_avx512() { return false; }

void poseidon2_permute_avx512(Poseidon2State& state) { poseidon2_permute_scalar(state); }

#endif

}  // namespace kovra::stark
