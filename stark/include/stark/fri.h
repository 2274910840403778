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

#include <array>
#include <cstdint>
#include <span>
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

// The same sum for an extension polynomial given as four planes of n words each (plane k holds
// component k of c_0 .. c_(n-1)), as the final FRI layer is sent.
BabyBearExtElem poly_eval_planes(std::span<const uint32_t> planes, BabyBearElem point);

struct FriRound {
  CommittedTree tree;     // rows = domain, 64 columns
  uint64_t domain = 0;    // the folded domain of this round
  BabyBearExtElem mix;    // the round's folding challenge

  // Checks the round row at pos mod domain against goal (element pos / domain), then replaces
  // pos by pos mod domain and goal by the folded value.
  VerificationError fold_query(SealReader& reader, const HashFunction& hash, uint64_t& pos,
                               BabyBearExtElem& goal) const;
};

// One opened column of a DEEP sum: the row it is read from (0..2 a register group, 3 the check
// row), its column there and the raw words c0..c3 of the mix power that weights it.
struct DeepTerm {
  uint32_t source = 0;
  uint32_t column = 0;
  std::array<uint32_t, 4> mix_pow{};
};

// What the DEEP combination of one query needs besides the rows; built once per seal.
struct DeepInputs {
  const TapLayout* layout = nullptr;
  std::span<const BabyBearExtElem> combo_u;  // total_combo_backs + 1 entries
  // The opening points: z * back_one^b for each entry b of combo_backs, then z^4.
  std::vector<BabyBearExtElem> points;
  // The opened columns grouped by DEEP term (combo 0 .. combo_count - 1, then the check
  // columns): term i's are terms[term_starts[i] .. term_starts[i + 1]).
  std::vector<DeepTerm> terms;
  std::vector<size_t> term_starts;
  // Per term the coefficients (lowest first) of its divisor as a polynomial in x: the product
  // of (x - point) over its opening points. Term i's are
  // divisor_coeffs[divisor_starts[i] .. divisor_starts[i + 1]).
  std::vector<BabyBearExtElem> divisor_coeffs;
  std::vector<size_t> divisor_starts;

  DeepInputs(const TapLayout& l, std::span<const BabyBearExtElem> u,
             std::span<const BabyBearExtElem> tap_pows, std::span<const BabyBearExtElem> check_pows,
             const BabyBearExtElem& z, BabyBearElem back_one);

  size_t term_count() const { return term_starts.size() - 1; }
};

// The part of the DEEP values at a list of query points that depends on the points alone: per
// point and term the inverse of the term's divisor and the value of its opening polynomial
// (the mixed sum of its registers' coefficient lists). All divisors of all points are inverted
// together; a point with a zero divisor is only marked (its entries are meaningless).
class DeepPoints {
 public:
  DeepPoints(const DeepInputs& in, std::span<const BabyBearElem> xs);

  bool on_opening_point(size_t q) const { return zero_[q] != 0; }
  std::span<const BabyBearExtElem> inv_divisors(size_t q) const {
    return std::span(inv_div_).subspan(q * terms_, terms_);
  }
  std::span<const BabyBearExtElem> opened(size_t q) const {
    return std::span(opened_).subspan(q * terms_, terms_);
  }

 private:
  size_t terms_ = 0;
  std::vector<BabyBearExtElem> inv_div_;
  std::vector<BabyBearExtElem> opened_;
  std::vector<uint8_t> zero_;
};

// The sum over `terms` of mix power times opened value, source[s] being the row of source s.
BabyBearExtElem deep_term_sum(std::span<const DeepTerm> terms, const uint32_t* const source[4]);

// The two paths of poly_eval_planes and deep_term_sum, which give the same values: portable,
// and AVX2 where fri_has_avx2() (elsewhere the AVX2 names take the portable path).
bool fri_has_avx2();
BabyBearExtElem poly_eval_planes_portable(std::span<const uint32_t> planes, BabyBearElem point);
BabyBearExtElem poly_eval_planes_avx2(std::span<const uint32_t> planes, BabyBearElem point);
BabyBearExtElem deep_term_sum_portable(std::span<const DeepTerm> terms,
                                       const uint32_t* const source[4]);
BabyBearExtElem deep_term_sum_avx2(std::span<const DeepTerm> terms,
                                   const uint32_t* const source[4]);
// A FRI round row (four planes of 16 words) as 16 extension elements, put through
// rev_butterfly_16; the same two paths.
void fold_butterfly_portable(std::span<const uint32_t, 64> row, std::span<BabyBearExtElem, 16> out);
void fold_butterfly_avx2(std::span<const uint32_t, 64> row, std::span<BabyBearExtElem, 16> out);

// The DEEP value at point q of `points` from the three group rows (accum, code, data) and the
// check row, or ProofRejected when a divisor at that point is zero.
VResult<BabyBearExtElem> deep_combine_query(const DeepInputs& in, const DeepPoints& points,
                                            size_t q, const std::span<const uint32_t> rows[3],
                                            std::span<const uint32_t> check_row);
// The same for one point x.
VResult<BabyBearExtElem> deep_combine_query(const DeepInputs& in,
                                            const std::span<const uint32_t> rows[3],
                                            std::span<const uint32_t> check_row, BabyBearElem x);

}  // namespace kovra::stark
