#include <optional>

#include "bn254/testing/bigint.h"
#include "groth16/testing/test_key.h"

namespace kovra::groth16::testing {
namespace {

using bn254::Fq;
using bn254::Fq2;
using bn254::testing::BigUint;

// A square root in Fq2 for p = 3 mod 4 (complex method): with a1 = a^((p-3)/4) and
// alpha = a1^2 a, a square has alpha^(p+1) = conj(alpha) alpha != -1; then x0 = a1 a and the
// root is u x0 when alpha = -1, else (1 + alpha)^((p-1)/2) x0.
std::optional<Fq2> sqrt_fq2(const Fq2& a) {
  const BigUint p =
      BigUint::from_hex("30644e72e131a029b85045b68181585d97816a916871ca8d3c208c16d87cfd47");
  const BigUint p_minus_3_over_4 = (p - BigUint(3)) / BigUint(4);
  const BigUint p_minus_1_over_2 = (p - BigUint(1)) / BigUint(2);
  const Fq2 a1 = bn254::testing::pow(a, p_minus_3_over_4);
  const Fq2 alpha = a1.mul(a1).mul(a);
  const Fq2 conj_alpha{alpha.c0, alpha.c1.neg()};
  const Fq2 minus_one = Fq2::one().neg();
  if (conj_alpha.mul(alpha) == minus_one) return std::nullopt;
  const Fq2 x0 = a1.mul(a);
  Fq2 x;
  if (alpha == minus_one) {
    x = Fq2{x0.c1.neg(), x0.c0};  // u * x0
  } else {
    x = bn254::testing::pow(Fq2::one().add(alpha), p_minus_1_over_2).mul(x0);
  }
  if (!(x.mul(x) == a)) return std::nullopt;
  return x;
}

}  // namespace

bn254::G2Affine twist_point_outside_subgroup() {
  for (uint64_t k = 1;; ++k) {
    const Fq2 x{*Fq::from_canonical({k, 0, 0, 0}), Fq::one()};
    const Fq2 rhs = x.mul(x).mul(x).add(bn254::G2_COEFF_B);
    auto y = sqrt_fq2(rhs);
    if (!y) continue;
    const bn254::G2Affine q{x, *y, false};
    if (q.is_on_curve() && !q.is_in_subgroup()) return q;
  }
}

}  // namespace kovra::groth16::testing
