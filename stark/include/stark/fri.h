// FRI folding and DEEP queries: the per-query arithmetic of the closing phase.
//
// At each query position x of the evaluation domain, `deep_combine_query` turns the opened rows
// of the register groups and of the check tree into one value of the DEEP polynomial: for each
// combo, the mixed difference between the committed columns and the polynomial through their
// openings, divided by the product of (x - z * back_one^b) over the combo's backs; and for the
// check columns, (column - opening) / (x - z^4). A zero divisor means the seal put a query on
// an opening point; it is rejected (ProofRejected) rather than letting its term vanish.
//
// A FRI round commits to the previous layer's values as rows of 16 extension elements (four
// planes of 16 words): the row at `group` holds the values at positions group + j * domain.
// `FriRound::fold_query` checks the opened row against the running goal, interpolates the 16
// values and evaluates the result at mix / x_group, the folded value at position group of the
// next domain.
#pragma once

#include <cstdint>
#include <span>
#include <vector>
#include <vector>

#include "stark/baby_bear.h"
#include "stark/hash_suite.h"
#include "stark/merkle.h"
#include "stark/seal_reader.h"
#include "stark/taps.h"

namespace kovra::stark {

inline constexpr uint64_t kFriFold = 16;
inline constexpr uint64_t kFriStopDegree = 256;
inline constexpr uint64_t kCheckColumns = 16;

// Sum of c_i * point^i (c_0 first); the empty list gives ZERO. Evaluated by Horner's rule,
// which gives the same field value as a running power; a base-field point is not lifted.
BabyBearExtElem poly_eval_ext(std::span<const BabyBearExtElem> coefficients,
                              const BabyBearExtElem& point);
BabyBearExtElem poly_eval_ext(std::span<const BabyBearExtElem> coefficients, BabyBearElem point);

struct FriRound {
  CommittedTree tree;     // rows = domain, 64 columns
  uint64_t domain = 0;    // the folded domain of this round
  BabyBearExtElem mix;    // the round's folding challenge

  // Checks the round row at pos mod domain against goal (element pos / domain), then replaces
  // pos by pos mod domain and goal by the folded value.
  VerificationError fold_query(SealReader& reader, const HashFunction& hash, uint64_t& pos,
                               BabyBearExtElem& goal) const;
};

// What the DEEP combination of one query needs besides the rows; built once per seal.
struct DeepInputs {
  const TapLayout* layout = nullptr;
  std::span<const BabyBearExtElem> combo_u;         // total_combo_backs + 1 entries
  std::span<const BabyBearExtElem> tap_mix_pows;    // one per register
  std::span<const BabyBearExtElem> check_mix_pows;  // 16
  // The opening points: z * back_one^b for each entry b of combo_backs, then z^4.
  std::vector<BabyBearExtElem> points;

  DeepInputs(const TapLayout& l, std::span<const BabyBearExtElem> u,
             std::span<const BabyBearExtElem> tap_pows, std::span<const BabyBearExtElem> check_pows,
             const BabyBearExtElem& z, BabyBearElem back_one);
};

// The DEEP value at x from the three group rows (accum, code, data) and the check row, or
// ProofRejected when a divisor is zero.
VResult<BabyBearExtElem> deep_combine_query(const DeepInputs& in,
                                            const std::span<const uint32_t> rows[3],
                                            std::span<const uint32_t> check_row, BabyBearElem x);

}  // namespace kovra::stark
