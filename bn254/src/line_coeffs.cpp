#include "bn254/line_coeffs.h"

#include <algorithm>

namespace kovra::bn254 {

namespace {

Fq2 times3(const Fq2& a) { return a.doubled().add(a); }

}  // namespace

LineCoeff G2LineCoeffs::doubling_step(G2HomogeneousPoint& r) {
  const Fq2 a = r.x.mul(r.y).halved();
  const Fq2 b = r.y.square();
  const Fq2 c = r.z.square();
  const Fq2 e = G2_COEFF_B.mul(times3(c));
  const Fq2 f = times3(e);
  const Fq2 g = b.add(f).halved();
  Fq2 h = r.y.add(r.z).square();
  h.sub_assign(b.add(c));
  const Fq2 i = e.sub(b);
  const Fq2 j = r.x.square();
  const Fq2 e2 = e.square();

  r.x = a.mul(b.sub(f));
  r.y = g.square().sub(times3(e2));
  r.z = b.mul(h);
  return LineCoeff{h.neg(), times3(j), i};
}

LineCoeff G2LineCoeffs::addition_step(G2HomogeneousPoint& r, const G2Affine& q) {
  const Fq2 theta = r.y.sub(q.y.mul(r.z));
  const Fq2 lambda = r.x.sub(q.x.mul(r.z));
  const Fq2 c = theta.square();
  const Fq2 d = lambda.square();
  const Fq2 e = lambda.mul(d);
  const Fq2 f = r.z.mul(c);
  const Fq2 g = r.x.mul(d);
  Fq2 h = e.add(f);
  h.sub_assign(g.doubled());

  const Fq2 new_y = theta.mul(g.sub(h)).sub(e.mul(r.y));
  r.x = lambda.mul(h);
  r.y = new_y;
  r.z = r.z.mul(e);
  const Fq2 j = theta.mul(q.x).sub(lambda.mul(q.y));
  return LineCoeff{lambda, theta.neg(), j};
}

G2LineCoeffs G2LineCoeffs::from_point(const G2Affine& q) {
  if (q.infinity) return G2LineCoeffs({}, true);
  std::vector<LineCoeff> coeffs;
  coeffs.reserve(kFiniteCount);
  G2HomogeneousPoint r{q.x, q.y, Fq2::one()};
  const G2Affine neg_q = q.neg();
  // The leading digit (index 64) is accounted for by starting from r = q.
  for (int i = 63; i >= 0; --i) {
    coeffs.push_back(doubling_step(r));
    const int8_t digit = MILLER_LOOP_DIGITS[static_cast<size_t>(i)];
    if (digit == 1) coeffs.push_back(addition_step(r, q));
    if (digit == -1) coeffs.push_back(addition_step(r, neg_q));
  }
  const G2Affine q1 = q.psi();
  const G2Affine q2 = q1.psi().neg();
  coeffs.push_back(addition_step(r, q1));
  coeffs.push_back(addition_step(r, q2));
  KOVRA_INVARIANT(coeffs.size() == kFiniteCount, "line list of a finite point is not 87 long");
  return G2LineCoeffs(std::move(coeffs), false);
}

void G2LineCoeffs::encode(std::vector<uint8_t>& out) const {
  const uint64_t n = coeffs_.size();
  for (int b = 0; b < 8; ++b) out.push_back(static_cast<uint8_t>(n >> (8 * b)));
  for (const LineCoeff& l : coeffs_) {
    for (const Fq2* c : {&l.c0, &l.c1, &l.c2}) {
      c->c0.write_canonical(out);
      c->c1.write_canonical(out);
    }
  }
  out.push_back(infinity_ ? 1 : 0);
}

base::Result<G2LineCoeffs, PointDecodeError> G2LineCoeffs::read(base::ByteReader& in) {
  auto count = in.u64_le();
  if (!count) return base::Err(PointDecodeError::short_read());
  const uint64_t n = *count;
  // Only the two shapes from_point makes are accepted; this also bounds what is reserved.
  if (n != 0 && n != kFiniteCount) return base::Err(PointDecodeError::invalid_data());
  std::vector<LineCoeff> coeffs;
  coeffs.reserve(std::min<size_t>(static_cast<size_t>(n), in.remaining() / kEncodedLineSize));
  for (uint64_t k = 0; k < n; ++k) {
    LineCoeff l;
    for (Fq2* c : {&l.c0, &l.c1, &l.c2}) {
      KOVRA_ASSIGN_OR_RETURN(c->c0, Fq::read(in));
      KOVRA_ASSIGN_OR_RETURN(c->c1, Fq::read(in));
    }
    coeffs.push_back(l);
  }
  auto flag = in.u8();
  if (!flag) return base::Err(PointDecodeError::short_read());
  if (*flag > 1) return base::Err(PointDecodeError::invalid_data());
  const bool infinity = *flag == 1;
  // A finite point has all its lines, the point at infinity none.
  if (infinity != (n == 0)) return base::Err(PointDecodeError::invalid_data());
  return G2LineCoeffs(std::move(coeffs), infinity);
}

}  // namespace kovra::bn254
