// Four-word Montgomery arithmetic shared by the base field and the scalar field.
//
// A value is four 64-bit words, least significant first. `Params` supplies the modulus m
// (below 2^254, so that its top word is below 2^63 - 1 and the products below need no fifth
// word), INV = -m^-1 mod 2^64 and R2 = R^2 mod m with R = 2^256. Every routine here takes
// values below m and returns a value below m. All of it is constexpr so that the field
// constants can be computed while compiling.
#pragma once

#include <array>
#include <cstdint>

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

// a + b + carry with a one-bit carry in and out.
constexpr uint64_t adc(uint64_t a, uint64_t b, uint64_t& carry) {
  const u128 t = static_cast<u128>(a) + b + carry;
  carry = hi64(t);
  return lo64(t);
}

// a - b - borrow with a one-bit borrow in and out.
constexpr uint64_t sbb(uint64_t a, uint64_t b, uint64_t& borrow) {
  const u128 t = static_cast<u128>(a) - b - borrow;
  borrow = static_cast<uint64_t>(t >> 127);
  return lo64(t);
}

constexpr bool limbs_is_zero(const Limbs& a) { return (a[0] | a[1] | a[2] | a[3]) == 0; }

// a < b as 256-bit integers.
constexpr bool limbs_less(const Limbs& a, const Limbs& b) {
  uint64_t borrow = 0;
  for (int i = 0; i < 4; ++i) sbb(a[i], b[i], borrow);
  return borrow != 0;
}

// The value if it is below m, else the value minus m (one conditional subtraction).
template <class Params>
constexpr void reduce_once(Limbs& a) {
  constexpr const Limbs& m = Params::kModulus;
  uint64_t borrow = 0;
  Limbs d;
  for (int i = 0; i < 4; ++i) d[i] = sbb(a[i], m[i], borrow);
  const uint64_t keep = 0 - borrow;  // all ones when a < m: keep a
  for (int i = 0; i < 4; ++i) a[i] = (a[i] & keep) | (d[i] & ~keep);
}

template <class Params>
constexpr void add_assign(Limbs& a, const Limbs& b) {
  uint64_t carry = 0;
  for (int i = 0; i < 4; ++i) a[i] = adc(a[i], b[i], carry);
  reduce_once<Params>(a);
}

template <class Params>
constexpr void sub_assign(Limbs& a, const Limbs& b) {
  constexpr const Limbs& m = Params::kModulus;
  uint64_t borrow = 0;
  for (int i = 0; i < 4; ++i) a[i] = sbb(a[i], b[i], borrow);
  // On a borrow the difference wrapped around 2^256: adding m back gives a - b + m.
  const uint64_t mask = 0 - borrow;
  uint64_t carry = 0;
  for (int i = 0; i < 4; ++i) a[i] = adc(a[i], m[i] & mask, carry);
}

template <class Params>
constexpr void double_in_place(Limbs& a) {
  a[3] = (a[3] << 1) | (a[2] >> 63);
  a[2] = (a[2] << 1) | (a[1] >> 63);
  a[1] = (a[1] << 1) | (a[0] >> 63);
  a[0] <<= 1;
  reduce_once<Params>(a);
}

template <class Params>
constexpr Limbs neg(const Limbs& a) {
  if (limbs_is_zero(a)) return a;
  constexpr const Limbs& m = Params::kModulus;
  Limbs r;
  uint64_t borrow = 0;
  for (int i = 0; i < 4; ++i) r[i] = sbb(m[i], a[i], borrow);
  return r;
}

// Montgomery product a*b/R mod m: operand scanning with the reduction interleaved, one pass
// per word of b, four words of state and no fifth word.
template <class Params>
constexpr Limbs mul(const Limbs& a, const Limbs& b) {
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
  Limbs r = {t0, t1, t2, t3};
  reduce_once<Params>(r);
  return r;
}

// Montgomery square: the eight-word square (each cross product once, doubled), then four
// reduction passes.
template <class Params>
constexpr Limbs square(const Limbs& a) {
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
  r[1] = adc(r[1], 0, c);
  r[2] = mac(r[2], a[1], a[1], c);
  r[3] = adc(r[3], 0, c);
  r[4] = mac(r[4], a[2], a[2], c);
  r[5] = adc(r[5], 0, c);
  r[6] = mac(r[6], a[3], a[3], c);
  r[7] = adc(r[7], 0, c);

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
  Limbs out = {r[4], r[5], r[6], r[7]};
  reduce_once<Params>(out);
  return out;
}

// a0*b0 + a1*b1 with one Montgomery reduction: per word position j, both one-by-four
// products are accumulated into a five-word value before a single reduction step.
template <class Params>
constexpr Limbs sum_of_two_products(const Limbs& a0, const Limbs& a1, const Limbs& b0,
                                    const Limbs& b1) {
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
  Limbs r = {t0, t1, t2, t3};
  reduce_once<Params>(r);
  return r;
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
