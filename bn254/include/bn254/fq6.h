// Fq6 = Fq2[v]/(v^3 - ξ), ξ = 9 + u: the middle layer of the tower.
//
// An element c0 + c1·v + c2·v^2 is three Fq2 values; its six base-field coordinates run
// c0.c0, c0.c1, c1.c0, c1.c1, c2.c0, c2.c1. ξ is never stored: the product by it is
// `mul_fq2_by_nonresidue`, additions and doublings only. Products are Karatsuba (six Fq2
// products), squaring is Chung-Hasan SQR2, and `mul_by_c0_c1` multiplies by an element whose
// c2 is zero (five Fq2 products), as the Miller loop's lines are.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "base/byte_reader.h"
#include "base/result.h"
#include "bn254/errors.h"
#include "bn254/fq2.h"

namespace kovra::bn254 {

// Entry k is ξ^((p^k - 1)/3), k = 0..5.
extern const std::array<Fq2, 6> FQ6_FROBENIUS_C1;
// Entry k is ξ^(2(p^k - 1)/3) = FQ6_FROBENIUS_C1[k]^2, k = 0..5.
extern const std::array<Fq2, 6> FQ6_FROBENIUS_C2;

struct Fq6 {
  Fq2 c0{};
  Fq2 c1{};
  Fq2 c2{};

  static constexpr Fq6 zero() { return Fq6{}; }
  static constexpr Fq6 one() { return Fq6{Fq2::one(), Fq2{}, Fq2{}}; }

  // Stops at the first non-zero coordinate in storage order.
  constexpr bool is_zero() const { return c0.is_zero() && c1.is_zero() && c2.is_zero(); }
  constexpr bool operator==(const Fq6&) const = default;

  // ξ·t = (9·t0 - t1) + (9·t1 + t0)·u, with no base-field product: each part is formed as an
  // integer below 10p (9·t0 + p - t1 and 9·t1 + t0) and reduced once.
  static constexpr Fq2 mul_fq2_by_nonresidue(const Fq2& t) {
    using P = detail::FqParams;
    return Fq2{Fq{detail::reduce_small_multiple<P>(detail::nine_times_minus<P>(t.c0.mont, t.c1.mont))},
               Fq{detail::reduce_small_multiple<P>(detail::nine_times_plus(t.c1.mont, t.c0.mont))}};
  }

  void add_assign(const Fq6& b) {
    c0.add_assign(b.c0);
    c1.add_assign(b.c1);
    c2.add_assign(b.c2);
  }
  void sub_assign(const Fq6& b) {
    c0.sub_assign(b.c0);
    c1.sub_assign(b.c1);
    c2.sub_assign(b.c2);
  }
  Fq6& double_in_place() {
    c0.double_in_place();
    c1.double_in_place();
    c2.double_in_place();
    return *this;
  }
  Fq6 add(const Fq6& b) const { Fq6 r = *this; r.add_assign(b); return r; }
  Fq6 sub(const Fq6& b) const { Fq6 r = *this; r.sub_assign(b); return r; }
  Fq6 neg() const { return Fq6{c0.neg(), c1.neg(), c2.neg()}; }

  // self = self·b; b must be a separate value.
  void mul_assign(const Fq6& b);
  Fq6 mul(const Fq6& b) const { Fq6 r = *this; r.mul_assign(b); return r; }
  // a^2 (Chung-Hasan SQR2).
  Fq6 square() const;
  // self = self·(b0 + b1·v).
  void mul_by_c0_c1(const Fq2& b0, const Fq2& b1);
  // self = self^(p^k), k in 0..5.
  void frobenius_map(uint64_t k);

  // Encoding: the six coordinates in storage order, 32 bytes each (see fq.h).
  void write_canonical(std::vector<uint8_t>& out) const;
  static base::Result<Fq6, PointDecodeError> read(base::ByteReader& in);
};

}  // namespace kovra::bn254
