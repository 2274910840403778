// Fq12 = Fq6[w]/(w^2 - v), the field in which the pairing takes its values.
//
// An element c0 + c1·w is two Fq6 values; its twelve coordinates run c0.c0.c0, c0.c0.c1, ...,
// c1.c2.c1, which is also the order of its encoding. v is not -1, so the formulas are the
// general ones for a quadratic extension: the product is Karatsuba over Fq6 (three Fq6
// products), the squaring the complex method (two Fq6 products), the inverse costs one Fq
// inversion.
//
// The cyclotomic subgroup (g^(p^4 - p^2 + 1) = 1), where every value lies after the easy part
// of the final exponentiation, has a cheaper squaring (`cyclotomic_square`, Granger-Scott) and
// inversion by conjugation; `pow_neg_x` raises a member to -x, x the curve parameter.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "bn254/fq6.h"

namespace kovra::bn254 {

// The BN254 curve parameter x (positive, 63 bits).
inline constexpr uint64_t BN_X = 0x44e992b44a6909f1;

// Entry k is ξ^((p^k - 1)/6), k = 0..11.
extern const std::array<Fq2, 12> FQ12_FROBENIUS_C1;

struct Fq12 {
  Fq6 c0{};
  Fq6 c1{};

  static constexpr Fq12 zero() { return Fq12{}; }
  static constexpr Fq12 one() { return Fq12{Fq6::one(), Fq6{}}; }

  // c0 is tested first; c1 only when c0 is zero.
  bool is_zero() const { return c0.is_zero() && c1.is_zero(); }
  bool operator==(const Fq12&) const = default;

  // v·X = (ξ·x2, x0, x1) for X = (x0, x1, x2).
  static Fq6 mul_fq6_by_nonresidue(const Fq6& x) {
    return Fq6{Fq6::mul_fq2_by_nonresidue(x.c2), x.c0, x.c1};
  }

  void square_in_place();
  // a·b as a new value; the result may be stored over either operand.
  Fq12 mul(const Fq12& b) const;
  // self = self·b; b must be a separate value.
  void mul_assign(const Fq12& b);
  // self = self^(p^k), k in 0..5.
  void frobenius_map(uint64_t k);
  // self^-1, none for zero; self is unchanged.
  std::optional<Fq12> inverse() const;
  // self = c0 - c1·w. Returns false (and changes nothing) for zero, true otherwise.
  bool conjugate();

  // Granger-Scott squaring: self^2 for a member of the cyclotomic subgroup (for any other
  // value the result of the same formulas, not the square). Returns self.
  Fq12& cyclotomic_square();
  // self^(-x) for a member of the cyclotomic subgroup; zero gives zero.
  Fq12 pow_neg_x() const;

  // The twelve coordinates in storage order, 32 bytes each (see fq.h).
  void write_canonical(std::vector<uint8_t>& out) const;
};

}  // namespace kovra::bn254
