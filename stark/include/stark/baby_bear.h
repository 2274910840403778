// The Baby Bear field F_p, p = 15 * 2^27 + 1 = 0x78000001, and its quartic extension.
//
// BabyBearElem holds one element x as the Montgomery word x * 2^32 mod p. That word is what
// seals, transcripts, Poseidon2 digests and circuit tables carry; from_raw/raw move it in and
// out unchanged, from_u32/to_u32 convert from and to the plain value.
//
// Rules:
//   - A word is reduced when it is below p. Every operation takes reduced operands and gives
//     a reduced result. Words taken from outside (seals, digests) are checked with
//     is_reduced() by their readers before they reach the arithmetic.
//   - Nothing here fails or allocates: the inverse of zero is zero, pow(x, 0) is one (also for
//     x = 0).
//
// BabyBearExtElem is c0 + c1 X + c2 X^2 + c3 X^3 in F_p[X] / (X^4 + 11), that is X^4 = -11;
// its components are stored, hashed and drawn in the order c0, c1, c2, c3.
//
// ROOTS[k] is a primitive 2^k-th root of unity for k = 0..27: ROOTS[27] = 137 and
// ROOTS[k - 1] = ROOTS[k]^2. INV_ROOTS[k] is its inverse. Both are built at compile time.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace kovra::stark {

class BabyBearElem {
 public:
  static constexpr uint32_t P = 0x78000001u;
  // R^2 mod P (R = 2^32): the Montgomery product with it moves a plain value into the field.
  static constexpr uint32_t R2 = 0x45dddde3u;
  // -P^-1 mod 2^32.
  static constexpr uint32_t M_PRIME = 0x77ffffffu;

  constexpr BabyBearElem() = default;

  static constexpr BabyBearElem zero() { return BabyBearElem(); }
  static constexpr BabyBearElem one() { return from_raw(0x0ffffffeu); }

  // The element x mod P, for any u32 (values of P and above are reduced).
  static constexpr BabyBearElem from_u32(uint32_t x) { return from_raw(mont_mul(x, R2)); }
  // The Montgomery word taken unchanged.
  static constexpr BabyBearElem from_raw(uint32_t w) {
    BabyBearElem e;
    e.w_ = w;
    return e;
  }

  // The Montgomery word.
  constexpr uint32_t raw() const { return w_; }
  // The plain value, 0..P-1.
  constexpr uint32_t to_u32() const { return mont_mul(w_, 1); }
  constexpr bool is_reduced() const { return w_ < P; }

  constexpr BabyBearElem pow(uint64_t e) const {
    BabyBearElem acc = one();
    BabyBearElem base = *this;
    while (e != 0) {
      if (e & 1) acc = acc * base;
      base = base * base;
      e >>= 1;
    }
    return acc;
  }
  // x^(P-2): the inverse, and zero for zero.
  constexpr BabyBearElem inv() const { return pow(P - 2); }

  // "0x" and the plain value as eight lower-case hexadecimal digits.
  std::string fmt() const;

  friend constexpr BabyBearElem operator+(BabyBearElem a, BabyBearElem b) {
    uint32_t s = a.w_ + b.w_;
    if (s >= P) s -= P;
    return from_raw(s);
  }
  friend constexpr BabyBearElem operator-(BabyBearElem a, BabyBearElem b) {
    uint32_t d = a.w_ - b.w_;
    if (d > P) d += P;  // the subtraction wrapped
    return from_raw(d);
  }
  friend constexpr BabyBearElem operator-(BabyBearElem a) { return a.w_ == 0 ? a : from_raw(P - a.w_); }
  friend constexpr BabyBearElem operator*(BabyBearElem a, BabyBearElem b) {
    return from_raw(mont_mul(a.w_, b.w_));
  }
  constexpr BabyBearElem& operator+=(BabyBearElem b) { return *this = *this + b; }
  constexpr BabyBearElem& operator-=(BabyBearElem b) { return *this = *this - b; }
  constexpr BabyBearElem& operator*=(BabyBearElem b) { return *this = *this * b; }
  friend constexpr bool operator==(BabyBearElem, BabyBearElem) = default;

  // The Montgomery product a * b / 2^32 mod P. Reduced operands give a reduced result; so
  // does any a with b = R2 (from_u32) or b = 1 with a reduced (to_u32).
  static constexpr uint32_t mont_mul(uint32_t a, uint32_t b) {
    const uint64_t t = uint64_t{a} * b;
    const uint32_t m = static_cast<uint32_t>(t) * M_PRIME;
    const uint64_t u = t + uint64_t{m} * P;  // the low 32 bits are zero
    const uint32_t r = static_cast<uint32_t>(u >> 32);
    return r >= P ? r - P : r;
  }

