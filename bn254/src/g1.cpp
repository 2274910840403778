#include "bn254/g1.h"

#include "jacobian.h"

namespace kovra::bn254 {

base::Status<PointDecodeError> G1Affine::is_on_curve() const {
  if (infinity) return {};
  Fq rhs = x.square();
  rhs.mul_assign(x);
  rhs.add_assign(G1_COEFF_B);
  if (y.square() != rhs) return base::Err(PointDecodeError::invalid_data());
  return {};
}

G1Projective G1Affine::to_projective() const {
  if (infinity) return G1Projective::identity();
  return G1Projective{x, y, FQ_ONE};
}

G1Projective G1Affine::scalar_mul(std::span<const uint64_t> k) const {
  return detail::scalar_mul<G1Projective>(*this, k);
}

void G1Projective::double_in_place() { detail::jacobian_double(*this); }

namespace {

// r·(V - X3) + 2·Y1·J of the addition formulas, with one reduction.
Fq addition_y3(const Fq& r, const Fq& v_minus_x3, const Fq& two_y1, const Fq& j) {
  return Fq::sum_of_two_products({r, two_y1}, {v_minus_x3, j});
}

}  // namespace

void G1Projective::add_assign_affine(const G1Affine& q) {
  detail::jacobian_add_affine(*this, q.x, q.y, addition_y3);
}

void G1Projective::add_assign(const G1Projective& q) { detail::jacobian_add(*this, q, addition_y3); }

G1Affine G1Projective::to_affine() const { return detail::to_affine<G1Affine>(*this); }

}  // namespace kovra::bn254
