// Four-word Montgomery arithmetic shared by the base field and the scalar field.
//
// A value is four 64-bit words, least significant first. `Params` supplies the modulus m
// (below 2^254, so that its top word is below 2^63 - 1 and the products below need no fifth
// word), INV = -m^-1 mod 2^64 and R2 = R^2 mod m with R = 2^256. Every routine here takes
// values below m and returns a value below m. All of it is constexpr so that the field
// constants can be computed while compiling.
#pragma once

#if defined(__x86_64__)
#include <x86intrin.h>
#endif

#include <array>
#include <cstdint>
#include <type_traits>

#include "bn254/detail/mont_adx.h"

namespace kovra::bn254 {

using Limbs = std::array<uint64_t, 4>;

namespace detail {

__extension__ typedef unsigned __int128 u128;

constexpr uint64_t lo64(u128 v) { return static_cast<uint64_t>(v); }
constexpr uint64_t hi64(u128 v) { return static_cast<uint64_t>(v >> 64); }

// a + b*c + carry, returning the low word and leaving the high word in carry.
constexpr uint64_t mac(uint64_t a, uint64_t b, uint64_t c, uint64_t& carry) {
  const u128 t = static_cast<u128>(a) + static_cast<u128>(b) * c + carry;
  carry = hi64(t);
  return lo64(t);
}

// a + b + carry with a one-bit carry in and out (a wider carry is a bug: use mac).
// On x86-64 the carry intrinsics at run time; elsewhere (and while compiling) a 128-bit sum,
// which the compiler turns into the processor's add-with-carry.
constexpr uint64_t adc(uint64_t a, uint64_t b, uint64_t& carry) {
#if defined(__x86_64__)
  if (!std::is_constant_evaluated()) {
    unsigned long long out;
    carry = _addcarry_u64(static_cast<unsigned char>(carry), a, b, &out);
    return out;
  }
#endif
  const u128 t = static_cast<u128>(a) + b + carry;
  carry = hi64(t);
  return lo64(t);
}

// a - b - borrow with a one-bit borrow in and out.
constexpr uint64_t sbb(uint64_t a, uint64_t b, uint64_t& borrow) {
#if defined(__x86_64__)
  if (!std::is_constant_evaluated()) {
    unsigned long long out;
    borrow = _subborrow_u64(static_cast<unsigned char>(borrow), a, b, &out);
    return out;
  }
#endif
  const u128 t = static_cast<u128>(a) - b - borrow;
  borrow = static_cast<uint64_t>(t >> 127);
  return lo64(t);
}

constexpr bool limbs_is_zero(const Limbs& a) { return (a[0] | a[1] | a[2] | a[3]) == 0; }

// a < b as 256-bit integers.
constexpr bool limbs_less(const Limbs& a, const Limbs& b) {
  uint64_t borrow = 0;
  sbb(a[0], b[0], borrow);
  sbb(a[1], b[1], borrow);
  sbb(a[2], b[2], borrow);
  sbb(a[3], b[3], borrow);
  return borrow != 0;
}

// (a0..a3) minus m if that does not go below zero (one conditional subtraction), written
// with scalars and selects so that it compiles to a borrow chain and conditional moves.
template <class Params>
constexpr void reduce_once(uint64_t& a0, uint64_t& a1, uint64_t& a2, uint64_t& a3) {
  constexpr const Limbs& m = Params::kModulus;
  uint64_t borrow = 0;
  const uint64_t d0 = sbb(a0, m[0], borrow);
  const uint64_t d1 = sbb(a1, m[1], borrow);
  const uint64_t d2 = sbb(a2, m[2], borrow);
  const uint64_t d3 = sbb(a3, m[3], borrow);
  a0 = borrow ? a0 : d0;
  a1 = borrow ? a1 : d1;
  a2 = borrow ? a2 : d2;
  a3 = borrow ? a3 : d3;
}

template <class Params>
constexpr void reduce_once(Limbs& a) {
  uint64_t a0 = a[0], a1 = a[1], a2 = a[2], a3 = a[3];
  reduce_once<Params>(a0, a1, a2, a3);
  a = {a0, a1, a2, a3};
}

// Sums of values below m < 2^254 stay below 2^255: no carry leaves the top word.
template <class Params>
constexpr void add_assign(Limbs& a, const Limbs& b) {
  uint64_t carry = 0;
  uint64_t a0 = adc(a[0], b[0], carry);
  uint64_t a1 = adc(a[1], b[1], carry);
  uint64_t a2 = adc(a[2], b[2], carry);
  uint64_t a3 = adc(a[3], b[3], carry);
  reduce_once<Params>(a0, a1, a2, a3);
  a = {a0, a1, a2, a3};
}

template <class Params>
constexpr void sub_assign(Limbs& a, const Limbs& b) {
  constexpr const Limbs& m = Params::kModulus;
  uint64_t borrow = 0;
  uint64_t a0 = sbb(a[0], b[0], borrow);
  uint64_t a1 = sbb(a[1], b[1], borrow);
  uint64_t a2 = sbb(a[2], b[2], borrow);
  uint64_t a3 = sbb(a[3], b[3], borrow);
  // On a borrow the difference wrapped around 2^256: adding m back gives a - b + m.
  const uint64_t mask = 0 - borrow;
  uint64_t carry = 0;
  a0 = adc(a0, m[0] & mask, carry);
  a1 = adc(a1, m[1] & mask, carry);
  a2 = adc(a2, m[2] & mask, carry);
  a3 = adc(a3, m[3] & mask, carry);
  a = {a0, a1, a2, a3};
}

template <class Params>
constexpr void double_in_place(Limbs& a) {
  uint64_t a3 = (a[3] << 1) | (a[2] >> 63);
  uint64_t a2 = (a[2] << 1) | (a[1] >> 63);
  uint64_t a1 = (a[1] << 1) | (a[0] >> 63);
  uint64_t a0 = a[0] << 1;
  reduce_once<Params>(a0, a1, a2, a3);
  a = {a0, a1, a2, a3};
}

// a/2 mod m: a itself when even, else a + m (below 2^255, so no bit is lost); then one shift.
// The Montgomery form of a/2 is the half of the form of a, so this needs no product.
template <class Params>
constexpr Limbs halve(const Limbs& a) {
  constexpr const Limbs& m = Params::kModulus;
  const uint64_t mask = 0 - (a[0] & 1);
  uint64_t carry = 0;
  const uint64_t s0 = adc(a[0], m[0] & mask, carry);
  const uint64_t s1 = adc(a[1], m[1] & mask, carry);
  const uint64_t s2 = adc(a[2], m[2] & mask, carry);
  const uint64_t s3 = adc(a[3], m[3] & mask, carry);
  return {(s0 >> 1) | (s1 << 63), (s1 >> 1) | (s2 << 63), (s2 >> 1) | (s3 << 63), s3 >> 1};
}

template <class Params>
constexpr Limbs neg(const Limbs& a) {
  if (limbs_is_zero(a)) return a;
  constexpr const Limbs& m = Params::kModulus;
  uint64_t borrow = 0;
  const uint64_t r0 = sbb(m[0], a[0], borrow);
  const uint64_t r1 = sbb(m[1], a[1], borrow);
  const uint64_t r2 = sbb(m[2], a[2], borrow);
  const uint64_t r3 = sbb(m[3], a[3], borrow);
  return {r0, r1, r2, r3};
}

// Montgomery product a*b/R mod m: operand scanning with the reduction interleaved, one pass
// per word of b, four words of state and no fifth word.
template <class Params>
constexpr Limbs mul_portable(const Limbs& a, const Limbs& b) {
  constexpr const Limbs& m = Params::kModulus;
  uint64_t t0 = 0, t1 = 0, t2 = 0, t3 = 0;
  for (int i = 0; i < 4; ++i) {
    const uint64_t bi = b[i];
    uint64_t c1 = 0;
    t0 = mac(t0, a[0], bi, c1);
    const uint64_t k = t0 * Params::kInv;
    uint64_t c2 = 0;
    mac(t0, k, m[0], c2);
    t1 = mac(t1, a[1], bi, c1);
    t0 = mac(t1, k, m[1], c2);
    t2 = mac(t2, a[2], bi, c1);
    t1 = mac(t2, k, m[2], c2);
    t3 = mac(t3, a[3], bi, c1);
    t2 = mac(t3, k, m[3], c2);
    t3 = c1 + c2;
  }
  reduce_once<Params>(t0, t1, t2, t3);
  return {t0, t1, t2, t3};
}

// Montgomery square: the eight-word square (each cross product once, doubled), then four
// reduction passes.
template <class Params>
constexpr Limbs square_portable(const Limbs& a) {
  constexpr const Limbs& m = Params::kModulus;
  uint64_t r[8] = {};
  uint64_t c = 0;
  r[1] = mac(0, a[0], a[1], c);
  r[2] = mac(0, a[0], a[2], c);
  r[3] = mac(0, a[0], a[3], c);
  r[4] = c;
  c = 0;
  r[3] = mac(r[3], a[1], a[2], c);
  r[4] = mac(r[4], a[1], a[3], c);
  r[5] = c;
  c = 0;
  r[5] = mac(r[5], a[2], a[3], c);
  r[6] = c;
  r[7] = r[6] >> 63;
  r[6] = (r[6] << 1) | (r[5] >> 63);
  r[5] = (r[5] << 1) | (r[4] >> 63);
  r[4] = (r[4] << 1) | (r[3] >> 63);
  r[3] = (r[3] << 1) | (r[2] >> 63);
  r[2] = (r[2] << 1) | (r[1] >> 63);
  r[1] <<= 1;
  c = 0;
  r[0] = mac(0, a[0], a[0], c);
  r[1] = mac(r[1], 0, 0, c);
  r[2] = mac(r[2], a[1], a[1], c);
  r[3] = mac(r[3], 0, 0, c);
  r[4] = mac(r[4], a[2], a[2], c);
  r[5] = mac(r[5], 0, 0, c);
  r[6] = mac(r[6], a[3], a[3], c);
  r[7] = mac(r[7], 0, 0, c);

  uint64_t carry2 = 0;
  for (int i = 0; i < 4; ++i) {
    const uint64_t k = r[i] * Params::kInv;
    uint64_t carry = 0;
    mac(r[i], k, m[0], carry);
    r[i + 1] = mac(r[i + 1], k, m[1], carry);
    r[i + 2] = mac(r[i + 2], k, m[2], carry);
    r[i + 3] = mac(r[i + 3], k, m[3], carry);
    r[i + 4] = adc(r[i + 4], carry, carry2);
  }
  reduce_once<Params>(r[4], r[5], r[6], r[7]);
  return {r[4], r[5], r[6], r[7]};
}

// a0*b0 + a1*b1 with one Montgomery reduction: per word position j, both one-by-four
// products are accumulated into a five-word value before a single reduction step.
template <class Params>
constexpr Limbs sum_of_two_products_portable(const Limbs& a0, const Limbs& a1,
                                             const Limbs& b0, const Limbs& b1) {
  constexpr const Limbs& m = Params::kModulus;
  uint64_t t0 = 0, t1 = 0, t2 = 0, t3 = 0, t4 = 0;
  for (int j = 0; j < 4; ++j) {
    uint64_t c = 0;
    t0 = mac(t0, a0[0], b0[j], c);
    t1 = mac(t1, a0[1], b0[j], c);
    t2 = mac(t2, a0[2], b0[j], c);
    t3 = mac(t3, a0[3], b0[j], c);
    t4 += c;
    c = 0;
    t0 = mac(t0, a1[0], b1[j], c);
    t1 = mac(t1, a1[1], b1[j], c);
    t2 = mac(t2, a1[2], b1[j], c);
    t3 = mac(t3, a1[3], b1[j], c);
    t4 += c;
    const uint64_t k = t0 * Params::kInv;
    c = 0;
    mac(t0, k, m[0], c);
    t0 = mac(t1, k, m[1], c);
    t1 = mac(t2, k, m[2], c);
    t2 = mac(t3, k, m[3], c);
    t3 = t4 + c;
    t4 = 0;
  }
  reduce_once<Params>(t0, t1, t2, t3);
  return {t0, t1, t2, t3};
}

// Out-of-line copies of the portable forms, for the run-time fallback: they keep the call
// sites of the fast path small.
template <class Params>
[[gnu::noinline, gnu::cold]] Limbs mul_fallback(const Limbs& a, const Limbs& b) {
  return mul_portable<Params>(a, b);
}
template <class Params>
[[gnu::noinline, gnu::cold]] Limbs square_fallback(const Limbs& a) {
  return square_portable<Params>(a);
}
template <class Params>
[[gnu::noinline, gnu::cold]] Limbs sum_of_two_products_fallback(const Limbs& a0, const Limbs& a1,
                                                               const Limbs& b0, const Limbs& b1) {
  return sum_of_two_products_portable<Params>(a0, a1, b0, b1);
}

// The entry points: the mulx/adcx/adox form on processors that have it, the portable form
// otherwise and while compiling. Both give the same, fully reduced, result.
template <class Params>
constexpr Limbs mul(const Limbs& a, const Limbs& b) {
  if (std::is_constant_evaluated()) return mul_portable<Params>(a, b);
#ifdef KOVRA_BN254_HAVE_ADX_PATH
  if (__builtin_expect(have_adx, 1)) {
    Limbs r;
    adx_mul<Params>(r.data(), a.data(), b.data());
    reduce_once<Params>(r[0], r[1], r[2], r[3]);
    return r;
  }
#endif
  return mul_fallback<Params>(a, b);
}

template <class Params>
constexpr Limbs square(const Limbs& a) {
  if (std::is_constant_evaluated()) return square_portable<Params>(a);
#ifdef KOVRA_BN254_HAVE_ADX_PATH
  // With mulx and two carry chains the plain product is faster than a separate squaring.
  if (__builtin_expect(have_adx, 1)) return mul<Params>(a, a);
#endif
  return square_fallback<Params>(a);
}

template <class Params>
constexpr Limbs sum_of_two_products(const Limbs& a0, const Limbs& a1, const Limbs& b0,
                                    const Limbs& b1) {
  if (std::is_constant_evaluated()) return sum_of_two_products_portable<Params>(a0, a1, b0, b1);
#ifdef KOVRA_BN254_HAVE_ADX_PATH
  if (__builtin_expect(have_adx, 1)) {
    Limbs r;
    adx_sum_of_two_products<Params>(r.data(), a0.data(), a1.data(), b0.data(), b1.data());
    reduce_once<Params>(r[0], r[1], r[2], r[3]);
    return r;
  }
#endif
  return sum_of_two_products_fallback<Params>(a0, a1, b0, b1);
}

// Two products at once: r0 = a·b, r1 = c·d.
template <class Params>
constexpr void two_products(Limbs& r0, Limbs& r1, const Limbs& a, const Limbs& b, const Limbs& c,
                            const Limbs& d) {
#ifdef KOVRA_BN254_HAVE_ADX_PATH
  if (!std::is_constant_evaluated() && __builtin_expect(have_adx, 1)) {
    adx_two_products<Params>(r0.data(), r1.data(), a.data(), b.data(), c.data(), d.data());
    reduce_once<Params>(r0[0], r0[1], r0[2], r0[3]);
    reduce_once<Params>(r1[0], r1[1], r1[2], r1[3]);
    return;
  }
#endif
  r0 = mul<Params>(a, b);
  r1 = mul<Params>(c, d);
}

// Two sums of two products at once (the two parts of an Fq2 product).
template <class Params>
constexpr void two_sums_of_two_products(Limbs& r0, Limbs& r1, const Limbs& a0, const Limbs& a1,
                                        const Limbs& b0, const Limbs& b1, const Limbs& c0,
                                        const Limbs& c1, const Limbs& d0, const Limbs& d1) {
#ifdef KOVRA_BN254_HAVE_ADX_PATH
  if (!std::is_constant_evaluated() && __builtin_expect(have_adx, 1)) {
    adx_two_sums_of_two_products<Params>(r0.data(), r1.data(), a0.data(), a1.data(), b0.data(),
                                         b1.data(), c0.data(), c1.data(), d0.data(), d1.data());
    reduce_once<Params>(r0[0], r0[1], r0[2], r0[3]);
    reduce_once<Params>(r1[0], r1[1], r1[2], r1[3]);
    return;
  }
#endif
  r0 = sum_of_two_products<Params>(a0, a1, b0, b1);
  r1 = sum_of_two_products<Params>(c0, c1, d0, d1);
}

// a + b as an operand of a product, left below 2m on the mulx path (reduced as usual on the
// portable path). Allowed as either operand of a single product (mul, two_products), and as the
// word-scanned operands b0, b1 of a sum of two products a0·b0 + a1·b1 whose a0, a1 are below m.
// Each pass keeps its state below the sum of the multiplicands plus m (at most 3m < 2^256),
// and the products stay below 4m^2 < m·R, so the result is below 2m before its final
// subtraction.
template <class Params>
constexpr Limbs add_for_product(const Limbs& a, const Limbs& b) {
#ifdef KOVRA_BN254_HAVE_ADX_PATH
  if (!std::is_constant_evaluated() && __builtin_expect(have_adx, 1)) {
    // Scalars rather than a loop over an array: the compiler keeps them in registers.
    uint64_t carry = 0;
    const uint64_t s0 = adc(a[0], b[0], carry);
    const uint64_t s1 = adc(a[1], b[1], carry);
    const uint64_t s2 = adc(a[2], b[2], carry);
    const uint64_t s3 = adc(a[3], b[3], carry);
    return {s0, s1, s2, s3};
  }
#endif
  Limbs r = a;
  add_assign<Params>(r, b);
  return r;
}

// Reduction of a small multiple: x mod m for a five-word x below 2^257 (so at least below
// 10m, m being above 2^253). The top bits y = x >> 250 give the quotient estimate
// q = floor(y·2^250/m) from a table; q·m <= x, and x - q·m < 2^250 + m < 2m, so one
// conditional subtraction ends it. Needs m > 2^253 (q stays below 11).
template <class Params>
struct SmallQuotients {
  static constexpr size_t kTop = 128;  // y < 2^7
  static constexpr size_t kMultiples = 11;
  // multiples[k] = k·m, five words.
  std::array<std::array<uint64_t, 5>, kMultiples> multiples{};
  std::array<uint8_t, kTop> quotient{};