  // t / 2^32 mod P, reduced, for any 64-bit t (for instance a sum of up to four products of
  // reduced words): the Montgomery reduction of a lazily accumulated sum. The quotient
  // (t + m P) / 2^32 is at most 2^32 + P - 1; subtracting 2P, then P, where they fit brings it
  // below P (2^32 - P < 2P).
  static constexpr uint32_t mont_reduce(uint64_t t) {
    const uint32_t m = static_cast<uint32_t>(t) * M_PRIME;
    // t + m P is a multiple of 2^32; its low halves add to 2^32 unless both are zero.
    uint64_t u = (t >> 32) + ((uint64_t{m} * P) >> 32) + (static_cast<uint32_t>(t) != 0);
    if (u >= 2 * uint64_t{P}) u -= 2 * uint64_t{P};
    if (u >= P) u -= P;
    return static_cast<uint32_t>(u);
  }

 private:
  uint32_t w_ = 0;
};

class BabyBearExtElem {
 public:
  // The components c0..c3.
  std::array<BabyBearElem, 4> c{};

  constexpr BabyBearExtElem() = default;
  constexpr explicit BabyBearExtElem(BabyBearElem e) : c{e, {}, {}, {}} {}
  constexpr BabyBearExtElem(BabyBearElem c0, BabyBearElem c1, BabyBearElem c2, BabyBearElem c3)
      : c{c0, c1, c2, c3} {}

  static constexpr BabyBearExtElem zero() { return {}; }
  static constexpr BabyBearExtElem one() { return BabyBearExtElem(BabyBearElem::one()); }

  constexpr bool is_reduced() const {
    return c[0].is_reduced() && c[1].is_reduced() && c[2].is_reduced() && c[3].is_reduced();
  }

  constexpr BabyBearExtElem pow(uint64_t e) const {
    BabyBearExtElem acc = one();
    BabyBearExtElem base = *this;
    while (e != 0) {
      if (e & 1) acc = acc * base;
      base = base * base;
      e >>= 1;
    }
    return acc;
  }

  // The inverse through the norm: a(X) * a(-X) has only even powers, so it is an element of
  // the quadratic subfield b0 + b2 X^2, whose norm b0^2 + 11 b2^2 lies in F_p. Zero gives zero.
  constexpr BabyBearExtElem inv() const {
    const BabyBearElem a0 = c[0], a1 = c[1], a2 = c[2], a3 = c[3];
    const BabyBearElem b0 = a0 * a0 + kEleven * (two(a1 * a3) - a2 * a2);
    const BabyBearElem b2 = two(a0 * a2) - a1 * a1 + kEleven * (a3 * a3);
    const BabyBearElem norm_inv = (b0 * b0 + kEleven * (b2 * b2)).inv();
    const BabyBearElem b0i = b0 * norm_inv;
    const BabyBearElem b2i = b2 * norm_inv;
    return {a0 * b0i + kEleven * (a2 * b2i), -(a1 * b0i) - kEleven * (a3 * b2i),
            a2 * b0i - a0 * b2i, a1 * b2i - a3 * b0i};
  }

  friend constexpr BabyBearExtElem operator+(const BabyBearExtElem& a, const BabyBearExtElem& b) {
    return {a.c[0] + b.c[0], a.c[1] + b.c[1], a.c[2] + b.c[2], a.c[3] + b.c[3]};
  }
  friend constexpr BabyBearExtElem operator-(const BabyBearExtElem& a, const BabyBearExtElem& b) {
    return {a.c[0] - b.c[0], a.c[1] - b.c[1], a.c[2] - b.c[2], a.c[3] - b.c[3]};
  }
  friend constexpr BabyBearExtElem operator-(const BabyBearExtElem& a) {
    return {-a.c[0], -a.c[1], -a.c[2], -a.c[3]};
  }
  friend constexpr BabyBearExtElem operator*(const BabyBearExtElem& a, BabyBearElem b) {
    return {a.c[0] * b, a.c[1] * b, a.c[2] * b, a.c[3] * b};
  }
  friend constexpr BabyBearExtElem operator*(BabyBearElem b, const BabyBearExtElem& a) {
    return a * b;
  }
  // The schoolbook product with X^4 = -11 folding degrees 4..6 back:
  //   c0 = x0 y0 - 11 (x1 y3 + x2 y2 + x3 y1)
  //   c1 = x0 y1 + x1 y0 - 11 (x2 y3 + x3 y2)
  //   c2 = x0 y2 + x1 y1 + x2 y0 - 11 x3 y3
  //   c3 = x0 y3 + x1 y2 + x2 y1 + x3 y0
  // Each sum is taken over unreduced 64-bit word products (at most four, each below P^2, so
  // below 2^64) and reduced once.
  friend constexpr BabyBearExtElem operator*(const BabyBearExtElem& a, const BabyBearExtElem& b) {
    const uint64_t x0 = a.c[0].raw(), x1 = a.c[1].raw(), x2 = a.c[2].raw(), x3 = a.c[3].raw();
    const uint64_t y0 = b.c[0].raw(), y1 = b.c[1].raw(), y2 = b.c[2].raw(), y3 = b.c[3].raw();
    const uint64_t m11 = kMinusEleven.raw();
    const uint64_t d4 = BabyBearElem::mont_reduce(x1 * y3 + x2 * y2 + x3 * y1);
    const uint64_t d5 = BabyBearElem::mont_reduce(x2 * y3 + x3 * y2);
    const uint64_t d6 = BabyBearElem::mont_reduce(x3 * y3);
    return {BabyBearElem::from_raw(BabyBearElem::mont_reduce(x0 * y0 + m11 * d4)),
            BabyBearElem::from_raw(BabyBearElem::mont_reduce(x0 * y1 + x1 * y0 + m11 * d5)),
            BabyBearElem::from_raw(BabyBearElem::mont_reduce(x0 * y2 + x1 * y1 + x2 * y0 + m11 * d6)),
            BabyBearElem::from_raw(BabyBearElem::mont_reduce(x0 * y3 + x1 * y2 + x2 * y1 + x3 * y0))};
  }
  constexpr BabyBearExtElem& operator+=(const BabyBearExtElem& b) { return *this = *this + b; }
  constexpr BabyBearExtElem& operator-=(const BabyBearExtElem& b) { return *this = *this - b; }
  constexpr BabyBearExtElem& operator*=(const BabyBearExtElem& b) { return *this = *this * b; }
  constexpr BabyBearExtElem& operator*=(BabyBearElem b) { return *this = *this * b; }
  friend constexpr bool operator==(const BabyBearExtElem&, const BabyBearExtElem&) = default;

