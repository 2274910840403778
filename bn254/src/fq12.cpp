#include "bn254/fq12.h"

#include "base/invariant.h"

namespace kovra::bn254 {

// Complex squaring: (c0 - c1)(c0 - v·c1) + (1 + v)·c0·c1 = c0^2 + v·c1^2, and 2·c0·c1.
void Fq12::square_in_place() {
  Fq6 d = c0.sub(c1);
  const Fq6 e = c0.sub(mul_fq6_by_nonresidue(c1));
  Fq6 m = c0;
  m.mul_assign(c1);
  d.mul_assign(e);
  c1 = m;
  c1.double_in_place();
  c0 = d;
  c0.add_assign(m);
  c0.add_assign(mul_fq6_by_nonresidue(m));
}

// Karatsuba over Fq6: three Fq6 products.
Fq12 Fq12::mul(const Fq12& b) const {
  Fq6 m0 = c0;
  m0.mul_assign(b.c0);
  Fq6 m1 = c1;
  m1.mul_assign(b.c1);
  Fq12 r;
  r.c1 = c0.add(c1);
  r.c1.mul_assign(b.c0.add(b.c1));
  r.c1.sub_assign(m0);
  r.c1.sub_assign(m1);
  r.c0 = mul_fq6_by_nonresidue(m1);
  r.c0.add_assign(m0);
  return r;
}

void Fq12::mul_assign(const Fq12& b) {
  Fq6 m0 = c0;
  m0.mul_assign(b.c0);
  Fq6 m1 = c1;
  m1.mul_assign(b.c1);
  c1.add_assign(c0);
  c1.mul_assign(b.c0.add(b.c1));
  c1.sub_assign(m0);
  c1.sub_assign(m1);
  c0 = mul_fq6_by_nonresidue(m1);
  c0.add_assign(m0);
}

void Fq12::frobenius_map(uint64_t k) {
  KOVRA_INVARIANT(k < 6, "Fq12 Frobenius power out of range");
  c0.frobenius_map(k);
  c1.frobenius_map(k);
  c1.c0.mul_assign(FQ12_FROBENIUS_C1[k]);
  c1.c1.mul_assign(FQ12_FROBENIUS_C1[k]);
  c1.c2.mul_assign(FQ12_FROBENIUS_C1[k]);
}

std::optional<Fq12> Fq12::inverse() const {
  if (is_zero()) return std::nullopt;
  // The norm down to Fq6: c0^2 - v·c1^2.
  const Fq6 q = c1.square();
  Fq6 n = c0.square();
  n.sub_assign(mul_fq6_by_nonresidue(q));

  // Its inverse in Fq6, by the norm down to Fq2.
  if (n.is_zero()) return std::nullopt;
  const Fq2 t0 = n.c0.square();
  const Fq2 t1 = n.c1.square();
  const Fq2 t2 = n.c2.square();
  const Fq2 t3 = n.c0.mul(n.c1);
  const Fq2 t4 = n.c0.mul(n.c2);
  const Fq2 t5 = n.c1.mul(n.c2);
  const Fq2 s0 = t0.sub(Fq6::mul_fq2_by_nonresidue(t5));
  const Fq2 s1 = Fq6::mul_fq2_by_nonresidue(t2).sub(t3);
  const Fq2 s2 = t1.sub(t4);
  const Fq2 g1 = n.c2.mul(s1);
  const Fq2 g2 = n.c1.mul(s2);
  const Fq2 g3 = Fq6::mul_fq2_by_nonresidue(g1.add(g2));
  const std::optional<Fq2> t6 = n.c0.mul(s0).add(g3).inverse();
  KOVRA_INVARIANT(t6.has_value(), "the norm of a non-zero Fq6 value is zero");
  const Fq6 n_inv{t6->mul(s0), t6->mul(s1), t6->mul(s2)};

  Fq12 r;
  r.c0 = c0;
  r.c0.mul_assign(n_inv);
  r.c1 = c1;
  r.c1.mul_assign(n_inv);
  r.c1 = r.c1.neg();
  return r;
}

bool Fq12::conjugate() {
  if (is_zero()) return false;
  c1 = c1.neg();
  return true;
}

void Fq12::write_canonical(std::vector<uint8_t>& out) const {
  c0.write_canonical(out);
  c1.write_canonical(out);
}

}  // namespace kovra::bn254
