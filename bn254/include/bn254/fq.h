// The two prime fields of BN254: the base field Fq and the scalar field Fr.
//
// Both hold an element as four 64-bit words in Montgomery form (a·R mod m, R = 2^256, least
// significant word first), always fully reduced below the modulus. So equality of elements is
// equality of words, zero is the all-zero value, and the negation of zero is zero, never the
// modulus. Values are built from canonical integers with `from_canonical` (which refuses an
// integer not below the modulus) or taken from the constants below; nothing else may write
// the words.
//
// Arithmetic comes in two forms: in place (`add_assign`, `mul_assign`, ...; the right operand
// is a separate value) and by value (`mul`, `square`, `neg`, ...). Inversion has no answer
// for zero and returns an empty optional.
//
// Canonical encoding: an Fq travels as its canonical integer, 32 bytes little-endian. The two
// top bits of the last byte are always zero in a value (p < 2^254); a point's encoding puts
// its flags there (see g1.h). Readers take bytes from the front of a ByteReader and fail with
// a PointDecodeError; writers append to a byte vector and cannot fail.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "base/byte_reader.h"
#include "base/result.h"
#include "bn254/detail/mont.h"
#include "bn254/errors.h"

namespace kovra::bn254 {

// p = 21888242871839275222246405745257275088696311157297823662689037894645226208583.
inline constexpr Limbs FQ_MODULUS = {0x3c208c16d87cfd47, 0x97816a916871ca8d, 0xb85045b68181585d,
                                     0x30644e72e131a029};
// -p^-1 mod 2^64.
inline constexpr uint64_t FQ_INV = 0x87d20782e4866389;
// R^2 mod p.
inline constexpr Limbs FQ_R2 = {0xf32cfc5b538afa89, 0xb5e71911d44501fb, 0x47ab1eff0a417ff6,
                                0x06d89f71cab8351f};
// r = 21888242871839275222246405745257275088548364400416034343698204186575808495617.
inline constexpr Limbs FR_MODULUS = {0x43e1f593f0000001, 0x2833e84879b97091, 0xb85045b68181585d,
                                     0x30644e72e131a029};
inline constexpr uint64_t FR_INV = 0xc2e1f593efffffff;
inline constexpr Limbs FR_R2 = {0x1bb8e645ae216da7, 0x53fe3ab1e35c59e3, 0x8c49833d53bb8085,
                                0x0216d0b17f4e44a5};

namespace detail {
struct FqParams {
  static constexpr const Limbs& kModulus = FQ_MODULUS;
  static constexpr uint64_t kInv = FQ_INV;
  static constexpr const Limbs& kR2 = FQ_R2;
};
struct FrParams {
  static constexpr const Limbs& kModulus = FR_MODULUS;
  static constexpr uint64_t kInv = FR_INV;
  static constexpr const Limbs& kR2 = FR_R2;
};

// The Montgomery form of the inverse of the nonzero value whose Montgomery form is y.
Limbs fq_inverse_nonzero(const Limbs& y);
}  // namespace detail

struct FqWithFlags;

struct Fq {
  // Montgomery form, below p. Read it freely; write it only through the operations.
  Limbs mont{};

  static constexpr Fq zero() { return Fq{}; }
  static constexpr Fq one();

  constexpr bool is_zero() const { return detail::limbs_is_zero(mont); }
  constexpr bool operator==(const Fq&) const = default;

  constexpr void add_assign(const Fq& b) { detail::add_assign<detail::FqParams>(mont, b.mont); }
  constexpr void sub_assign(const Fq& b) { detail::sub_assign<detail::FqParams>(mont, b.mont); }
  constexpr void double_in_place() { detail::double_in_place<detail::FqParams>(mont); }
  constexpr void mul_assign(const Fq& b) { mont = detail::mul<detail::FqParams>(mont, b.mont); }
  constexpr void square_in_place() { mont = detail::square<detail::FqParams>(mont); }

  constexpr Fq add(const Fq& b) const { Fq r = *this; r.add_assign(b); return r; }
  constexpr Fq sub(const Fq& b) const { Fq r = *this; r.sub_assign(b); return r; }
  constexpr Fq doubled() const { Fq r = *this; r.double_in_place(); return r; }
  constexpr Fq neg() const { return Fq{detail::neg<detail::FqParams>(mont)}; }
  // a/2, without a product.
  constexpr Fq halved() const { return Fq{detail::halve<detail::FqParams>(mont)}; }
  constexpr Fq mul(const Fq& b) const { return Fq{detail::mul<detail::FqParams>(mont, b.mont)}; }
  constexpr Fq square() const { return Fq{detail::square<detail::FqParams>(mont)}; }

  // a0·b0 + a1·b1 with a single reduction.
  static constexpr Fq sum_of_two_products(const std::array<Fq, 2>& a, const std::array<Fq, 2>& b) {
    return Fq{detail::sum_of_two_products<detail::FqParams>(a[0].mont, a[1].mont, b[0].mont,
                                                            b[1].mont)};
  }

