// G1: the points of y^2 = x^3 + 3 over Fq (cofactor 1, so every curve point is in the group).
//
// `G1Affine` is the value form, with an explicit point-at-infinity mark (the identity; its
// coordinates are zero by convention and never read). `G1Projective` is the Jacobian form
// (X, Y, Z) standing for (X/Z^2, Y/Z^3), Z = 0 the identity, created as (1, 1, 0); it is used
// only for intermediate values of a computation.
//
// Encoding (64 bytes): x then y, each 32 bytes little-endian, with the flag byte OR-ed into
// byte 63: 0x40 the point at infinity (written with zero coordinates), 0x80 a finite point
// whose y is greater than -y, 0x00 any other finite point. Reading accepts 0x80 without giving
// it any meaning, takes 0x40 as the point at infinity whatever the coordinates (each must
// still be below p), refuses 0xC0 with UnexpectedFlags, and tests every finite point against
// the curve.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "base/byte_reader.h"
#include "base/result.h"
#include "bn254/errors.h"
#include "bn254/fq.h"

namespace kovra::bn254 {

// b = 3 in y^2 = x^3 + b.
inline constexpr Fq G1_COEFF_B = fq_const({3, 0, 0, 0});

struct G1Projective;

struct G1Affine {
  Fq x{};
  Fq y{};
  bool infinity = false;

  static constexpr G1Affine identity() { return G1Affine{Fq{}, Fq{}, true}; }
  bool operator==(const G1Affine&) const = default;

  // Success for the point at infinity or a point on the curve, else InvalidData.
  base::Status<PointDecodeError> is_on_curve() const;
  G1Projective to_projective() const;
  // [k]P by double-and-add from the most significant set bit; k is given as 64-bit words,
  // least significant first.
  G1Projective scalar_mul(std::span<const uint64_t> k) const;
  // (x, -y); the point at infinity stays itself.
  G1Affine neg() const { return G1Affine{x, y.neg(), infinity}; }

  uint8_t encoding_flags() const;
  void encode(std::vector<uint8_t>& out) const;
  static base::Result<G1Affine, PointDecodeError> read(base::ByteReader& in);
  // A validated point from the first 64 bytes of `bytes`; bytes after them are ignored.
  static base::Result<G1Affine, PointDecodeError> decode(std::span<const uint8_t> bytes);
};

struct G1Projective {
  Fq x = FQ_ONE;
  Fq y = FQ_ONE;
  Fq z{};

  static constexpr G1Projective identity() { return G1Projective{FQ_ONE, FQ_ONE, Fq{}}; }
  bool is_identity() const { return z.is_zero(); }

  // Jacobian doubling (a = 0); a point with Z = 0 is left unchanged.
  void double_in_place();
  // self + q for a finite affine q (mixed addition).
  void add_assign_affine(const G1Affine& q);
  // self + q, either of them may be the identity.
  void add_assign(const G1Projective& q);
  G1Affine to_affine() const;
};

// sum of [k_j]P_j (scalars least significant word first, each below 2^256; points on the curve
// or the identity): one shared run of doublings with width-4 digit forms, a scalar of more
// than 128 bits split in two by the endomorphism of the curve. The same point as the sum of
// the separate scalar_mul results.
G1Projective g1_multi_scalar_mul(std::span<const G1Affine> points, std::span<const Limbs> k);

}  // namespace kovra::bn254
