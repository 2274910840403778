// AVX2 kernels of the per-query sums: the same exact sums as the portable path, with four
// 32 x 32 -> 64-bit products per instruction. Each product is split into its low and high 32
// bits, summed apart in 64-bit lanes (no overflow for fewer than 2^32 products) and put
// together in 128 bits at the end. Compiled for AVX2 whatever the build's target; only called
// where the processor has it.
#include "stark/fri.h"

#include "wide_sum.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KOVRA_HAVE_AVX2_PATH 1
#endif

namespace kovra::stark {

#if KOVRA_HAVE_AVX2_PATH

namespace {

#define KOVRA_AVX2 __attribute__((target("avx2")))

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

#endif

}  // namespace kovra::stark
