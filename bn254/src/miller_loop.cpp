#include "bn254/miller_loop.h"

#include <vector>

#include "base/invariant.h"

namespace kovra::bn254 {

namespace {

constexpr size_t kChunk = 4;
// Index of the line of ψ(Q) in a list; the line of -ψ(ψ(Q)) follows it.
constexpr size_t kFinalLines = G2LineCoeffs::kFiniteCount - 2;

}  // namespace

namespace {

// The line at P as the parts of ℓ = a + b·w + c·w^3: a = c0·P.y, b = c1·P.x, c = c2.
struct LineAtPoint {
  Fq2 a;
  Fq2 b;
  Fq2 c;
};

LineAtPoint line_at(const LineCoeff& line, const G1Affine& p) {
  LineAtPoint l{line.c0, line.c1, line.c2};
  l.a.mul_by_fq(p.y);
  l.b.mul_by_fq(p.x);
  return l;
}

}  // namespace

// With w^2 = v, ℓ = (a, 0, 0) + (b, c, 0)·w over Fq6 and ℓ' likewise:
//   ℓ·ℓ' = (a·a' + ξ·c·c', b·b', b·c' + b'·c) + (a·b' + a'·b, a·c' + a'·c, 0)·w,
// six Fq2 products with the three cross sums by Karatsuba; then f times that product as one
// Fq12 Karatsuba product whose second factor has a zero part: 23 Fq2 products against the 26
// of two line evaluations.
void evaluate_line_pair(Fq12& f, const LineCoeff& line1, const G1Affine& p1,
                        const LineCoeff& line2, const G1Affine& p2) {
  const LineAtPoint l = line_at(line1, p1);
  const LineAtPoint m = line_at(line2, p2);
  const Fq2 aa = l.a.mul(m.a);
  const Fq2 bb = l.b.mul(m.b);
  const Fq2 cc = l.c.mul(m.c);
  Fq2 bc = l.b.add(l.c).mul(m.b.add(m.c));
  bc.sub_assign(bb);
  bc.sub_assign(cc);
  Fq2 ab = l.a.add(l.b).mul(m.a.add(m.b));
  ab.sub_assign(aa);
  ab.sub_assign(bb);
  Fq2 ac = l.a.add(l.c).mul(m.a.add(m.c));
  ac.sub_assign(aa);
  ac.sub_assign(cc);
  const Fq6 g0{aa.add(Fq6::mul_fq2_by_nonresidue(cc)), bb, bc};

  Fq6 t0 = f.c0;
  t0.mul_assign(g0);
  Fq6 t1 = f.c1;
  t1.mul_by_c0_c1(ab, ac);
  Fq6 t2 = f.c0.add(f.c1);
  t2.mul_assign(Fq6{g0.c0.add(ab), g0.c1.add(ac), g0.c2});
  t2.sub_assign(t0);
  t2.sub_assign(t1);
  f.c1 = t2;
  f.c0 = t0.add(Fq12::mul_fq6_by_nonresidue(t1));
}

void evaluate_line(Fq12& f, const LineCoeff& line, const G1Affine& p) {
  const LineAtPoint l = line_at(line, p);
  const Fq2& c0 = l.a;
  const Fq2& c1 = l.b;

  const Fq6 a{f.c0.c0.mul(c0), f.c0.c1.mul(c0), f.c0.c2.mul(c0)};
  Fq6 b = f.c1;
  b.mul_by_c0_c1(c1, line.c2);
  Fq6 e = f.c0.add(f.c1);
  e.mul_by_c0_c1(c0.add(c1), line.c2);

  f.c1 = e.sub(a.add(b));
  f.c0 = a.add(Fq12::mul_fq6_by_nonresidue(b));
}

namespace {

// f times line `idx` of every pair, two pairs' lines at a time.
void apply_lines(Fq12& f, std::span<const MillerLoopPair* const> pairs, size_t idx) {
  size_t k = 0;
  for (; k + 1 < pairs.size(); k += 2) {
    evaluate_line_pair(f, pairs[k]->q.coeffs()[idx], pairs[k]->p, pairs[k + 1]->q.coeffs()[idx],
                       pairs[k + 1]->p);
  }
  if (k < pairs.size()) evaluate_line(f, pairs[k]->q.coeffs()[idx], pairs[k]->p);
}

}  // namespace

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
      apply_lines(f, std::span(kept).subspan(start, end - start), idx++);
      if (MILLER_LOOP_DIGITS[static_cast<size_t>(i)] != 0) {
        apply_lines(f, std::span(kept).subspan(start, end - start), idx++);
      }
    }
    KOVRA_INVARIANT(idx == kFinalLines, "Miller loop consumed an unexpected number of lines");
    total = total.mul(f);
  }
  apply_lines(total, kept, kFinalLines);
  apply_lines(total, kept, kFinalLines + 1);
  return total;
}

}  // namespace kovra::bn254
