#include "stark/fri.h"

#include <algorithm>
#include <array>
#include <bit>

#include "base/invariant.h"
#include "stark/ntt.h"
#include "wide_sum.h"

namespace kovra::stark {

namespace {

// Products by one fixed extension element y: with -11 y1, -11 y2 and -11 y3 taken once, each
// component of x * y is one sum of four products (below 4 P^2 < 2^64), reduced once.
class FixedFactor {
 public:
  explicit FixedFactor(const BabyBearExtElem& y)
      : y0_(y.c[0].raw()),
        y1_(y.c[1].raw()),
        y2_(y.c[2].raw()),
        y3_(y.c[3].raw()),
        m1_((y.c[1] * BabyBearExtElem::kMinusEleven).raw()),
        m2_((y.c[2] * BabyBearExtElem::kMinusEleven).raw()),
        m3_((y.c[3] * BabyBearExtElem::kMinusEleven).raw()) {}

  BabyBearExtElem times(const BabyBearExtElem& x) const {
    const uint64_t x0 = x.c[0].raw(), x1 = x.c[1].raw(), x2 = x.c[2].raw(), x3 = x.c[3].raw();
    auto r = [](uint64_t t) { return BabyBearElem::from_raw(BabyBearElem::mont_reduce(t)); };
    return {r(x0 * y0_ + x1 * m3_ + x2 * m2_ + x3 * m1_), r(x0 * y1_ + x1 * y0_ + x2 * m3_ + x3 * m2_),
            r(x0 * y2_ + x1 * y1_ + x2 * y0_ + x3 * m3_), r(x0 * y3_ + x1 * y2_ + x2 * y1_ + x3 * y0_)};
  }

