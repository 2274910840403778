// AVX2 kernels of the per-query sums: the same exact sums as the portable path, with four
// 32 x 32 -> 64-bit products per instruction. Each product is split into its low and high 32
// bits, summed apart in 64-bit lanes (no overflow for fewer than 2^32 products) and put
// together in 128 bits at the end. Compiled for AVX2 whatever the build's target; only called
// where the processor has it.
#include "stark/fri.h"

#include <array>
#include <bit>

#include "wide_sum.h"

#include "x86_avx2.h"

namespace kovra::stark {

#if KOVRA_HAVE_AVX2_PATH

namespace {

using detail::WideSum;
using detail::wide_reduce;

// Sums of products lane by lane, as separate sums of their low and high halves.
struct SplitSum {
  __m256i lo, hi;
};

KOVRA_AVX2 inline void add_products(SplitSum& s, __m256i products) {
  const __m256i low_mask = _mm256_set1_epi64x(0xffffffff);
  s.lo = _mm256_add_epi64(s.lo, _mm256_and_si256(products, low_mask));
  s.hi = _mm256_add_epi64(s.hi, _mm256_srli_epi64(products, 32));
}

// The four lanes' sums in 128 bits.
KOVRA_AVX2 inline void lane_sums(const SplitSum& s, WideSum out[4]) {
  alignas(32) uint64_t lo[4], hi[4];
  _mm256_store_si256(reinterpret_cast<__m256i*>(lo), s.lo);
  _mm256_store_si256(reinterpret_cast<__m256i*>(hi), s.hi);
  for (size_t k = 0; k < 4; ++k) out[k] = (WideSum{hi[k]} << 32) + lo[k];
}

// Montgomery products of reduced words held in the low halves of 64-bit lanes: t = a b,
// m = t P' mod 2^32, (t + m P) / 2^32 < 2P, then P taken away where it fits (on 32-bit lanes:
// a wrapped difference is larger; the high halves stay zero).
KOVRA_AVX2 inline __m256i mont_mul4(__m256i a, __m256i b) {
  const __m256i t = _mm256_mul_epu32(a, b);
  const __m256i m = _mm256_mul_epu32(t, _mm256_set1_epi64x(BabyBearElem::M_PRIME));
  const __m256i u = _mm256_add_epi64(t, _mm256_mul_epu32(m, _mm256_set1_epi64x(BabyBearElem::P)));
  const __m256i r = _mm256_srli_epi64(u, 32);
  return _mm256_min_epu32(r, _mm256_sub_epi32(r, _mm256_set1_epi32(static_cast<int>(BabyBearElem::P))));
}

// Field operations on eight reduced words, one per 32-bit lane. Sums and differences are
// brought back with an unsigned minimum (the wrapped alternative is larger).
KOVRA_AVX2 inline __m256i add8(__m256i a, __m256i b) {
  const __m256i s = _mm256_add_epi32(a, b);
  return _mm256_min_epu32(s, _mm256_sub_epi32(s, _mm256_set1_epi32(static_cast<int>(BabyBearElem::P))));
}

KOVRA_AVX2 inline __m256i sub8(__m256i a, __m256i b) {
  const __m256i d = _mm256_sub_epi32(a, b);
  return _mm256_min_epu32(d, _mm256_add_epi32(d, _mm256_set1_epi32(static_cast<int>(BabyBearElem::P))));
}

// Montgomery products lane by lane: the even lanes and the odd lanes (shifted down) as two sets
// of 64-bit products; an odd lane's result lands in the high half of its 64-bit lane.
KOVRA_AVX2 inline __m256i mul8(__m256i a, __m256i b) {
  const __m256i m_prime = _mm256_set1_epi64x(BabyBearElem::M_PRIME);
  const __m256i p = _mm256_set1_epi64x(BabyBearElem::P);
  const __m256i te = _mm256_mul_epu32(a, b);
  const __m256i to = _mm256_mul_epu32(_mm256_srli_epi64(a, 32), _mm256_srli_epi64(b, 32));
  const __m256i ue = _mm256_add_epi64(te, _mm256_mul_epu32(_mm256_mul_epu32(te, m_prime), p));
  const __m256i uo = _mm256_add_epi64(to, _mm256_mul_epu32(_mm256_mul_epu32(to, m_prime), p));
  const __m256i r = _mm256_blend_epi32(_mm256_srli_epi64(ue, 32), uo, 0b10101010);
  return _mm256_min_epu32(r, _mm256_sub_epi32(r, _mm256_set1_epi32(static_cast<int>(BabyBearElem::P))));
}

// The butterfly on the pairs (i, i + h) inside each group of 2h lanes of x, h = 4, 2 or 1:
// `swapped` holds each lane's partner, so the lanes of the upper halves (the set bits of
// UpperMask, a blend immediate) take partner - self.
template <int UpperMask>
KOVRA_AVX2 inline __m256i butterfly_within(__m256i x, __m256i swapped, __m256i twiddles) {
  const __m256i sum = add8(x, swapped);
  __m256i diff = sub8(swapped, x);
  if constexpr (UpperMask != 0b10101010) diff = mul8(diff, twiddles);  // the 2-point twiddle is one
  return _mm256_blend_epi32(sum, diff, UpperMask);
}

template <size_t N>
constexpr std::array<uint32_t, 8> twiddle_lanes() {
  // Lane l of a group of N lanes (N = 8, 4) in its upper half takes INV_ROOTS[log N]^(l - N/2).
  std::array<uint32_t, 8> t{};
  for (size_t l = 0; l < 8; ++l) {
    const size_t i = l % N;
    t[l] = (i >= N / 2 ? INV_ROOTS[std::countr_zero(N)].pow(i - N / 2) : BabyBearElem::one()).raw();
  }
  return t;
}

}  // namespace

bool fri_has_avx2() { return __builtin_cpu_supports("avx2"); }

// Sixteen coefficients a step, in four groups of four: the lanes of group g hold
// x^(j+4g) .. x^(j+4g+3), each group advanced by x^16 in the vector (four independent chains of
// products); then four coefficients a step, advanced by x^4; the last few in scalar code.
KOVRA_AVX2 BabyBearExtElem poly_eval_planes_avx2(std::span<const uint32_t> planes,
                                                 BabyBearElem point) {
  const size_t n = planes.size() / 4;
  const BabyBearElem x2 = point * point;
  const BabyBearElem x3 = x2 * point;
  const BabyBearElem x4 = x2 * x2;
  const BabyBearElem x8 = x4 * x4;
  __m256i powers[4];
  powers[0] = _mm256_set_epi64x(x3.raw(), x2.raw(), point.raw(), BabyBearElem::one().raw());
  for (size_t g = 1; g < 4; ++g) powers[g] = mont_mul4(powers[g - 1], _mm256_set1_epi64x(x4.raw()));
  SplitSum sums[4];
  for (SplitSum& s : sums) s = {_mm256_setzero_si256(), _mm256_setzero_si256()};
  auto take = [&](size_t j, __m256i pw) KOVRA_AVX2 {
    for (size_t k = 0; k < 4; ++k) {
      const __m256i c = _mm256_cvtepu32_epi64(
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(planes.data() + k * n + j)));
      add_products(sums[k], _mm256_mul_epu32(c, pw));
    }
  };
  size_t j = 0;
  if (n >= 16) {
    const __m256i step16 = _mm256_set1_epi64x((x8 * x8).raw());
    for (; j + 16 <= n; j += 16) {
      for (size_t g = 0; g < 4; ++g) {
        take(j + 4 * g, powers[g]);
        powers[g] = mont_mul4(powers[g], step16);
      }
    }
  }
  const __m256i step4 = _mm256_set1_epi64x(x4.raw());
  for (; j + 4 <= n; j += 4) {
    take(j, powers[0]);
    powers[0] = mont_mul4(powers[0], step4);
  }
  alignas(32) uint64_t tail_powers[4];
  _mm256_store_si256(reinterpret_cast<__m256i*>(tail_powers), powers[0]);
  WideSum total[4];
  for (size_t k = 0; k < 4; ++k) {
    WideSum lanes[4];
    lane_sums(sums[k], lanes);
    total[k] = lanes[0] + lanes[1] + lanes[2] + lanes[3];
    for (size_t t = j; t < n; ++t) total[k] += uint64_t{planes[k * n + t]} * tail_powers[t - j];
  }
  return wide_reduce(total);
}

