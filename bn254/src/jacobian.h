// Jacobian point arithmetic on curves y^2 = x^3 + b (a = 0), shared by G1 (over Fq) and G2
// (over Fq2). (X, Y, Z) stands for (X/Z^2, Y/Z^3); Z = 0 is the identity, written (1, 1, 0).
#pragma once

#include <cstdint>
#include <span>

#include "base/invariant.h"

namespace kovra::bn254::detail {

template <class P>
void jacobian_double(P& t) {
  if (t.z.is_zero()) return;
  const auto a = t.x.square();
  const auto b = t.y.square();
  const auto c = b.square();
  auto d = t.x.mul(b);
  d.double_in_place();
  d.double_in_place();
  auto e = a.doubled();
  e.add_assign(a);
  auto z3 = t.y.mul(t.z);
  z3.double_in_place();
  auto x3 = e.square();
  x3.sub_assign(d.doubled());
  auto c8 = c;
  c8.double_in_place();
  c8.double_in_place();
  c8.double_in_place();
  auto y3 = e.mul(d.sub(x3));
  y3.sub_assign(c8);
  t.x = x3;
  t.y = y3;
  t.z = z3;
}

// t + (x2, y2) for a finite affine point. `y3_of(r, v_minus_x3, two_y1, j)` forms
// r·(V - X3) + 2·Y1·J (one sum of two products in G1, two products in G2).
template <class P, class F, class Y3>
void jacobian_add_affine(P& t, const F& x2, const F& y2, Y3 y3_of) {
  if (t.z.is_zero()) {
    t.x = x2;
    t.y = y2;
    t.z = F::one();
    return;
  }
  const F z1z1 = t.z.square();
  const F u2 = x2.mul(z1z1);
  const F s2 = y2.mul(t.z).mul(z1z1);
  if (t.x == u2) {
    if (t.y == s2) {
      jacobian_double(t);
    } else {
      t = P::identity();
    }
    return;
  }
  const F h = u2.sub(t.x);
  F i = h.square();
  i.double_in_place();
  i.double_in_place();
  const F j = h.neg().mul(i);
  F r = s2.sub(t.y);
  r.double_in_place();
  const F v = t.x.mul(i);
  F x3 = r.square();
  x3.add_assign(j);
  x3.sub_assign(v.doubled());
  const F y3 = y3_of(r, v.sub(x3), t.y.doubled(), j);
  F z3 = t.z.mul(h);
  z3.double_in_place();
  t.x = x3;
  t.y = y3;
  t.z = z3;
}

// [k]p by double-and-add from the most significant set bit of k (words least significant
// first).
template <class P, class A>
P scalar_mul(const A& p, std::span<const uint64_t> k) {
  P t = P::identity();
  bool started = false;
  for (size_t w = k.size(); w-- > 0;) {
    for (int bit = 63; bit >= 0; --bit) {
      const bool set = (k[w] >> bit) & 1;
      if (!started && !set) continue;
      started = true;
      t.double_in_place();
      if (set && !p.infinity) t.add_assign_affine(p);
    }
  }
  return t;
}

template <class A, class P>
A to_affine(const P& t) {
  using F = decltype(t.z);
  if (t.z.is_zero()) return A::identity();
  if (t.z == F::one()) return A{t.x, t.y, false};
  const auto z_inv = t.z.inverse();
  KOVRA_INVARIANT(z_inv.has_value(), "inverse of a non-zero Z");
  const F z_inv2 = z_inv->square();
  const F z_inv3 = z_inv2.mul(*z_inv);
  return A{t.x.mul(z_inv2), t.y.mul(z_inv3), false};
}

}  // namespace kovra::bn254::detail
