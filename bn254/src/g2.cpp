#include "bn254/g2.h"

#include "jacobian.h"

namespace kovra::bn254 {

bool G2Affine::is_on_curve() const {
  Fq2 rhs = x;
  rhs.square_in_place();
  rhs = rhs.mul(x);
  rhs.add_assign(G2_COEFF_B);
  Fq2 lhs = y;
  lhs.square_in_place();
  return lhs == rhs;
}

namespace {

// Width of the digit form of 6x^2: 28 non-zero digits against 70 set bits, for a table of
// P and [3]P.
constexpr unsigned kSubgroupWindow = 3;
constexpr WnafDigits<2> kSubgroupDigits = wnaf_digits(G2_SUBGROUP_SCALAR, kSubgroupWindow);

}  // namespace

bool G2Affine::is_in_subgroup() const {
  const G2Projective t =
      detail::scalar_mul_wnaf<kSubgroupWindow, G2Projective>(*this, kSubgroupDigits);
  const G2Projective s = psi().to_projective();
  return t.eq(s);
}

base::Status<PointDecodeError> G2Affine::check() const {
  if (!infinity && !is_on_curve()) return base::Err(PointDecodeError::invalid_data());
  if (!is_in_subgroup()) return base::Err(PointDecodeError::invalid_data());
  return {};
}

G2Projective G2Affine::to_projective() const {
  if (infinity) return G2Projective::identity();
  return G2Projective{x, y, Fq2::one()};
}

G2Projective G2Affine::scalar_mul(std::span<const uint64_t> k) const {
  return detail::scalar_mul<G2Projective>(*this, k);
}

G2Affine G2Affine::psi() const {
  Fq2 px = x;
  px.frobenius_map(1);
  Fq2 py = y;
  py.frobenius_map(1);
  return G2Affine{px.mul(PSI_COEFF_X), py.mul(PSI_COEFF_Y), infinity};
}

void G2Projective::double_in_place() { detail::jacobian_double(*this); }

namespace {

// r·(V - X3) + 2·Y1·J of the addition formulas.
Fq2 addition_y3(const Fq2& r, const Fq2& v_minus_x3, const Fq2& two_y1, const Fq2& j) {
  return r.mul(v_minus_x3).add(two_y1.mul(j));
}

}  // namespace

void G2Projective::add_assign_affine(const G2Affine& q) {
  detail::jacobian_add_affine(*this, q.x, q.y, addition_y3);
}

void G2Projective::add_assign(const G2Projective& q) { detail::jacobian_add(*this, q, addition_y3); }

bool G2Projective::eq(const G2Projective& o) const {
  if (z.is_zero()) return o.z.is_zero();
  if (o.z.is_zero()) return false;
  const Fq2 z1z1 = z.square();
  const Fq2 z2z2 = o.z.square();
  if (x.mul(z2z2) != o.x.mul(z1z1)) return false;
  return y.mul(z2z2.mul(o.z)) == o.y.mul(z1z1.mul(z));
}

G2Affine G2Projective::to_affine() const { return detail::to_affine<G2Affine>(*this); }

}  // namespace kovra::bn254
