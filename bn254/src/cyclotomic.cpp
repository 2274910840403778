// Arithmetic in the cyclotomic subgroup of Fq12: Granger-Scott squaring and the power by -x.
#include "base/invariant.h"
#include "bn254/fq12.h"

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
  Fq2 re = a.add(b).mul(xi_mul(b).add(a));
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

std::vector<int8_t> naf_digits(uint64_t n) {
  std::vector<int8_t> digits;
  // n + 1 may need a 65th bit on the way; x has 63 bits, so it never does here.
  while (n != 0) {
    int8_t z = 0;
    if (n & 1) {
      z = (n & 3) == 1 ? int8_t{1} : int8_t{-1};
      n = z == 1 ? n - 1 : n + 1;
    }
    digits.push_back(z);
    n >>= 1;
  }
  return digits;
}

Fq12 Fq12::pow_neg_x() const {
  if (c0.is_zero() && c1.is_zero()) return Fq12::zero();
  const std::vector<int8_t> digits = naf_digits(BN_X);
  Fq12 fc = *this;
  const bool conjugated = fc.conjugate();
  KOVRA_INVARIANT(conjugated, "conjugate of a non-zero value declined");
  Fq12 res = Fq12::one();
  bool started = false;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (started) res.cyclotomic_square();
    if (*it == 1) {
      res.mul_assign(*this);
      started = true;
    } else if (*it == -1) {
      res.mul_assign(fc);
      started = true;
    }
  }
  res.conjugate();
  return res;
}

}  // namespace kovra::bn254
