#include "stark/verify.h"

#include <array>
#include <bit>

#include "base/invariant.h"

namespace kovra::stark {

StarkVerifier::Borrow::Borrow(StarkVerifier& v) : v_(v) {
  KOVRA_INVARIANT(!v_.reader_taken_, "the seal reader is already taken");
  v_.reader_taken_ = true;
}
StarkVerifier::Borrow::~Borrow() { v_.reader_taken_ = false; }

StarkVerifier::StarkVerifier(const CircuitDescription& circuit, const HashSuite& suite,
                             std::span<const uint32_t> words)
    : circuit_(circuit), suite_(suite), reader_(words, suite.rng->new_rng()) {}

void StarkVerifier::mix_protocol_tags() {
  Borrow r(*this);
  const HashFunction& h = *suite_.hash;
  r->transcript().mix(h.hash_elem_slice(tag_to_elems(kProofSystemTag.bytes)));
  r->transcript().mix(h.hash_elem_slice(tag_to_elems(circuit_.tag.bytes)));
}

VResult<std::span<const uint32_t>> StarkVerifier::read_public_words() {
  const uint64_t n = circuit_.public_words;
  std::span<const uint32_t> words;
  {
    Borrow r(*this);
    KOVRA_ASSIGN_OR_RETURN(words, r->read_words(n + 1));
    if (!all_reduced(words)) return base::Err(VerificationError::malformed());
    r->transcript().mix(suite_.hash->hash_elem_slice(elems_of(words)));
  }
  const uint32_t po2 = words[n];
  if (po2 > kMaxPo2) return base::Err(VerificationError::malformed());
  po2_ = po2;
  size_ = uint64_t{1} << po2;
  return words.first(n);
}

VResult<Digest> StarkVerifier::commit_group(size_t group) {
  KOVRA_INVARIANT(group < 3, "a register group is 0, 1 or 2");
  KOVRA_INVARIANT(size_ != 0, "the public words come before the groups");
  if (groups_[group]) return base::Err(VerificationError::malformed());
  Borrow r(*this);
  KOVRA_ASSIGN_OR_RETURN(auto tree, CommittedTree::read(*r, *suite_.hash, kExpansion * size_,
                                                          circuit_.widths[group]));
  groups_[group] = std::move(tree);
  return groups_[group]->root();
}

std::vector<BabyBearElem> StarkVerifier::draw_mix(uint64_t start, uint64_t end) {
  std::vector<BabyBearElem> out;
  if (end <= start) return out;
  out.reserve(end - start);
  for (uint64_t i = start; i < end; ++i) {
    Borrow r(*this);
    out.push_back(r->transcript().random_elem());
  }
  return out;
}

VResult<std::array<std::span<const uint32_t>, 3>> StarkVerifier::query_group_rows(uint64_t idx) {
  std::array<std::span<const uint32_t>, 3> rows;
  Borrow r(*this);
  for (size_t g = 0; g < 3; ++g) {
    KOVRA_ASSIGN_OR_RETURN(rows[g], groups_[g]->verify_row(*r, *suite_.hash, idx));
  }
  return rows;
}

VerificationError StarkVerifier::finish(std::span<const uint32_t> public_words,
                                        std::span<const BabyBearElem> mix) {
  for (size_t g = 0; g < 3; ++g)
    KOVRA_INVARIANT(groups_[g].has_value(), "every register group is committed before closing");
  const HashFunction& hash = *suite_.hash;
  const uint64_t domain0 = kExpansion * size_;

  // Constraint mix, check tree, z.
  BabyBearExtElem poly_mix, z;
  std::optional<CommittedTree> check_tree;
  {
    Borrow r(*this);
    poly_mix = r->transcript().random_ext_elem();
    auto t = CommittedTree::read(*r, hash, domain0, kCheckColumns);
    if (!t) return t.error();
    check_tree = std::move(*t);
    z = r->transcript().random_ext_elem();
  }
  const BabyBearElem back_one = INV_ROOTS[po2_];

  // Coefficient list: per register its openings' polynomial, then the 16 check values.
  const uint64_t taps = circuit_.tap_count;
  std::vector<BabyBearExtElem> coeffs;
  {
    Borrow r(*this);
    auto c = r->read_ext_elems(taps + kCheckColumns);
    if (!c) return c.error();
    coeffs = std::move(*c);
    r->transcript().mix(hash.hash_ext_elem_slice(coeffs));
  }
  if (!circuit_.has_tables()) return VerificationError::proof_rejected();
  const TapLayout& layout = *circuit_.layout;
  KOVRA_INVARIANT(layout.tap_count() == taps, "the layout's tap count is the circuit's");

  // Tap evaluations.
  std::vector<BabyBearExtElem> tap_values;
  tap_values.reserve(taps);
  for (size_t t = 0; t < taps; t += layout.taps[t].count) {
    const size_t n = layout.taps[t].count;
    const std::span<const BabyBearExtElem> poly(coeffs.data() + t, n);
    for (size_t k = 0; k < n; ++k)
      tap_values.push_back(poly_eval_ext(poly, z * back_one.pow(layout.taps[t + k].back)));
  }
  KOVRA_INVARIANT(tap_values.size() == taps, "one evaluation per tap");

  // Constraint identity: E(3z) = C(z) * ((3z)^size - 1).
  const std::vector<BabyBearElem> args0 = elems_of(public_words);
  const MixAccumulator acc =
      eval_constraints(*circuit_.program, poly_mix, tap_values, args0, mix);
  static constexpr size_t kOrder[4] = {0, 2, 1, 3};
  const BabyBearExtElem x_gen(BabyBearElem::zero(), BabyBearElem::one(), BabyBearElem::zero(),
                              BabyBearElem::zero());
  const BabyBearExtElem* c = coeffs.data() + taps;
  BabyBearExtElem check;
  for (size_t i = 0; i < 4; ++i) {
    const size_t ri = kOrder[i];
    const BabyBearExtElem part = c[ri] + c[ri + 4] * x_gen + c[ri + 8] * x_gen.pow(2) +
                                 c[ri + 12] * x_gen.pow(3);
    check += z.pow(i) * part;
  }
  const BabyBearExtElem three_z = z * BabyBearElem::from_u32(3);
  check *= three_z.pow(size_) - BabyBearExtElem::one();
  if (check != acc.sum) return VerificationError::proof_rejected();

  // DEEP mix, combination list and mix powers.
  BabyBearExtElem deep_mix;
  {
    Borrow r(*this);
    deep_mix = r->transcript().random_ext_elem();
  }
  std::vector<BabyBearExtElem> combo_u(layout.total_combo_backs + 1);
  std::vector<BabyBearExtElem> tap_mix_pows, check_mix_pows;
  tap_mix_pows.reserve(layout.register_count);
  check_mix_pows.reserve(kCheckColumns);
  BabyBearExtElem cur = BabyBearExtElem::one();
  for (size_t t = 0; t < taps; t += layout.taps[t].count) {
    const TapRecord& rec = layout.taps[t];
    for (size_t i = 0; i < rec.count; ++i)
      combo_u[layout.combo_starts[rec.combo] + i] += cur * coeffs[t + i];
    tap_mix_pows.push_back(cur);
    cur *= deep_mix;
  }
  for (size_t i = 0; i < kCheckColumns; ++i) {
    combo_u[layout.total_combo_backs] += cur * coeffs[taps + i];
    check_mix_pows.push_back(cur);
    cur *= deep_mix;
  }
  KOVRA_INVARIANT(tap_mix_pows.size() == layout.register_count, "one power per register");

  // FRI commit rounds and the final polynomial.
  std::vector<FriRound> rounds;
  uint64_t domain = domain0;
  uint64_t degree = size_;
  std::span<const uint32_t> final_poly;  // four planes of `degree` words, c0 first
  {
    Borrow r(*this);
    while (degree > kFriStopDegree) {
      auto t = CommittedTree::read(*r, hash, domain / kFriFold, 4 * kFriFold);
      if (!t) return t.error();
      const BabyBearExtElem round_mix = r->transcript().random_ext_elem();
      rounds.push_back(FriRound{std::move(*t), domain / kFriFold, round_mix});
      domain /= kFriFold;
      degree /= kFriFold;
    }
    auto w = r->read_words(4 * degree);
    if (!w) return w.error();
    if (!all_reduced(*w)) return VerificationError::malformed();
    r->transcript().mix(hash.hash_elem_slice(elems_of(*w)));
    final_poly = *w;
  }
  const uint32_t log_final = static_cast<uint32_t>(std::countr_zero(domain));

  // The query positions. Reading the openings leaves the transcript alone, so drawing them all
  // first gives the same positions as drawing each before its query; the DEEP divisors of all
  // of them are then inverted together.
  std::array<uint64_t, kQueryCount> positions;
  std::array<BabyBearElem, kQueryCount> xs;
  {
    Borrow r(*this);
    for (size_t q = 0; q < kQueryCount; ++q) {
      positions[q] = r->transcript().random_bits(po2_ + 2);
      xs[q] = root_power(ROOTS, po2_ + 2, positions[q]);
    }
  }
  const DeepInputs deep(layout, combo_u, tap_mix_pows, check_mix_pows, z, back_one);
  const DeepPoints deep_points(deep, xs);
  for (size_t q = 0; q < kQueryCount; ++q) {
    uint64_t pos = positions[q];
    auto rows = query_group_rows(pos);
    if (!rows) return rows.error();
    Borrow r(*this);
    auto check_row = check_tree->verify_row(*r, hash, pos);
    if (!check_row) return check_row.error();
    const std::span<const uint32_t> group_rows[3] = {(*rows)[0], (*rows)[1], (*rows)[2]};
    auto goal = deep_combine_query(deep, deep_points, q, group_rows, *check_row);
    if (!goal) return goal.error();
    for (const FriRound& round : rounds) {
      KOVRA_VERIFY_TRY(round.fold_query(*r, hash, pos, *goal));
    }
    const BabyBearExtElem value = poly_eval_planes(final_poly, root_power(ROOTS, log_final, pos));
    if (value != *goal) return VerificationError::proof_rejected();
  }
  return VerificationError::ok();
}

VerificationError verify_stark_seal(const CircuitDescription& circuit, const HashSuite& suite,
                                    std::span<const uint32_t> words) {
  StarkVerifier v(circuit, suite, words);
  v.mix_protocol_tags();
  auto public_words = v.read_public_words();
  if (!public_words) return public_words.error();
  for (size_t g : {kGroupCode, kGroupData}) {
    auto root = v.commit_group(g);
    if (!root) return root.error();
  }
  const std::vector<BabyBearElem> mix = v.draw_mix(0, circuit.mix_count);
  auto accum = v.commit_group(kGroupAccum);
  if (!accum) return accum.error();
  KOVRA_VERIFY_TRY(v.finish(*public_words, mix));
  if (v.remaining() != 0) return VerificationError::malformed();
  return VerificationError::ok();
}

}  // namespace kovra::stark
