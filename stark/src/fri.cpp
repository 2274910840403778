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

BabyBearExtElem poly_eval_ext(std::span<const BabyBearExtElem> coefficients, BabyBearElem point) {
  BabyBearExtElem acc;
  for (size_t i = coefficients.size(); i-- > 0;) acc = acc * point + coefficients[i];
  return acc;
}

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
  std::vector<BabyBearExtElem> tot(l.combo_count + 1);
  size_t reg = 0;
  for (size_t t = 0; t < l.taps.size(); t += l.taps[t].count, ++reg) {
    const TapRecord& r = l.taps[t];
    tot[r.combo] += in.tap_mix_pows[reg] * BabyBearElem::from_raw(rows[r.group][r.column]);
  }
  KOVRA_INVARIANT(reg == in.tap_mix_pows.size(), "tap_mix_pows has one entry per register");
  for (size_t i = 0; i < kCheckColumns; ++i)
    tot[l.combo_count] += in.check_mix_pows[i] * BabyBearElem::from_raw(check_row[i]);
  // Divisors: per combo the product of (x - point) over its backs, then x - z^4; inverted
  // together (one inverse for all). A zero divisor makes the product zero.
  std::vector<BabyBearExtElem> div(l.combo_count + 1, BabyBearExtElem::one());
  for (size_t c = 0; c < l.combo_count; ++c)
    for (size_t k = l.combo_starts[c]; k < l.combo_starts[c + 1]; ++k)
      div[c] *= BabyBearExtElem(x) - in.points[k];
  div[l.combo_count] = BabyBearExtElem(x) - in.points[l.total_combo_backs];
  std::vector<BabyBearExtElem> prefix(div.size());
  BabyBearExtElem acc = BabyBearExtElem::one();
  for (size_t i = 0; i < div.size(); ++i) {
    prefix[i] = acc;
    acc *= div[i];
  }
  if (acc == BabyBearExtElem::zero()) return base::Err(VerificationError::proof_rejected());
  BabyBearExtElem inv = acc.inv();
  BabyBearExtElem ret;
  for (size_t i = div.size(); i-- > 0;) {
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
