// Constants of the tower and of the twist, computed while compiling from their defining rules:
// the Frobenius coefficients (powers of ξ = 9 + u), the coefficients of ψ and the twist's b'.
// Every value is held in Montgomery form; the tests compare them with their published
// canonical values.
#include <array>

#include "bn254/fq12.h"
#include "bn254/fq6.h"
#include "bn254/g2.h"

namespace kovra::bn254 {

namespace {

constexpr Fq2 kXi = Fq2{fq_const({9, 0, 0, 0}), FQ_ONE};

// 256-bit integer divided by a small number (the remainder is dropped).
constexpr Limbs div_small(const Limbs& v, uint64_t d) {
  Limbs q{};
  detail::u128 rem = 0;
  for (int i = 3; i >= 0; --i) {
    const detail::u128 cur = (rem << 64) | v[i];
    q[i] = static_cast<uint64_t>(cur / d);
    rem = cur % d;
  }
  return q;
}

// (p - 1) / d.
constexpr Limbs p_minus_one_over(uint64_t d) {
  Limbs pm1 = FQ_MODULUS;
  pm1[0] -= 1;  // p is odd: no borrow
  return div_small(pm1, d);
}

constexpr Fq2 pow(const Fq2& base, const Limbs& e) {
  Fq2 r = Fq2::one();
  for (int i = 255; i >= 0; --i) {
    r.square_in_place();
    if ((e[i / 64] >> (i % 64)) & 1) r.mul_assign(base);
  }
  return r;
}

constexpr Fq2 frobenius(Fq2 a, uint64_t j) {
  a.frobenius_map(j);
  return a;
}

// Entry k = ξ^((p^k - 1)/d) for k < N. Since (p^k - 1)/d = ((p - 1)/d)(1 + p + ... + p^(k-1)),
// entry k = entry (k-1) · c^(p^(k-1)) with c = ξ^((p - 1)/d), and c^(p^j) is c or its
// conjugate.
template <size_t N>
constexpr std::array<Fq2, N> powers_of_xi(uint64_t d) {
  const Fq2 c = pow(kXi, p_minus_one_over(d));
  std::array<Fq2, N> t{};
  t[0] = Fq2::one();
  for (size_t k = 1; k < N; ++k) t[k] = t[k - 1].mul(frobenius(c, k - 1));
  return t;
}

constexpr std::array<Fq2, 6> squares(const std::array<Fq2, 6>& a) {
  std::array<Fq2, 6> s{};
  for (size_t k = 0; k < 6; ++k) s[k] = a[k].square();
  return s;
}

constexpr Fq2 twist_b() {
  const Fq2 three{fq_const({3, 0, 0, 0}), Fq{}};
  return three.mul(*kXi.inverse());
}

}  // namespace

constinit const std::array<Fq2, 6> FQ6_FROBENIUS_C1 = powers_of_xi<6>(3);
constinit const std::array<Fq2, 6> FQ6_FROBENIUS_C2 = squares(powers_of_xi<6>(3));
constinit const std::array<Fq2, 12> FQ12_FROBENIUS_C1 = powers_of_xi<12>(6);

constinit const Fq2 G2_COEFF_B = twist_b();
constinit const Fq2 PSI_COEFF_X = pow(kXi, p_minus_one_over(3));
constinit const Fq2 PSI_COEFF_Y = pow(kXi, p_minus_one_over(2));

}  // namespace kovra::bn254
