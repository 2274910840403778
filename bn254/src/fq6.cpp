#include "bn254/fq6.h"

#include "base/invariant.h"

namespace kovra::bn254 {

namespace {
constexpr Fq2 xi_mul(const Fq2& t) { return Fq6::mul_fq2_by_nonresidue(t); }
}  // namespace

// Karatsuba: six Fq2 products, all formed before the two products by ξ.
void Fq6::mul_assign(const Fq6& b) {
  const Fq2 m0 = c0.mul(b.c0);
  const Fq2 m1 = c1.mul(b.c1);
  const Fq2 m2 = c2.mul(b.c2);
  const Fq2 s12 = c1.add(c2).mul_by_sum(b.c1, b.c2);
  const Fq2 s01 = c0.add(c1).mul_by_sum(b.c0, b.c1);
  const Fq2 s02 = c0.add(c2).mul_by_sum(b.c0, b.c2);

  Fq2 t = s12;
  t.sub_assign(m1);
  t.sub_assign(m2);
  Fq2 n0 = xi_mul(t);
  n0.add_assign(m0);

  Fq2 n1 = s01;
  n1.sub_assign(m0);
  n1.sub_assign(m1);
  n1.add_assign(xi_mul(m2));

  Fq2 n2 = s02;
  n2.sub_assign(m0);
  n2.sub_assign(m2);
  n2.add_assign(m1);

  c0 = n0;
  c1 = n1;
  c2 = n2;
}

// Chung-Hasan SQR2: two Fq2 products and three Fq2 squarings.
Fq6 Fq6::square() const {
  const Fq2 s0 = c0.square();
  const Fq2 s1 = c0.mul(c1).doubled();
  Fq2 s2 = c0.sub(c1);
  s2.add_assign(c2);
  s2.square_in_place();
  const Fq2 s3 = c1.mul(c2).doubled();
  const Fq2 s4 = c2.square();

  Fq6 out;
  out.c0 = s0.add(xi_mul(s3));
  out.c1 = s1.add(xi_mul(s4));
  out.c2 = s1;
  out.c2.add_assign(s2);
  out.c2.add_assign(s3);
  out.c2.sub_assign(s0);
  out.c2.sub_assign(s4);
  return out;
}

// (a0 + a1·v + a2·v^2)(b0 + b1·v): five Fq2 products and one product by ξ.
void Fq6::mul_by_c0_c1(const Fq2& b0, const Fq2& b1) {
  const Fq2 aa = c0.mul(b0);
  const Fq2 bb = c1.mul(b1);

  Fq2 t = b1.mul_by_sum(c1, c2);
  t.sub_assign(bb);
  const Fq2 n0 = xi_mul(t).add(aa);

  Fq2 n2 = b0.mul_by_sum(c0, c2);
  n2.sub_assign(aa);
  n2.add_assign(bb);

  Fq2 n1 = b0.add(b1).mul_by_sum(c0, c1);
  n1.sub_assign(aa);
  n1.sub_assign(bb);

  c0 = n0;
  c1 = n1;
  c2 = n2;
}

void Fq6::frobenius_map(uint64_t k) {
  KOVRA_INVARIANT(k < 6, "Fq6 Frobenius power out of range");
  c0.c1.mul_assign(FQ2_FROBENIUS_C1[k % 2]);
  c1.c1.mul_assign(FQ2_FROBENIUS_C1[k % 2]);
  c2.c1.mul_assign(FQ2_FROBENIUS_C1[k % 2]);
  c1.mul_assign(FQ6_FROBENIUS_C1[k]);
  c2.mul_assign(FQ6_FROBENIUS_C2[k]);
}

}  // namespace kovra::bn254
