#include "bn254/miller_loop.h"

#include <vector>

#include "base/invariant.h"

namespace kovra::bn254 {

namespace {

constexpr size_t kChunk = 4;
// Index of the line of ψ(Q) in a list; the line of -ψ(ψ(Q)) follows it.
constexpr size_t kFinalLines = G2LineCoeffs::kFiniteCount - 2;

}  // namespace

void evaluate_line(Fq12& f, const LineCoeff& line, const G1Affine& p) {
  Fq2 c0 = line.c0;
  c0.mul_by_fq(p.y);
  Fq2 c1 = line.c1;
  c1.mul_by_fq(p.x);

  const Fq6 a{f.c0.c0.mul(c0), f.c0.c1.mul(c0), f.c0.c2.mul(c0)};
  Fq6 b = f.c1;
  b.mul_by_c0_c1(c1, line.c2);
  Fq6 e = f.c0.add(f.c1);
  e.mul_by_c0_c1(c0.add(c1), line.c2);

  f.c1 = e.sub(a.add(b));
  f.c0 = a.add(Fq12::mul_fq6_by_nonresidue(b));
}

Fq12 miller_loop(std::span<const MillerLoopPair> pairs) {
  std::vector<const MillerLoopPair*> kept;
  kept.reserve(pairs.size());
  for (const MillerLoopPair& pair : pairs) {
    if (pair.p.infinity || pair.q.infinity()) continue;
    // Lists exist only as from_point or read made them: a finite one has every line.
    KOVRA_INVARIANT(pair.q.coeffs().size() == G2LineCoeffs::kFiniteCount,
                    "line list of a finite point is not complete");
    kept.push_back(&pair);
  }
  Fq12 total = Fq12::one();
  if (kept.empty()) return total;

  for (size_t start = 0; start < kept.size(); start += kChunk) {
    const size_t end = std::min(kept.size(), start + kChunk);
    Fq12 f = Fq12::one();
    size_t idx = 0;
    for (int i = 63; i >= 0; --i) {
      if (i != 63) f.square_in_place();
      for (size_t k = start; k < end; ++k) evaluate_line(f, kept[k]->q.coeffs()[idx], kept[k]->p);
      ++idx;
      if (MILLER_LOOP_DIGITS[static_cast<size_t>(i)] != 0) {
        for (size_t k = start; k < end; ++k) {
          evaluate_line(f, kept[k]->q.coeffs()[idx], kept[k]->p);
        }
        ++idx;
      }
    }
    KOVRA_INVARIANT(idx == kFinalLines, "Miller loop consumed an unexpected number of lines");
    total = total.mul(f);
  }
  for (const MillerLoopPair* pair : kept) {
    evaluate_line(total, pair->q.coeffs()[kFinalLines], pair->p);
  }
  for (const MillerLoopPair* pair : kept) {
    evaluate_line(total, pair->q.coeffs()[kFinalLines + 1], pair->p);
  }
  return total;
}

}  // namespace kovra::bn254