// The 16-point butterfly on each of the four planes (two vectors a plane), then the planes
// interleaved into extension elements.
KOVRA_AVX2 void fold_butterfly_avx2(std::span<const uint32_t, 64> row,
                                    std::span<BabyBearExtElem, 16> out) {
  static constexpr std::array<uint32_t, 8> kT16 = [] {
    std::array<uint32_t, 8> t{};
    for (size_t i = 0; i < 8; ++i) t[i] = INV_ROOTS[4].pow(i).raw();
    return t;
  }();
  static constexpr std::array<uint32_t, 8> kT8 = twiddle_lanes<8>();
  static constexpr std::array<uint32_t, 8> kT4 = twiddle_lanes<4>();
  const __m256i t16 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kT16.data()));
  const __m256i t8 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kT8.data()));
  const __m256i t4 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kT4.data()));
  alignas(32) uint32_t planes[4][16];
  for (size_t k = 0; k < 4; ++k) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row.data() + 16 * k));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row.data() + 16 * k + 8));
    __m256i half[2] = {add8(a, b), mul8(sub8(a, b), t16)};
    for (__m256i& x : half) {
      x = butterfly_within<0b11110000>(x, _mm256_permute2x128_si256(x, x, 0x01), t8);
      x = butterfly_within<0b11001100>(x, _mm256_shuffle_epi32(x, _MM_SHUFFLE(1, 0, 3, 2)), t4);
      x = butterfly_within<0b10101010>(x, _mm256_shuffle_epi32(x, _MM_SHUFFLE(2, 3, 0, 1)), x);
    }
    _mm256_store_si256(reinterpret_cast<__m256i*>(planes[k]), half[0]);
    _mm256_store_si256(reinterpret_cast<__m256i*>(planes[k] + 8), half[1]);
  }
  for (size_t j = 0; j < 16; ++j)
    out[j] = BabyBearExtElem(BabyBearElem::from_raw(planes[0][j]), BabyBearElem::from_raw(planes[1][j]),
                             BabyBearElem::from_raw(planes[2][j]), BabyBearElem::from_raw(planes[3][j]));
}

