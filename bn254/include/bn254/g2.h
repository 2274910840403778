// G2: the order-r subgroup of the sextic twist y^2 = x^3 + b' over Fq2 (D-type twist,
// b' = 3/ξ, ξ = 9 + u).
//
// Representations as in g1.h: `G2Affine` with an infinity mark, `G2Projective` in Jacobian
// coordinates over Fq2. The twist has points outside the subgroup, so decoding runs
// `check`: the curve test, then the subgroup test [6x^2]P = ψ(P), ψ the p-power endomorphism.
//
// Encoding (128 bytes): x.c0, x.c1, y.c0, y.c1, each 32 bytes little-endian, the flag byte
// OR-ed into byte 127 with the rules of g1.h; y is compared with -y lexicographically, c1 the
// more significant part.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "base/byte_reader.h"
#include "base/result.h"
#include "bn254/errors.h"
#include "bn254/fq2.h"

namespace kovra::bn254 {

// b' = 3/(9 + u).
extern const Fq2 G2_COEFF_B;
// ξ^((p-1)/3) and ξ^((p-1)/2), the coefficients of ψ.
extern const Fq2 PSI_COEFF_X;
extern const Fq2 PSI_COEFF_Y;
// 6x^2, least significant word first.
inline constexpr std::array<uint64_t, 2> G2_SUBGROUP_SCALAR = {0xf83e9682e87cfd46,
                                                               0x6f4d8248eeb859fb};

struct G2Projective;

struct G2Affine {
  Fq2 x{};
  Fq2 y{};
  bool infinity = false;

  static constexpr G2Affine identity() { return G2Affine{Fq2{}, Fq2{}, true}; }
  bool operator==(const G2Affine&) const = default;

  // y^2 = x^3 + b' for a finite point.
  bool is_on_curve() const;
  // [6x^2]P = ψ(P).
  bool is_in_subgroup() const;
  // Success for the point at infinity or a finite point on the twist and in the subgroup,
  // else InvalidData (a point off the twist is refused before the subgroup test).
  base::Status<PointDecodeError> check() const;
  G2Projective to_projective() const;
  G2Projective scalar_mul(std::span<const uint64_t> k) const;
  // ψ(P) = (conj(x)·PSI_COEFF_X, conj(y)·PSI_COEFF_Y), the infinity mark unchanged.
  G2Affine psi() const;
  G2Affine neg() const { return G2Affine{x, y.neg(), infinity}; }

  uint8_t encoding_flags() const;
  void encode(std::vector<uint8_t>& out) const;
  static base::Result<G2Affine, PointDecodeError> read(base::ByteReader& in);
};

struct G2Projective {
  Fq2 x = Fq2::one();
  Fq2 y = Fq2::one();
  Fq2 z{};

  static constexpr G2Projective identity() { return G2Projective{Fq2::one(), Fq2::one(), Fq2{}}; }
  bool is_identity() const { return z.is_zero(); }

  void double_in_place();
  void add_assign_affine(const G2Affine& q);
  // self + q, either of them may be the identity.
  void add_assign(const G2Projective& q);
  // Equality of the points the two stand for.
  bool eq(const G2Projective& other) const;
  G2Affine to_affine() const;
};

}  // namespace kovra::bn254
