#include "stark/fri.h"

#include <array>
#include <bit>

#include "base/invariant.h"
#include "stark/ntt.h"

namespace kovra::stark {

BabyBearExtElem poly_eval_ext(std::span<const BabyBearExtElem> coefficients,
                              const BabyBearExtElem& point) {
  BabyBearExtElem acc, power = BabyBearExtElem::one();
  for (const auto& c : coefficients) {
    acc += c * power;
    power *= point;
  }
  return acc;
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
  const BabyBearExtElem xe(x);
  BabyBearExtElem ret;
  for (size_t c = 0; c < l.combo_count; ++c) {
    const auto u = in.combo_u.subspan(l.combo_starts[c], l.combo_starts[c + 1] - l.combo_starts[c]);
    const BabyBearExtElem num = tot[c] - poly_eval_ext(u, xe);
    BabyBearExtElem div = BabyBearExtElem::one();
    for (size_t k = l.combo_starts[c]; k < l.combo_starts[c + 1]; ++k)
      div *= xe - in.z * in.back_one.pow(l.combo_backs[k]);
    if (div == BabyBearExtElem::zero()) return base::Err(VerificationError::proof_rejected());
    ret += num * div.inv();
  }
  const BabyBearExtElem num = tot[l.combo_count] - in.combo_u[l.total_combo_backs];
  const BabyBearExtElem div = xe - in.z.pow(4);
  if (div == BabyBearExtElem::zero()) return base::Err(VerificationError::proof_rejected());
  ret += num * div.inv();
  return ret;
}

}  // namespace kovra::stark
