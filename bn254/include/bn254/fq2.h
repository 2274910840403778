// Fq2 = Fq[u]/(u^2 + 1), the coordinate field of G2 and the coefficient field of the tower.
//
// An element c0 + c1·u is two Fq values, c0 first. The quadratic non-residue is -1 and every
// formula here is the one for u^2 = -1. A product costs two reductions (two sums of two
// products); a squaring two Fq products.
#pragma once

#include <array>
#include <optional>

#include "bn254/fq.h"

namespace kovra::bn254 {

// Frobenius coefficients of Fq2: entry k mod 2 multiplies c1 under x -> x^(p^k).
inline constexpr std::array<Fq, 2> FQ2_FROBENIUS_C1 = {FQ_ONE, FQ_MINUS_ONE};

struct Fq2 {
  Fq c0{};
  Fq c1{};

  static constexpr Fq2 zero() { return Fq2{}; }
  static constexpr Fq2 one() { return Fq2{FQ_ONE, Fq{}}; }

  constexpr bool is_zero() const { return c0.is_zero() && c1.is_zero(); }
  constexpr bool operator==(const Fq2&) const = default;

  constexpr void add_assign(const Fq2& b) {
    c0.add_assign(b.c0);
    c1.add_assign(b.c1);
  }
  constexpr void sub_assign(const Fq2& b) {
    c0.sub_assign(b.c0);
    c1.sub_assign(b.c1);
  }
  constexpr void double_in_place() {
    c0.double_in_place();
    c1.double_in_place();
  }
  constexpr Fq2 add(const Fq2& b) const { Fq2 r = *this; r.add_assign(b); return r; }
  constexpr Fq2 sub(const Fq2& b) const { Fq2 r = *this; r.sub_assign(b); return r; }
  constexpr Fq2 doubled() const { Fq2 r = *this; r.double_in_place(); return r; }
  constexpr Fq2 neg() const { return Fq2{c0.neg(), c1.neg()}; }
  constexpr Fq2 halved() const { return Fq2{c0.halved(), c1.halved()}; }

  // (a0·b0 - a1·b1) + (a0·b1 + a1·b0)·u, each part one sum of two products.
  constexpr Fq2 mul(const Fq2& b) const {
    const Fq minus_c1 = c1.neg();
    Fq2 r;
    detail::two_sums_of_two_products<detail::FqParams>(r.c0.mont, r.c1.mont, c0.mont,
                                                       minus_c1.mont, b.c0.mont, b.c1.mont,
                                                       c0.mont, c1.mont, b.c1.mont, b.c0.mont);
    return r;
  }
  constexpr void mul_assign(const Fq2& b) { *this = mul(b); }
  // self·(x + y), the sum formed without its reduction (see detail::add_for_product).
  constexpr Fq2 mul_by_sum(const Fq2& x, const Fq2& y) const {
    using P = detail::FqParams;
    const Limbs s0 = detail::add_for_product<P>(x.c0.mont, y.c0.mont);
    const Limbs s1 = detail::add_for_product<P>(x.c1.mont, y.c1.mont);
    const Fq minus_c1 = c1.neg();
    Fq2 r;
    detail::two_sums_of_two_products<P>(r.c0.mont, r.c1.mont, c0.mont, minus_c1.mont, s0, s1,
                                        c0.mont, c1.mont, s1, s0);
    return r;
  }

  // (a0 + a1)(a0 - a1) + 2·a0·a1·u.
  // The sum and the double are operands of the products only (see detail::add_for_product).
  constexpr void square_in_place() {
    using P = detail::FqParams;
    const Fq a0 = c0;
    const Fq v = c0.sub(c1);
    const Limbs s = detail::add_for_product<P>(c0.mont, c1.mont);
    const Limbs d = detail::add_for_product<P>(c1.mont, c1.mont);
    detail::two_products<P>(c0.mont, c1.mont, s, v.mont, d, a0.mont);
  }
  constexpr Fq2 square() const { Fq2 r = *this; r.square_in_place(); return r; }

  // Both components times an Fq value.
  constexpr void mul_by_fq(const Fq& s) {
    const Fq a0 = c0, a1 = c1;
    detail::two_products<detail::FqParams>(c0.mont, c1.mont, a0.mont, s.mont, a1.mont, s.mont);
  }

  // a^(p^k): the conjugate for odd k, unchanged for even k.
  constexpr void frobenius_map(uint64_t k) { c1.mul_assign(FQ2_FROBENIUS_C1[k % 2]); }

  // (a0 - a1·u)/(a0^2 + a1^2); none for zero.
  constexpr std::optional<Fq2> inverse() const {
    if (is_zero()) return std::nullopt;
    const Fq t1 = c1.square();
    Fq t0 = c0.square();
    t0.sub_assign(t1.neg());
    const std::optional<Fq> n = t0.inverse();
    if (!n) return std::nullopt;
    return Fq2{c0.mul(*n), c1.mul(*n).neg()};
  }
};

// An Fq2 constant from the canonical integers of its two components, at compile time.
consteval Fq2 fq2_const(const Limbs& c0, const Limbs& c1) {
  return Fq2{fq_const(c0), fq_const(c1)};
}

}  // namespace kovra::bn254