 private:
  uint64_t y0_, y1_, y2_, y3_, m1_, m2_, m3_;
};

}  // namespace

BabyBearExtElem poly_eval_ext(std::span<const BabyBearExtElem> coefficients,
                              const BabyBearExtElem& point) {
  const FixedFactor y(point);
  BabyBearExtElem acc;
  for (size_t i = coefficients.size(); i-- > 0;) acc = y.times(acc) + coefficients[i];
  return acc;
}

namespace {

using detail::WideSum;
using detail::wide_reduce;

// Sum of c_i x^i, powers[i] being the word of x^i: a lazy sum per component.
BabyBearExtElem dot_with_powers(std::span<const BabyBearExtElem> c, const uint64_t* powers) {
  WideSum acc[4] = {0, 0, 0, 0};
  for (size_t i = 0; i < c.size(); ++i)
    for (size_t k = 0; k < 4; ++k) acc[k] += c[i].c[k].raw() * powers[i];
  return wide_reduce(acc);
}

}  // namespace

// In blocks of 16 coefficients: per block the lazy sum of c_(16a+j) x^j, reduced, then the
// lazy sum of the block values times x^(16a). Only the powers x^0..x^16 and one power per block
// are chained products; the rest are independent multiply-adds.
BabyBearExtElem poly_eval_ext(std::span<const BabyBearExtElem> coefficients, BabyBearElem point) {
  constexpr size_t kBlock = 16;
  const size_t n = coefficients.size();
  uint64_t powers[kBlock];
  BabyBearElem p = BabyBearElem::one();
  for (size_t j = 0; j < std::min(n, kBlock); ++j) {
    powers[j] = p.raw();
    p *= point;
  }
  WideSum out[4] = {0, 0, 0, 0};
  BabyBearElem scale = BabyBearElem::one();
  for (size_t a = 0; a < n; a += kBlock) {
    const BabyBearExtElem block = dot_with_powers(
        coefficients.subspan(a, std::min(kBlock, n - a)), powers);
    for (size_t k = 0; k < 4; ++k) out[k] += uint64_t{block.c[k].raw()} * scale.raw();
    scale *= p;  // p is x^16 whenever another block follows
  }
  return wide_reduce(out);
}

namespace {

// Entry j of extension elements sent as four planes of n words each (plane k holds
// component k of every entry).
BabyBearExtElem from_planes(const uint32_t* planes, size_t n, size_t j) {
  return BabyBearExtElem(BabyBearElem::from_raw(planes[j]), BabyBearElem::from_raw(planes[n + j]),
                         BabyBearElem::from_raw(planes[2 * n + j]),
                         BabyBearElem::from_raw(planes[3 * n + j]));
}

}  // namespace

BabyBearExtElem poly_eval_planes_portable(std::span<const uint32_t> planes, BabyBearElem point) {
  const size_t n = planes.size() / 4;
  std::vector<BabyBearExtElem> c(n);
  for (size_t j = 0; j < n; ++j) c[j] = from_planes(planes.data(), n, j);
  return poly_eval_ext(c, point);
}

BabyBearExtElem poly_eval_planes(std::span<const uint32_t> planes, BabyBearElem point) {
  static const bool avx2 = fri_has_avx2();
  return avx2 ? poly_eval_planes_avx2(planes, point) : poly_eval_planes_portable(planes, point);
}

BabyBearExtElem deep_term_sum_portable(std::span<const DeepTerm> terms,
                                       const uint32_t* const source[4]) {
  WideSum acc[4] = {0, 0, 0, 0};
  for (const DeepTerm& t : terms) {
    const uint64_t v = source[t.source][t.column];
    for (size_t k = 0; k < 4; ++k) acc[k] += v * t.mix_pow[k];
  }
  return wide_reduce(acc);
}

void fold_butterfly_portable(std::span<const uint32_t, 64> row,
                             std::span<BabyBearExtElem, 16> out) {
  for (size_t j = 0; j < 16; ++j) out[j] = from_planes(row.data(), 16, j);
  rev_butterfly_16(out);
}

BabyBearExtElem deep_term_sum(std::span<const DeepTerm> terms, const uint32_t* const source[4]) {
  static const bool avx2 = fri_has_avx2();
  return avx2 ? deep_term_sum_avx2(terms, source) : deep_term_sum_portable(terms, source);
}

DeepInputs::DeepInputs(const TapLayout& l, std::span<const BabyBearExtElem> u,
                       std::span<const BabyBearExtElem> tap_pows,
                       std::span<const BabyBearExtElem> check_pows, const BabyBearExtElem& z,
                       BabyBearElem back_one)
    : layout(&l), combo_u(u) {
  points.reserve(l.total_combo_backs + 1);
  for (uint16_t b : l.combo_backs) points.push_back(z * back_one.pow(b));
  points.push_back(z.pow(4));

  KOVRA_INVARIANT(check_pows.size() == kCheckColumns, "one mix power per check column");
  auto raw = [](const BabyBearExtElem& e) {
    return std::array<uint32_t, 4>{e.c[0].raw(), e.c[1].raw(), e.c[2].raw(), e.c[3].raw()};
  };
  // Bucket the registers by combo; the check columns form the last term.
  const size_t n_terms = l.combo_count + 1;
  term_starts.assign(n_terms + 1, 0);
  for (size_t t = 0; t < l.taps.size(); t += l.taps[t].count) ++term_starts[l.taps[t].combo + 1];
  term_starts[n_terms] += kCheckColumns;
  for (size_t i = 0; i < n_terms; ++i) term_starts[i + 1] += term_starts[i];
  terms.resize(term_starts[n_terms]);
  std::vector<size_t> next(term_starts.begin(), term_starts.end() - 1);
  size_t reg = 0;
  for (size_t t = 0; t < l.taps.size(); t += l.taps[t].count, ++reg) {
    const TapRecord& r = l.taps[t];
    KOVRA_INVARIANT(reg < tap_pows.size(), "tap_mix_pows has one entry per register");
    terms[next[r.combo]++] = DeepTerm{static_cast<uint32_t>(r.group), r.column, raw(tap_pows[reg])};
  }
  KOVRA_INVARIANT(reg == tap_pows.size(), "tap_mix_pows has one entry per register");
  for (size_t i = 0; i < kCheckColumns; ++i)
    terms[next[l.combo_count]++] = DeepTerm{3, static_cast<uint32_t>(i), raw(check_pows[i])};

  // The divisor polynomials, one factor (x - point) at a time.
  divisor_starts.push_back(0);
  for (size_t c = 0; c < n_terms; ++c) {
    const size_t first = c < l.combo_count ? l.combo_starts[c] : l.total_combo_backs;
    const size_t last = c < l.combo_count ? l.combo_starts[c + 1] : l.total_combo_backs + 1;
    std::vector<BabyBearExtElem> poly{BabyBearExtElem::one()};
    for (size_t k = first; k < last; ++k) {
      poly.push_back(BabyBearExtElem::zero());
      for (size_t i = poly.size() - 1; i > 0; --i) poly[i] = poly[i - 1] - points[k] * poly[i];
      poly[0] = -(points[k] * poly[0]);
    }
    divisor_coeffs.insert(divisor_coeffs.end(), poly.begin(), poly.end());
    divisor_starts.push_back(divisor_coeffs.size());
  }
}

DeepPoints::DeepPoints(const DeepInputs& in, std::span<const BabyBearElem> xs)
    : terms_(in.term_count()) {
  const TapLayout& l = *in.layout;
  const size_t nq = xs.size();
  const size_t total = nq * terms_;
  inv_div_.resize(total);
  zero_.assign(nq, 0);
  // Divisors: per term its divisor polynomial at x. A zero one marks its point and stands in
  // the batch as one.
  std::vector<BabyBearExtElem> div(total), prefix(total);
  opened_.resize(total);
  const std::span<const BabyBearExtElem> dc(in.divisor_coeffs);
  size_t longest = 0;
  for (size_t c = 0; c < terms_; ++c)
    longest = std::max(longest, in.divisor_starts[c + 1] - in.divisor_starts[c]);
  std::vector<uint64_t> powers(longest);
  for (size_t q = 0; q < nq; ++q) {
    BabyBearElem p = BabyBearElem::one();
    for (uint64_t& w : powers) {
      w = p.raw();
      p *= xs[q];
    }
    BabyBearExtElem* d = div.data() + q * terms_;
    BabyBearExtElem* u = opened_.data() + q * terms_;
    for (size_t c = 0; c < terms_; ++c) {
      // A term's opening polynomial has one coefficient per opening point: fewer than its
      // divisor's.
      const size_t first = c < l.combo_count ? l.combo_starts[c] : l.total_combo_backs;
      const size_t last = c < l.combo_count ? l.combo_starts[c + 1] : l.total_combo_backs + 1;
      u[c] = dot_with_powers(in.combo_u.subspan(first, last - first), powers.data());
      d[c] = dot_with_powers(
          dc.subspan(in.divisor_starts[c], in.divisor_starts[c + 1] - in.divisor_starts[c]),
          powers.data());
      if (d[c] == BabyBearExtElem::zero()) {
        zero_[q] = 1;
        d[c] = BabyBearExtElem::one();
      }
    }
  }
  // Inverted together: per point the prefix products of its divisors, across the points the
  // prefix products of the points' products, one inverse, then back down. The chains within a
  // point are short and independent of the other points'.
  std::vector<BabyBearExtElem> point_prod(nq), point_prefix(nq);
  for (size_t q = 0; q < nq; ++q) {
    const BabyBearExtElem* d = div.data() + q * terms_;
    BabyBearExtElem* pre = prefix.data() + q * terms_;
    BabyBearExtElem acc = BabyBearExtElem::one();
    for (size_t c = 0; c < terms_; ++c) {
      pre[c] = acc;
      acc *= d[c];
    }
    point_prod[q] = acc;
  }
  BabyBearExtElem acc = BabyBearExtElem::one();
  for (size_t q = 0; q < nq; ++q) {
    point_prefix[q] = acc;
    acc *= point_prod[q];
  }
  BabyBearExtElem inv = acc.inv();
  for (size_t q = nq; q-- > 0;) {
    BabyBearExtElem inv_q = inv * point_prefix[q];
    inv *= point_prod[q];
    const BabyBearExtElem* d = div.data() + q * terms_;
    const BabyBearExtElem* pre = prefix.data() + q * terms_;
    BabyBearExtElem* out = inv_div_.data() + q * terms_;
    for (size_t c = terms_; c-- > 0;) {
      out[c] = inv_q * pre[c];
      inv_q *= d[c];
    }
  }
}

VerificationError FriRound::fold_query(SealReader& reader, const HashFunction& hash,
                                       uint64_t& pos, BabyBearExtElem& goal) const {
  const uint64_t quot = pos / domain;
  const uint64_t group = pos % domain;
  auto row = tree.verify_row(reader, hash, group);
  if (!row) return row.error();
  const std::span<const uint32_t> w = *row;
  KOVRA_INVARIANT(quot < 16 && w.size() == 64, "fold position beyond the previous domain");
  if (from_planes(w.data(), 16, quot) != goal) return VerificationError::proof_rejected();
  // The interpolation's coefficient i is the butterfly's entry at the bit-reversal of i over
  // 16; the scaling by 1/16 is applied once to the evaluated sum.
  static constexpr uint8_t kRev4[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
  static constexpr BabyBearElem kInv16 = BabyBearElem::from_u32(16).inv();
  static const bool avx2 = fri_has_avx2();
  std::array<BabyBearExtElem, 16> v;
  const std::span<const uint32_t, 64> planes(w.data(), 64);
  if (avx2) {
    fold_butterfly_avx2(planes, v);
  } else {
    fold_butterfly_portable(planes, v);
  }
  // The even and the odd coefficients as two independent Horner chains in y^2:
  // p(y) = E(y^2) + y O(y^2).
  const BabyBearExtElem y =
      mix * root_power(INV_ROOTS, static_cast<uint32_t>(std::countr_zero(kFriFold * domain)), group);
  const FixedFactor y2(y * y);
  BabyBearExtElem even, odd;
  for (size_t m = 8; m-- > 0;) {
    even = y2.times(even) + v[kRev4[2 * m]];
    odd = y2.times(odd) + v[kRev4[2 * m + 1]];
  }
  goal = (even + y * odd) * kInv16;
  pos = group;
  return VerificationError::ok();
}

VResult<BabyBearExtElem> deep_combine_query(const DeepInputs& in, const DeepPoints& points,
                                            size_t q, const std::span<const uint32_t> rows[3],
                                            std::span<const uint32_t> check_row) {
  if (points.on_opening_point(q)) return base::Err(VerificationError::proof_rejected());
  const uint32_t* source[4] = {rows[0].data(), rows[1].data(), rows[2].data(), check_row.data()};
  const std::span<const BabyBearExtElem> inv_div = points.inv_divisors(q);
  const std::span<const BabyBearExtElem> opened = points.opened(q);
  // Per term the sum of mix power times opened value, less the opening polynomial, over the
  // divisor.
  const std::span<const DeepTerm> all(in.terms);
  BabyBearExtElem ret;
  for (size_t i = 0; i < in.term_count(); ++i) {
    const auto terms = all.subspan(in.term_starts[i], in.term_starts[i + 1] - in.term_starts[i]);
    ret += (deep_term_sum(terms, source) - opened[i]) * inv_div[i];
  }
  return ret;
}

VResult<BabyBearExtElem> deep_combine_query(const DeepInputs& in,
                                            const std::span<const uint32_t> rows[3],
                                            std::span<const uint32_t> check_row, BabyBearElem x) {
  const DeepPoints points(in, std::span(&x, 1));
  return deep_combine_query(in, points, 0, rows, check_row);
}

}  // namespace kovra::stark
