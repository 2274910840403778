// Arithmetic in the cyclotomic subgroup of Fq12: Granger-Scott squaring and the power by -x.
#include "base/invariant.h"
#include "bn254/fq12.h"
#include "bn254/wnaf.h"

namespace kovra::bn254 {

namespace {

constexpr Fq2 xi_mul(const Fq2& t) { return Fq6::mul_fq2_by_nonresidue(t); }

// (a + b·s)^2 = (a^2 + ξ·b^2) + 2ab·s in Fq2[s]/(s^2 - ξ), with two Fq2 products.
struct SquarePair {
  Fq2 re;
  Fq2 im;
};
SquarePair square_over_s(const Fq2& a, const Fq2& b) {
  const Fq2 tmp = a.mul(b);
  Fq2 re = xi_mul(b).add(a).mul_by_sum(a, b);
  re.sub_assign(tmp);
  re.sub_assign(xi_mul(tmp));
  return SquarePair{re, tmp.doubled()};
}

// 3·t - 2·r and 3·t + 2·r.
Fq2 three_minus_two(const Fq2& t, const Fq2& r) {
  Fq2 z = t.sub(r);
  z.double_in_place();
  z.add_assign(t);
  return z;
}
Fq2 three_plus_two(const Fq2& t, const Fq2& r) {
  Fq2 z = t.add(r);
  z.double_in_place();
  z.add_assign(t);
  return z;
}

}  // namespace

// With s = w^3, g = A + B·w + C·w^2 for A = c0.c0 + c1.c1·s, B = c1.c0 + c0.c2·s,
// C = c0.c1 + c1.c2·s; then A' = 3A^2 - 2·conj(A), B' = 3s·C^2 + 2·conj(B),
// C' = 3B^2 - 2·conj(C).
Fq12& Fq12::cyclotomic_square() {
  const Fq2 r0 = c0.c0, r1 = c1.c1, r2 = c1.c0, r3 = c0.c2, r4 = c0.c1, r5 = c1.c2;
  const SquarePair a = square_over_s(r0, r1);
  const SquarePair b = square_over_s(r2, r3);
  const SquarePair c = square_over_s(r4, r5);
  c0.c0 = three_minus_two(a.re, r0);
  c1.c1 = three_plus_two(a.im, r1);
  c1.c0 = three_plus_two(xi_mul(c.im), r2);
  c0.c2 = three_minus_two(c.re, r3);
  c0.c1 = three_minus_two(b.re, r4);
  c1.c2 = three_plus_two(b.im, r5);
  return *this;
}

namespace {

// x in width-4 digits: 14 non-zero digits, each a product by one of g, g^3, g^5, g^7 or
// their conjugates (the inverses, in the subgroup).
constexpr unsigned kPowWindow = 4;
constexpr WnafDigits<1> kXDigits = wnaf_digits(std::array<uint64_t, 1>{BN_X}, kPowWindow);

}  // namespace

Fq12 Fq12::pow_neg_x() const {
  if (c0.is_zero() && c1.is_zero()) return Fq12::zero();
  constexpr size_t kTable = size_t{1} << (kPowWindow - 2);
  // pos[i] = self^(2i + 1), neg[i] its inverse.
  std::array<Fq12, kTable> pos, neg;
  pos[0] = *this;
  Fq12 sq = *this;
  sq.cyclotomic_square();
  for (size_t i = 1; i < kTable; ++i) pos[i] = pos[i - 1].mul(sq);
  for (size_t i = 0; i < kTable; ++i) {
    neg[i] = pos[i];
    const bool conjugated = neg[i].conjugate();
    KOVRA_INVARIANT(conjugated, "conjugate of a non-zero value declined");
  }
  const auto power = [&pos, &neg](int8_t d) -> const Fq12& {
    return d > 0 ? pos[static_cast<size_t>(d - 1) / 2] : neg[static_cast<size_t>(-d - 1) / 2];
  };
  size_t i = kXDigits.size - 1;
  Fq12 res = power(kXDigits.digits[i]);
  while (i-- > 0) {
    res.cyclotomic_square();
    if (kXDigits.digits[i] != 0) res.mul_assign(power(kXDigits.digits[i]));
  }
  res.conjugate();
  return res;
}

}  // namespace kovra::bn254
