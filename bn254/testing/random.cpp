#include "bn254/testing/random.h"

#include <cstdlib>
#include <cstring>

#include "base/invariant.h"
#include "bn254/testing/bigint.h"

namespace kovra::bn254::testing {

uint64_t test_seed() {
  const char* s = std::getenv("KOVRA_TEST_SEED");
  if (s && *s) return std::strtoull(s, nullptr, 0);
  return 0x6b6f7672615f3235ull;
}

namespace {

Limbs below(const Limbs& m, std::mt19937_64& gen) {
  for (;;) {
    Limbs v = {gen(), gen(), gen(), gen() & 0x3fffffffffffffffull};
    if (detail::limbs_less(v, m)) return v;
  }
}

}  // namespace

Limbs TestRng::below_p() { return below(FQ_MODULUS, gen_); }
Limbs TestRng::below_r() { return below(FR_MODULUS, gen_); }

Fq TestRng::fq() { return *Fq::from_canonical(below_p()); }
Fq2 TestRng::fq2() { return Fq2{fq(), fq()}; }
Fq6 TestRng::fq6() { return Fq6{fq2(), fq2(), fq2()}; }
Fq12 TestRng::fq12() { return Fq12{fq6(), fq6()}; }

G1Affine TestRng::g1() {
  const Limbs k = below_r();
  return g1_generator().scalar_mul(k).to_affine();
}

G2Affine TestRng::g2() {
  const Limbs k = below_r();
  return g2_generator().scalar_mul(k).to_affine();
}

G2Affine TestRng::twist_point_outside_subgroup() {
  for (;;) {
    const Fq2 x = fq2();
    Fq2 rhs = x.square().mul(x);
    rhs.add_assign(G2_COEFF_B);
    const std::optional<Fq2> y = fq2_sqrt(rhs);
    if (!y) continue;
    const G2Affine p{x, *y, false};
    KOVRA_INVARIANT(p.is_on_curve(), "constructed twist point is off the curve");
    if (!p.is_in_subgroup()) return p;
  }
}

G1Affine g1_generator() { return G1Affine{fq_const({1, 0, 0, 0}), fq_const({2, 0, 0, 0}), false}; }

G2Affine g2_generator() {
  return G2Affine{
      Fq2{fq_from_hex("1800deef121f1e76426a00665e5c4479674322d4f75edadd46debd5cd992f6ed"),
          fq_from_hex("198e9393920d483a7260bfb731fb5d25f1aa493335a9e71297e485b7aef312c2")},
      Fq2{fq_from_hex("12c85ea5db8c6deb4aab71808dcb408fe3d1e7690c43d37b4ce6cc0166fa7daa"),
          fq_from_hex("090689d0585ff075ec9e99ad690c3395bc4b313370b38ef355acdadcd122975b")},
      false};
}

std::optional<Fq2> fq2_sqrt(const Fq2& a) {
  if (a.is_zero()) return a;
  const BigUint p(FQ_MODULUS);
  const BigUint sqrt_exp = (p + BigUint(1)) / BigUint(4);  // p = 3 mod 4
  auto fq_sqrt = [&](const Fq& v) -> std::optional<Fq> {
    const Fq s = pow(v, sqrt_exp);
    if (s.square() != v) return std::nullopt;
    return s;
  };
  // a = a0 + a1·u; norm n = a0^2 + a1^2; x0^2 = (a0 ± sqrt(n))/2, x1 = a1/(2·x0).
  const std::optional<Fq> s = fq_sqrt(a.c0.square().add(a.c1.square()));
  if (!s) return std::nullopt;
  const Fq half = *fq_const({2, 0, 0, 0}).inverse();
  for (const Fq& cand : {a.c0.add(*s).mul(half), a.c0.sub(*s).mul(half)}) {
    const std::optional<Fq> x0 = fq_sqrt(cand);
    if (!x0 || x0->is_zero()) continue;
    const Fq x1 = a.c1.mul(*x0.value().doubled().inverse());
    const Fq2 r{*x0, x1};
    if (r.square() == a) return r;
  }
  // a is a square of a pure imaginary value or of a pure real one.
  if (a.c1.is_zero()) {
    if (auto r0 = fq_sqrt(a.c0)) return Fq2{*r0, Fq{}};
    if (auto r1 = fq_sqrt(a.c0.neg())) return Fq2{Fq{}, *r1};
  }
  return std::nullopt;
}

Limbs limbs_from_hex(const char* hex) {
  const BigUint v = BigUint::from_hex(hex);
  Limbs out{};
  KOVRA_INVARIANT(v.words().size() <= 4, "hexadecimal constant above 256 bits");
  for (size_t i = 0; i < v.words().size(); ++i) out[i] = v.words()[i];
  return out;
}

Fq fq_from_hex(const char* hex) {
  const std::optional<Fq> f = Fq::from_canonical(limbs_from_hex(hex));
  KOVRA_INVARIANT(f.has_value(), "hexadecimal constant not below p");
  return *f;
}

}  // namespace kovra::bn254::testing