// One term a step: the opened value in every lane times the four words of its mix power.
KOVRA_AVX2 BabyBearExtElem deep_term_sum_avx2(std::span<const DeepTerm> terms,
                                              const uint32_t* const source[4]) {
  SplitSum s{_mm256_setzero_si256(), _mm256_setzero_si256()};
  for (const DeepTerm& t : terms) {
    const __m256i v = _mm256_set1_epi32(static_cast<int>(source[t.source][t.column]));
    const __m256i pow = _mm256_cvtepu32_epi64(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(t.mix_pow.data())));
    add_products(s, _mm256_mul_epu32(v, pow));
  }
  WideSum lanes[4];
  lane_sums(s, lanes);
  return wide_reduce(lanes);
}

#else

bool fri_has_avx2() { return false; }

BabyBearExtElem poly_eval_planes_avx2(std::span<const uint32_t> planes, BabyBearElem point) {
  return poly_eval_planes_portable(planes, point);
}

BabyBearExtElem deep_term_sum_avx2(std::span<const DeepTerm> terms,
                                   const uint32_t* const source[4]) {
  return deep_term_sum_portable(terms, source);
}

void fold_butterfly_avx2(std::span<const uint32_t, 64> row, std::span<BabyBearExtElem, 16> out) {
  fold_butterfly_portable(row, out);
}

#endif

}  // namespace kovra::stark