  // 11 and -11 in Montgomery form.
  static constexpr BabyBearElem kEleven = BabyBearElem::from_raw(0x37ffffe9u);
  static constexpr BabyBearElem kMinusEleven = BabyBearElem::from_raw(0x40000018u);

 private:
  static constexpr BabyBearElem two(BabyBearElem x) { return x + x; }
};

// The 16 elements of a 16-byte protocol tag, element i being byte i.
constexpr std::array<BabyBearElem, 16> tag_to_elems(std::span<const uint8_t, 16> tag) {
  std::array<BabyBearElem, 16> out{};
  for (size_t i = 0; i < 16; ++i) out[i] = BabyBearElem::from_u32(tag[i]);
  return out;
}

namespace detail {

constexpr std::array<BabyBearElem, 28> make_roots() {
  std::array<BabyBearElem, 28> r{};
  r[27] = BabyBearElem::from_u32(137);
  for (size_t k = 27; k > 0; --k) r[k - 1] = r[k] * r[k];
  return r;
}

constexpr std::array<BabyBearElem, 28> make_inv_roots(const std::array<BabyBearElem, 28>& roots) {
  std::array<BabyBearElem, 28> r{};
  for (size_t k = 0; k < 28; ++k) r[k] = roots[k].inv();
  return r;
}

}  // namespace detail

inline constexpr std::array<BabyBearElem, 28> ROOTS = detail::make_roots();
inline constexpr std::array<BabyBearElem, 28> INV_ROOTS = detail::make_inv_roots(ROOTS);

// table[log_n]^e for table ROOTS or INV_ROOTS: the product of table[log_n - i] =
// table[log_n]^(2^i) over the set bits i of e below log_n (the bits from log_n up contribute
// powers equal to one). Needs log_n <= 27.
constexpr BabyBearElem root_power(const std::array<BabyBearElem, 28>& table, uint32_t log_n,
                                  uint64_t e) {
  BabyBearElem acc = BabyBearElem::one();
  for (uint32_t i = 0; i < log_n && (e >> i) != 0; ++i)
    if ((e >> i) & 1) acc *= table[log_n - i];
  return acc;
}

// The constants above, checked where they are defined.
static_assert(BabyBearElem::from_u32(1) == BabyBearElem::one());
static_assert(BabyBearElem::one().raw() == uint32_t((uint64_t{1} << 32) % BabyBearElem::P));
static_assert(BabyBearElem::R2 == uint32_t(((uint64_t{1} << 32) % BabyBearElem::P) *
                                           ((uint64_t{1} << 32) % BabyBearElem::P) %
                                           BabyBearElem::P));
static_assert(uint32_t(BabyBearElem::M_PRIME * BabyBearElem::P) == 0xffffffffu);  // -1 mod 2^32
static_assert(BabyBearExtElem::kEleven == BabyBearElem::from_u32(11));
static_assert(BabyBearExtElem::kMinusEleven == -BabyBearElem::from_u32(11));
static_assert(ROOTS[0] == BabyBearElem::one());
static_assert(ROOTS[1] == BabyBearElem::from_u32(BabyBearElem::P - 1));
static_assert(ROOTS[26].to_u32() == 18769);
static_assert(ROOTS[27].to_u32() == 137);
static_assert(ROOTS[27].pow(uint64_t{1} << 26) != BabyBearElem::one());
static_assert(INV_ROOTS[0] == BabyBearElem::one());
static_assert(INV_ROOTS[1] == BabyBearElem::from_u32(BabyBearElem::P - 1));
static_assert(ROOTS[27] * INV_ROOTS[27] == BabyBearElem::one());

}  // namespace kovra::stark
