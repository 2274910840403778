// Jacobian point arithmetic on curves y^2 = x^3 + b (a = 0), shared by G1 (over Fq) and G2
// (over Fq2). (X, Y, Z) stands for (X/Z^2, Y/Z^3); Z = 0 is the identity, written (1, 1, 0).
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "base/invariant.h"
#include "bn254/wnaf.h"

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

// a += b for two Jacobian points; `y3_of` as for jacobian_add_affine (with S1 = Y1·Z2^3 in place
// of Y1).
template <class P, class Y3>
void jacobian_add(P& a, const P& b, Y3 y3_of) {
  using F = decltype(a.z);
  if (a.z.is_zero()) {
    a = b;
    return;
  }
  if (b.z.is_zero()) return;
  const F z1z1 = a.z.square();
  const F z2z2 = b.z.square();
  const F u1 = a.x.mul(z2z2);
  const F u2 = b.x.mul(z1z1);
  const F s1 = a.y.mul(b.z).mul(z2z2);
  const F s2 = b.y.mul(a.z).mul(z1z1);
  if (u1 == u2) {
    if (s1 == s2)
      jacobian_double(a);
    else
      a = P::identity();
    return;
  }
  const F h = u2.sub(u1);
  const F i = h.doubled().square();
  const F j = h.neg().mul(i);
  const F r = s2.sub(s1).doubled();
  const F v = u1.mul(i);
  F x3 = r.square();
  x3.add_assign(j);
  x3.sub_assign(v.doubled());
  const F y3 = y3_of(r, v.sub(x3), s1.doubled(), j);
  F z3 = a.z.mul(b.z);
  z3.double_in_place();
  a = P{x3, y3, z3.mul(h)};
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

// The affine forms of the points `in` (any of them may be the identity) with a single
// inversion: Montgomery's simultaneous inversion of the non-zero Z values.
template <class A, class P>
void batch_to_affine(std::span<const P> in, std::span<A> out) {
  using F = decltype(in[0].z);
  KOVRA_INVARIANT(in.size() == out.size(), "one affine point per projective point");
  std::vector<F> prefix(in.size());
  F acc = F::one();
  for (size_t i = 0; i < in.size(); ++i) {
    if (!in[i].z.is_zero()) acc = acc.mul(in[i].z);
    prefix[i] = acc;
  }
  const auto total_inv = acc.inverse();
  KOVRA_INVARIANT(total_inv.has_value(), "inverse of a product of non-zero Z values");
  F inv = *total_inv;  // the inverse of prefix[i] at step i
  for (size_t i = in.size(); i-- > 0;) {
    if (in[i].z.is_zero()) {
      out[i] = A::identity();
      continue;
    }
    const F z_inv = i == 0 ? inv : inv.mul(prefix[i - 1]);
    inv = inv.mul(in[i].z);
    const F z_inv2 = z_inv.square();
    out[i] = A{in[i].x.mul(z_inv2), in[i].y.mul(z_inv2.mul(z_inv)), false};
  }
}

// out[t] = [2t + 1]p in Jacobian form, t < out.size().
template <class P, class A>
void odd_multiples(const A& p, std::span<P> out) {
  if (p.infinity) {
    std::fill(out.begin(), out.end(), P::identity());
    return;
  }
  if (out.empty()) return;
  out[0] = p.to_projective();
  if (out.size() == 1) return;
  P two_p = out[0];
  two_p.double_in_place();
  out[1] = two_p;
  out[1].add_assign_affine(p);
  for (size_t t = 2; t < out.size(); ++t) {
    out[t] = out[t - 1];
    out[t].add_assign(two_p);
  }
}

// t += [d]table for a digit of a width-w form: d odd, |d| < 2^(w-1), table[i] = [2i + 1]p.
template <class P, class A>
void add_wnaf_digit(P& t, int8_t d, std::span<const A> table) {
  if (d == 0) return;
  const A& q = table[static_cast<size_t>((d > 0 ? d : -d) - 1) / 2];
  if (q.infinity) return;
  t.add_assign_affine(d > 0 ? q : q.neg());
}

// [k]p from the width-W form of k: the odd multiples p, [3]p, ... [2^(W-1) - 1]p made affine
// with one inversion, then one doubling per digit and one mixed addition per non-zero digit.
template <unsigned W, class P, class A, size_t Words>
P scalar_mul_wnaf(const A& p, const WnafDigits<Words>& k) {
  static_assert(W >= 2 && W <= 7);
  constexpr size_t kTable = size_t{1} << (W - 2);
  if (p.infinity || k.size == 0) return P::identity();
  std::array<P, kTable> jac;
  std::array<A, kTable> table;
  odd_multiples<P, A>(p, jac);
  batch_to_affine<A, P>(jac, table);
  P t = P::identity();
  for (size_t i = k.size; i-- > 0;) {
    t.double_in_place();
    add_wnaf_digit<P, A>(t, k.digits[i], table);
  }
  return t;
}

// sum of [k_j]p_j by Straus's method on width-W forms: the doublings are shared, every point
// has its own table of odd multiples, and all the tables are made affine with one inversion.
template <unsigned W, class P, class A, size_t Words>
P multi_scalar_mul_wnaf(std::span<const A> points, std::span<const std::array<uint64_t, Words>> k) {
  static_assert(W >= 2 && W <= 7);
  constexpr size_t kTable = size_t{1} << (W - 2);
  KOVRA_INVARIANT(points.size() == k.size(), "one scalar per point");
  const size_t n = points.size();
  std::vector<WnafDigits<Words>> digits(n);
  std::vector<P> jac(n * kTable);
  std::vector<A> table(n * kTable);
  size_t longest = 0;
  for (size_t j = 0; j < n; ++j) {
    digits[j] = wnaf_digits(k[j], W);
    if (points[j].infinity) digits[j].size = 0;
    longest = std::max(longest, digits[j].size);
    odd_multiples<P, A>(points[j], std::span<P>(jac).subspan(j * kTable, kTable));
  }
  batch_to_affine<A, P>(jac, table);
  P t = P::identity();
  for (size_t i = longest; i-- > 0;) {
    t.double_in_place();
    for (size_t j = 0; j < n; ++j) {
      if (i >= digits[j].size) continue;
      add_wnaf_digit<P, A>(t, digits[j].digits[i],
                           std::span<const A>(table).subspan(j * kTable, kTable));
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
