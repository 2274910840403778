// Montgomery product and sum of two products for x86-64 processors with BMI2 and ADX.
//
// The same operand-scanning algorithm as mont.h, each pass written with mulx and the two
// independent carry chains of adcx (CF) and adox (OF): a product pass is a multiply-accumulate
// block and a reduction block, a pass of a sum of two products one block. The caller rotates
// the five state words, so the compiler allocates the registers. The result is left below 2m
// for the caller's single conditional subtraction. Used only when the processor has
// both extensions (see `have_adx`), and only in optimised builds, which can give its blocks
// the registers they name.
#pragma once

#include <cstdint>

#if defined(__x86_64__) && defined(__GNUC__) && defined(__OPTIMIZE__)
#include <cpuid.h>
#define KOVRA_BN254_HAVE_ADX_PATH 1
#endif

namespace kovra::bn254::detail {

#ifdef KOVRA_BN254_HAVE_ADX_PATH

// Read once at start-up from cpuid leaf 7 (EBX bit 8: BMI2, bit 19: ADX). Until it is set
// the portable form runs, which gives the same results.
inline const bool have_adx = [] {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
  return ((ebx >> 8) & 1) != 0 && ((ebx >> 19) & 1) != 0;
}();

// The modulus words and the reduction constant side by side, reachable from one register.
template <class Params>
inline constexpr uint64_t kModulusAndInv[5] = {Params::kModulus[0], Params::kModulus[1],
                                              Params::kModulus[2], Params::kModulus[3],
                                              Params::kInv};

// t += a·b (four words by one, into five words t0..t4; t4 is overwritten, not added to).
inline void adx_mul_word(uint64_t& t0, uint64_t& t1, uint64_t& t2, uint64_t& t3, uint64_t& t4,
                         const uint64_t* a, uint64_t b) {
  uint64_t lo, hi;
  __asm__(
      "xorl %k[t4], %k[t4]\n\t"
      "mulxq 0(%[a]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t0]\n\t"
      "adcxq %[hi], %[t1]\n\t"
      "mulxq 8(%[a]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t1]\n\t"
      "adcxq %[hi], %[t2]\n\t"
      "mulxq 16(%[a]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t2]\n\t"
      "adcxq %[hi], %[t3]\n\t"
      "mulxq 24(%[a]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t3]\n\t"
      "adcxq %[hi], %[t4]\n\t"
      "movl $0, %k[lo]\n\t"
      "adoxq %[lo], %[t4]\n\t"
      : [t0] "+&r"(t0), [t1] "+&r"(t1), [t2] "+&r"(t2), [t3] "+&r"(t3), [t4] "=&r"(t4),
        [lo] "=&r"(lo), [hi] "=&r"(hi)
      : [a] "r"(a), "d"(b), "m"(*reinterpret_cast<const uint64_t(*)[4]>(a))
      : "cc");
}

// t += a·b into five words whose top word t4 already holds a value (added to).
inline void adx_mul_word_acc(uint64_t& t0, uint64_t& t1, uint64_t& t2, uint64_t& t3,
                             uint64_t& t4, const uint64_t* a, uint64_t b) {
  uint64_t lo, hi;
  __asm__(
      "xorl %k[lo], %k[lo]\n\t"
      "mulxq 0(%[a]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t0]\n\t"
      "adcxq %[hi], %[t1]\n\t"
      "mulxq 8(%[a]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t1]\n\t"
      "adcxq %[hi], %[t2]\n\t"
      "mulxq 16(%[a]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t2]\n\t"
      "adcxq %[hi], %[t3]\n\t"
      "mulxq 24(%[a]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t3]\n\t"
      "adcxq %[hi], %[t4]\n\t"
      "movl $0, %k[lo]\n\t"
      "adoxq %[lo], %[t4]\n\t"
      : [t0] "+&r"(t0), [t1] "+&r"(t1), [t2] "+&r"(t2), [t3] "+&r"(t3), [t4] "+&r"(t4),
        [lo] "=&r"(lo), [hi] "=&r"(hi)
      : [a] "r"(a), "d"(b), "m"(*reinterpret_cast<const uint64_t(*)[4]>(a))
      : "cc");
}

// One reduction step: k = t0·inv, t += k·m; afterwards t0 is zero and the value is t1..t4.
inline void adx_reduce_word(uint64_t& t0, uint64_t& t1, uint64_t& t2, uint64_t& t3, uint64_t& t4,
                            const uint64_t* m, uint64_t inv) {
  uint64_t lo, hi, k = t0 * inv;
  __asm__(
      "xorl %k[lo], %k[lo]\n\t"
      "mulxq 0(%[m]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t0]\n\t"
      "adcxq %[hi], %[t1]\n\t"
      "mulxq 8(%[m]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t1]\n\t"
      "adcxq %[hi], %[t2]\n\t"
      "mulxq 16(%[m]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t2]\n\t"
      "adcxq %[hi], %[t3]\n\t"
      "mulxq 24(%[m]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t3]\n\t"
      "adcxq %[hi], %[t4]\n\t"
      "movl $0, %k[lo]\n\t"
      "adoxq %[lo], %[t4]\n\t"
      : [t0] "+&r"(t0), [t1] "+&r"(t1), [t2] "+&r"(t2), [t3] "+&r"(t3), [t4] "+&r"(t4),
        [lo] "=&r"(lo), [hi] "=&r"(hi)
      : [m] "r"(m), "d"(k), "m"(*reinterpret_cast<const uint64_t(*)[4]>(m))
      : "cc");
}

// One whole pass of a sum of two products as a single block: t += a0·b0j + a1·b1j, then one
// reduction step. The flags are clear between the three parts (each part's value fits its five
// words, so neither chain carries out), so only the first part starts a new chain; k is formed
// with mulx, which leaves the flags alone. Afterwards t0 is zero and the value is t1..t4.
template <class Params>
inline void adx_sop_pass(uint64_t& t0, uint64_t& t1, uint64_t& t2, uint64_t& t3, uint64_t& t4,
                         const uint64_t* a0, const uint64_t* a1, const uint64_t& b0j,
                         const uint64_t& b1j) {
  uint64_t lo, hi;
  __asm__(
      "movq %[b0j], %%rdx\n\t"
      "xorl %k[t4], %k[t4]\n\t"
      "mulxq 0(%[a0]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t0]\n\t"
      "adcxq %[hi], %[t1]\n\t"
      "mulxq 8(%[a0]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t1]\n\t"
      "adcxq %[hi], %[t2]\n\t"
      "mulxq 16(%[a0]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t2]\n\t"
      "adcxq %[hi], %[t3]\n\t"
      "mulxq 24(%[a0]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t3]\n\t"
      "adcxq %[hi], %[t4]\n\t"
      "movl $0, %k[lo]\n\t"
      "adoxq %[lo], %[t4]\n\t"
      "movq %[b1j], %%rdx\n\t"
      "mulxq 0(%[a1]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t0]\n\t"
      "adcxq %[hi], %[t1]\n\t"
      "mulxq 8(%[a1]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t1]\n\t"
      "adcxq %[hi], %[t2]\n\t"
      "mulxq 16(%[a1]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t2]\n\t"
      "adcxq %[hi], %[t3]\n\t"
      "mulxq 24(%[a1]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t3]\n\t"
      "adcxq %[hi], %[t4]\n\t"
      "movl $0, %k[lo]\n\t"
      "adoxq %[lo], %[t4]\n\t"
      "movq %[t0], %%rdx\n\t"
      "mulxq 32(%[mi]), %%rdx, %[hi]\n\t"
      "mulxq 0(%[mi]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t0]\n\t"
      "adcxq %[hi], %[t1]\n\t"
      "mulxq 8(%[mi]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t1]\n\t"
      "adcxq %[hi], %[t2]\n\t"
      "mulxq 16(%[mi]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t2]\n\t"
      "adcxq %[hi], %[t3]\n\t"
      "mulxq 24(%[mi]), %[lo], %[hi]\n\t"
      "adoxq %[lo], %[t3]\n\t"
      "adcxq %[hi], %[t4]\n\t"
      "movl $0, %k[lo]\n\t"
      "adoxq %[lo], %[t4]\n\t"
      : [t0] "+&r"(t0), [t1] "+&r"(t1), [t2] "+&r"(t2), [t3] "+&r"(t3), [t4] "=&r"(t4),
        [lo] "=&r"(lo), [hi] "=&r"(hi)
      : [a0] "r"(a0), [a1] "r"(a1), [mi] "r"(kModulusAndInv<Params>), [b0j] "m"(b0j),
        [b1j] "m"(b1j), "m"(*reinterpret_cast<const uint64_t(*)[4]>(a0)),
        "m"(*reinterpret_cast<const uint64_t(*)[4]>(a1))
      : "rdx", "cc");
}

// a·b/R mod m, below 2m.
template <class Params>
inline void adx_mul(uint64_t out[4], const uint64_t* a, const uint64_t* b) {
  const uint64_t* m = Params::kModulus.data();
  uint64_t t0 = 0, t1 = 0, t2 = 0, t3 = 0, t4;
  for (int i = 0; i < 4; ++i) {
    adx_mul_word(t0, t1, t2, t3, t4, a, b[i]);
    adx_reduce_word(t0, t1, t2, t3, t4, m, Params::kInv);
    t0 = t1;
    t1 = t2;
    t2 = t3;
    t3 = t4;
  }
  out[0] = t0;
  out[1] = t1;
  out[2] = t2;
  out[3] = t3;
}

// (a0·b0 + a1·b1)/R mod m, below 2m.
template <class Params>
inline void adx_sum_of_two_products(uint64_t out[4], const uint64_t* a0, const uint64_t* a1,
                                    const uint64_t* b0, const uint64_t* b1) {
  const uint64_t* m = Params::kModulus.data();
  uint64_t t0 = 0, t1 = 0, t2 = 0, t3 = 0, t4;
  for (int j = 0; j < 4; ++j) {
    adx_mul_word(t0, t1, t2, t3, t4, a0, b0[j]);
    adx_mul_word_acc(t0, t1, t2, t3, t4, a1, b1[j]);
    adx_reduce_word(t0, t1, t2, t3, t4, m, Params::kInv);
    t0 = t1;
    t1 = t2;
    t2 = t3;
    t3 = t4;
  }
  out[0] = t0;
  out[1] = t1;
  out[2] = t2;
  out[3] = t3;
}

// Two independent products a·b/R and c·d/R with their passes interleaved; each below 2m.
template <class Params>
inline void adx_two_products(uint64_t out0[4], uint64_t out1[4], const uint64_t* a,
                             const uint64_t* b, const uint64_t* c, const uint64_t* d) {
  const uint64_t* m = Params::kModulus.data();
  uint64_t t0 = 0, t1 = 0, t2 = 0, t3 = 0, t4;
  uint64_t u0 = 0, u1 = 0, u2 = 0, u3 = 0, u4;
  for (int i = 0; i < 4; ++i) {
    adx_mul_word(t0, t1, t2, t3, t4, a, b[i]);
    adx_mul_word(u0, u1, u2, u3, u4, c, d[i]);
    adx_reduce_word(t0, t1, t2, t3, t4, m, Params::kInv);
    adx_reduce_word(u0, u1, u2, u3, u4, m, Params::kInv);
    t0 = t1;
    t1 = t2;
    t2 = t3;
    t3 = t4;
    u0 = u1;
    u1 = u2;
    u2 = u3;
    u3 = u4;
  }
  out0[0] = t0;
  out0[1] = t1;
  out0[2] = t2;
  out0[3] = t3;
  out1[0] = u0;
  out1[1] = u1;
  out1[2] = u2;
  out1[3] = u3;
}

// Two independent sums of two products, (a0·b0 + a1·b1)/R and (c0·d0 + c1·d1)/R, with their
// passes interleaved so that the processor overlaps the two carry-chain sequences. Each result
// is below 2m.
template <class Params>
inline void adx_two_sums_of_two_products(uint64_t out0[4], uint64_t out1[4], const uint64_t* a0,
                                         const uint64_t* a1, const uint64_t* b0,
                                         const uint64_t* b1, const uint64_t* c0,
                                         const uint64_t* c1, const uint64_t* d0,
                                         const uint64_t* d1) {
  uint64_t t0 = 0, t1 = 0, t2 = 0, t3 = 0, t4;
  uint64_t u0 = 0, u1 = 0, u2 = 0, u3 = 0, u4;
  for (int j = 0; j < 4; ++j) {
    adx_sop_pass<Params>(t0, t1, t2, t3, t4, a0, a1, b0[j], b1[j]);
    adx_sop_pass<Params>(u0, u1, u2, u3, u4, c0, c1, d0[j], d1[j]);
    t0 = t1;
    t1 = t2;
    t2 = t3;
    t3 = t4;
    u0 = u1;
    u1 = u2;
    u2 = u3;
    u3 = u4;
  }
  out0[0] = t0;
  out0[1] = t1;
  out0[2] = t2;
  out0[3] = t3;
  out1[0] = u0;
  out1[1] = u1;
  out1[2] = u2;
  out1[3] = u3;
}

#endif

}  // namespace kovra::bn254::detail
