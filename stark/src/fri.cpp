#include "stark/fri.h"

#include <array>
#include <bit>

#include "base/invariant.h"
#include "stark/ntt.h"

namespace kovra::stark {

BabyBearExtElem poly_eval_ext(std::span<const BabyBearExtElem> coefficients,
                              const BabyBearExtElem& point) {
  BabyBearExtElem acc;
  for (size_t i = coefficients.size(); i-- > 0;) acc = acc * point + coefficients[i];
  return acc;
}

// Horner's rule on each component: acc = acc * point + c, one reduction per step. The
// coefficient word shifted up by 32 bits reduces to itself, so the unreduced product plus it
// (below P^2 + P 2^32 < 2^64) reduces to the step's result.
BabyBearExtElem poly_eval_ext(std::span<const BabyBearExtElem> coefficients, BabyBearElem point) {
  const uint64_t x = point.raw();
  uint64_t acc[4] = {0, 0, 0, 0};
  for (size_t i = coefficients.size(); i-- > 0;)
    for (size_t k = 0; k < 4; ++k)
      acc[k] = BabyBearElem::mont_reduce(acc[k] * x + (uint64_t{coefficients[i].c[k].raw()} << 32));
  return BabyBearExtElem(BabyBearElem::from_raw(static_cast<uint32_t>(acc[0])),
                         BabyBearElem::from_raw(static_cast<uint32_t>(acc[1])),
                         BabyBearElem::from_raw(static_cast<uint32_t>(acc[2])),
                         BabyBearElem::from_raw(static_cast<uint32_t>(acc[3])));
}

namespace {

// A sum of products of reduced words, kept below 2^63 by taking P 2^32 (which reduces to zero)
// away whenever it passes 2^63; reduce() gives the sum / 2^32 mod P.
struct LazySum {
  uint64_t t = 0;
  void add_product(uint32_t a, uint32_t b) {
    t += uint64_t{a} * b;  // below 2^63 + P^2
    if (t >= (uint64_t{1} << 63)) t -= uint64_t{BabyBearElem::P} << 32;
  }
  BabyBearElem reduce() const { return BabyBearElem::from_raw(BabyBearElem::mont_reduce(t)); }
};

// An extension element as four lazy component sums.
struct LazyExtSum {
  LazySum c[4];
  void add_product(const BabyBearExtElem& a, BabyBearElem b) {
    for (size_t k = 0; k < 4; ++k) c[k].add_product(a.c[k].raw(), b.raw());
  }
  BabyBearExtElem reduce() const {
    return BabyBearExtElem(c[0].reduce(), c[1].reduce(), c[2].reduce(), c[3].reduce());
  }
};

}  // namespace

DeepInputs::DeepInputs(const TapLayout& l, std::span<const BabyBearExtElem> u,
                       std::span<const BabyBearExtElem> tap_pows,
                       std::span<const BabyBearExtElem> check_pows, const BabyBearExtElem& z,
                       BabyBearElem back_one)
    : layout(&l), combo_u(u), tap_mix_pows(tap_pows), check_mix_pows(check_pows) {
  points.reserve(l.total_combo_backs + 1);
  for (uint16_t b : l.combo_backs) points.push_back(z * back_one.pow(b));
  points.push_back(z.pow(4));
}

VerificationError FriRound::fold_query(SealReader& reader, const HashFunction& hash,
                                       uint64_t& pos, BabyBearExtElem& goal) const {
  const uint64_t quot = pos / domain;
  const uint64_t group = pos % domain;
  auto row = tree.verify_row(reader, hash, group);
  if (!row) return row.error();
  const std::span<const uint32_t> w = *row;
  std::array<BabyBearExtElem, 16> v;
  for (size_t j = 0; j < 16; ++j)
    v[j] = BabyBearExtElem(BabyBearElem::from_raw(w[j]), BabyBearElem::from_raw(w[16 + j]),
                           BabyBearElem::from_raw(w[32 + j]), BabyBearElem::from_raw(w[48 + j]));
  KOVRA_INVARIANT(quot < 16, "fold position beyond the previous domain");
  if (v[quot] != goal) return VerificationError::proof_rejected();
  const BabyBearElem inv_wk =
      INV_ROOTS[std::countr_zero(kFriFold * domain)].pow(group);
  interpolate_16(v);
  goal = poly_eval_ext(v, mix * inv_wk);
  pos = group;
  return VerificationError::ok();
}

VResult<BabyBearExtElem> deep_combine_query(const DeepInputs& in,
                                            const std::span<const uint32_t> rows[3],
                                            std::span<const uint32_t> check_row, BabyBearElem x) {
  const TapLayout& l = *in.layout;
  const size_t terms = l.combo_count + 1;
  // Per combo the sum of mix power times opened value over its registers (lazily reduced),
  // then the check columns'.
  std::vector<LazyExtSum> sums(terms);
  size_t reg = 0;
  for (size_t t = 0; t < l.taps.size(); t += l.taps[t].count, ++reg) {
    const TapRecord& r = l.taps[t];
    sums[r.combo].add_product(in.tap_mix_pows[reg], BabyBearElem::from_raw(rows[r.group][r.column]));
  }
  KOVRA_INVARIANT(reg == in.tap_mix_pows.size(), "tap_mix_pows has one entry per register");
  for (size_t i = 0; i < kCheckColumns; ++i)
    sums[l.combo_count].add_product(in.check_mix_pows[i], BabyBearElem::from_raw(check_row[i]));
  // One block for the reduced sums, the divisors and their prefix products.
  std::vector<BabyBearExtElem> scratch(3 * terms);
  BabyBearExtElem* tot = scratch.data();
  BabyBearExtElem* div = tot + terms;
  BabyBearExtElem* prefix = div + terms;
  for (size_t i = 0; i < terms; ++i) tot[i] = sums[i].reduce();
  // Divisors: per combo the product of (x - point) over its backs, then x - z^4; inverted
  // together (one inverse for all). A zero divisor makes the product zero.
  for (size_t c = 0; c < l.combo_count; ++c) {
    div[c] = BabyBearExtElem::one();
    for (size_t k = l.combo_starts[c]; k < l.combo_starts[c + 1]; ++k)
      div[c] *= BabyBearExtElem(x) - in.points[k];
  }
  div[l.combo_count] = BabyBearExtElem(x) - in.points[l.total_combo_backs];
  BabyBearExtElem acc = BabyBearExtElem::one();
  for (size_t i = 0; i < terms; ++i) {
    prefix[i] = acc;
    acc *= div[i];
  }
  if (acc == BabyBearExtElem::zero()) return base::Err(VerificationError::proof_rejected());
  BabyBearExtElem inv = acc.inv();
  BabyBearExtElem ret;
  for (size_t i = terms; i-- > 0;) {
    const BabyBearExtElem div_inv = inv * prefix[i];
    inv *= div[i];
    BabyBearExtElem num;
    if (i == l.combo_count) {
      num = tot[i] - in.combo_u[l.total_combo_backs];
    } else {
      num = tot[i] - poly_eval_ext(in.combo_u.subspan(l.combo_starts[i],
                                                      l.combo_starts[i + 1] - l.combo_starts[i]),
                                   x);
    }
    ret += num * div_inv;
  }
  return ret;
}

}  // namespace kovra::stark