  constexpr SmallQuotients() {
    constexpr const Limbs& m = Params::kModulus;
    for (size_t k = 1; k < kMultiples; ++k) {
      uint64_t carry = 0;
      for (size_t i = 0; i < 4; ++i) {
        const u128 t = static_cast<u128>(multiples[k - 1][i]) + m[i] + carry;
        multiples[k][i] = lo64(t);
        carry = hi64(t);
      }
      multiples[k][4] = multiples[k - 1][4] + carry;
    }
    for (size_t y = 0; y < kTop; ++y) {
      // y·2^250 as five words: bits 58..63 of word 3 and word 4.
      const uint64_t w3 = static_cast<uint64_t>(y) << 58, w4 = static_cast<uint64_t>(y) >> 6;
      uint8_t q = 0;
      for (size_t k = 1; k < kMultiples; ++k) {
        const auto& km = multiples[k];
        const bool le = km[4] != w4 ? km[4] < w4
                                    : (km[3] != w3 ? km[3] < w3
                                                   : (km[2] | km[1] | km[0]) == 0);
        if (le) q = static_cast<uint8_t>(k);
      }
      quotient[y] = q;
    }
  }
};

template <class Params>
inline constexpr SmallQuotients<Params> kSmallQuotients{};

template <class Params>
constexpr Limbs reduce_small_multiple(const std::array<uint64_t, 5>& x) {
  const auto& table = kSmallQuotients<Params>;
  const uint64_t y = (x[4] << 6) | (x[3] >> 58);
  const auto& qm = table.multiples[table.quotient[y]];
  // x - q·m is below 2m < 2^255, so its four low words are all of it (the borrow out of them
  // cancels the difference of the fifth words).
  uint64_t borrow = 0;
  uint64_t r0 = sbb(x[0], qm[0], borrow);
  uint64_t r1 = sbb(x[1], qm[1], borrow);
  uint64_t r2 = sbb(x[2], qm[2], borrow);
  uint64_t r3 = sbb(x[3], qm[3], borrow);
  reduce_once<Params>(r0, r1, r2, r3);
  return {r0, r1, r2, r3};
}

// 9·a + c as five words, for a and c below m (below 10m): 8a by shifts, then + a and + c.
constexpr std::array<uint64_t, 5> nine_times_plus(const Limbs& a, const Limbs& c) {
  uint64_t x4 = a[3] >> 61;
  uint64_t x3 = (a[3] << 3) | (a[2] >> 61);
  uint64_t x2 = (a[2] << 3) | (a[1] >> 61);
  uint64_t x1 = (a[1] << 3) | (a[0] >> 61);
  uint64_t x0 = a[0] << 3;
  uint64_t carry = 0;
  x0 = adc(x0, a[0], carry);
  x1 = adc(x1, a[1], carry);
  x2 = adc(x2, a[2], carry);
  x3 = adc(x3, a[3], carry);
  x4 += carry;
  carry = 0;
  x0 = adc(x0, c[0], carry);
  x1 = adc(x1, c[1], carry);
  x2 = adc(x2, c[2], carry);
  x3 = adc(x3, c[3], carry);
  x4 += carry;
  return {x0, x1, x2, x3, x4};
}

// 9·a + (m - b) as five words (below 10m), for a, b below m.
template <class Params>
constexpr std::array<uint64_t, 5> nine_times_minus(const Limbs& a, const Limbs& b) {
  constexpr const Limbs& m = Params::kModulus;
  uint64_t borrow = 0;
  const uint64_t n0 = sbb(m[0], b[0], borrow);
  const uint64_t n1 = sbb(m[1], b[1], borrow);
  const uint64_t n2 = sbb(m[2], b[2], borrow);
  const uint64_t n3 = sbb(m[3], b[3], borrow);
  return nine_times_plus(a, Limbs{n0, n1, n2, n3});
}

// Montgomery reduction of the four words alone (the product by one): the canonical integer of
// a stored value. No final subtraction is needed for a stored value below m.
template <class Params>
constexpr Limbs reduce_to_canonical(const Limbs& a) {
  constexpr const Limbs& m = Params::kModulus;
  uint64_t t[4] = {a[0], a[1], a[2], a[3]};
  for (int i = 0; i < 4; ++i) {
    const uint64_t k = t[0] * Params::kInv;
    uint64_t c = 0;
    mac(t[0], k, m[0], c);
    t[0] = mac(t[1], k, m[1], c);
    t[1] = mac(t[2], k, m[2], c);
    t[2] = mac(t[3], k, m[3], c);
    t[3] = c;
  }
  return {t[0], t[1], t[2], t[3]};
}

// The Montgomery form of v, or false when v is not below m.
template <class Params>
constexpr bool to_montgomery(const Limbs& v, Limbs& out) {
  if (limbs_is_zero(v)) {
    out = v;
    return true;
  }
  if (!limbs_less(v, Params::kModulus)) return false;
  out = mul<Params>(v, Params::kR2);
  return true;
}

}  // namespace detail
}  // namespace kovra::bn254