  // The element v, or none when v >= p.
  static constexpr std::optional<Fq> from_canonical(const Limbs& v) {
    Fq r;
    if (!detail::to_montgomery<detail::FqParams>(v, r.mont)) return std::nullopt;
    return r;
  }
  // The canonical integer, 0 <= a < p.
  constexpr Limbs to_canonical() const { return detail::reduce_to_canonical<detail::FqParams>(mont); }

  // a^-1, none for zero: at run time by a word-at-a-time binary GCD (fq_inverse.cpp), while
  // compiling by the plain binary extended Euclid below, on the Montgomery form.
  constexpr std::optional<Fq> inverse() const;

  // Encoding.
  void write_canonical(std::vector<uint8_t>& out) const;
  // As write_canonical, with `flags` OR-ed into the last of the 32 bytes.
  void write_canonical_with_flags(uint8_t flags, std::vector<uint8_t>& out) const;
  // 32 bytes little-endian, a value below p. A short input empties the cursor and fails with
  // IoError; a value of p or more (the top two bits included) fails with InvalidData.
  static base::Result<Fq, PointDecodeError> read(base::ByteReader& in);
  // As read, but the top two bits of the last byte are flags: both set fails with
  // UnexpectedFlags before the range test; bit 7 gives 0x80, bit 6 gives 0x40.
  static base::Result<FqWithFlags, PointDecodeError> read_with_flags(base::ByteReader& in);
};

struct FqWithFlags {
  Fq value;
  uint8_t flags = 0;
};

// R mod p, the Montgomery form of 1.
inline constexpr Fq FQ_ONE{{0xd35d438dc58f0d9d, 0x0a78eb28f5c70b3d, 0x666ea36f7879462c,
                            0x0e0a77c19a07df2f}};
// p - (R mod p), the Montgomery form of -1.
inline constexpr Fq FQ_MINUS_ONE{{0x68c3488912edefaa, 0x8d087f6872aabf4f, 0x51e1a24709081231,
                                  0x2259d6b14729c0fa}};

constexpr Fq Fq::one() { return FQ_ONE; }

constexpr std::optional<Fq> Fq::inverse() const {
  if (is_zero()) return std::nullopt;
  if (!std::is_constant_evaluated()) return Fq{detail::fq_inverse_nonzero(mont)};
  using detail::limbs_less;
  constexpr Limbs kOne = {1, 0, 0, 0};
  auto halve = [](Limbs& x) {
    x[0] = (x[0] >> 1) | (x[1] << 63);
    x[1] = (x[1] >> 1) | (x[2] << 63);
    x[2] = (x[2] >> 1) | (x[3] << 63);
    x[3] >>= 1;
  };
  // b = (b + p) / 2 for odd b; b + p < 2^255, so no bit is lost.
  auto halve_mod = [&halve](Fq& x) {
    if (x.mont[0] & 1) {
      uint64_t carry = 0;
      for (int i = 0; i < 4; ++i) x.mont[i] = detail::adc(x.mont[i], FQ_MODULUS[i], carry);
    }
    halve(x.mont);
  };
  Limbs u = mont;
  Limbs v = FQ_MODULUS;
  Fq b{FQ_R2};
  Fq c{};
  for (;;) {
    if (u == kOne) return b;
    if (v == kOne) return c;
    while ((u[0] & 1) == 0) {
      halve(u);
      halve_mod(b);
    }
    while ((v[0] & 1) == 0) {
      halve(v);
      halve_mod(c);
    }
    if (limbs_less(v, u)) {
      uint64_t borrow = 0;
      for (int i = 0; i < 4; ++i) u[i] = detail::sbb(u[i], v[i], borrow);
      b.sub_assign(c);
    } else {
      uint64_t borrow = 0;
      for (int i = 0; i < 4; ++i) v[i] = detail::sbb(v[i], u[i], borrow);
      c.sub_assign(b);
    }
  }
}

// Builds an Fq constant from its canonical integer at compile time (the integer must be below
// p; a constant that is not fails to compile).
consteval Fq fq_const(const Limbs& v) {
  Fq r;
  if (!detail::to_montgomery<detail::FqParams>(v, r.mont)) throw "constant not below p";
  return r;
}

// The scalar field: only its two conversions are needed.
struct Fr {
  Limbs mont{};

  constexpr bool operator==(const Fr&) const = default;
  // The element v, or none when v >= r.
  static constexpr std::optional<Fr> from_canonical(const Limbs& v) {
    Fr x;
    if (!detail::to_montgomery<detail::FrParams>(v, x.mont)) return std::nullopt;
    return x;
  }
  constexpr Limbs to_canonical() const { return detail::reduce_to_canonical<detail::FrParams>(mont); }
};

}  // namespace kovra::bn254
