// The Miller loop of the optimal ate pairing over precomputed G2 lines.
//
// `miller_loop` returns the product of the Miller values of its pairs, one Fq12, without the
// final exponentiation; the pairing is final_exponentiation(miller_loop(...)). Pairs with an
// identity on either side contribute one and are skipped. The pairs are processed in chunks
// of up to four that share the accumulator's squarings, the lines of two pairs multiplied
// together before they meet the accumulator; the two lines of ψ(Q) and -ψ(ψ(Q)) are applied
// to the product of the chunks.
#pragma once

#include <span>

#include "bn254/fq12.h"
#include "bn254/g1.h"
#include "bn254/line_coeffs.h"

namespace kovra::bn254 {

// One pair of the loop: a G1 point and the lines of a G2 point (borrowed for the call).
struct MillerLoopPair {
  G1Affine p;
  const G2LineCoeffs& q;
};

// f = f·ℓ, ℓ = c0·P.y + (c1·P.x)·w + c2·w^3, for a finite P (sparse product).
void evaluate_line(Fq12& f, const LineCoeff& line, const G1Affine& p);
// f = f·ℓ1·ℓ2 for the lines of two finite points, the two lines multiplied together first.
void evaluate_line_pair(Fq12& f, const LineCoeff& line1, const G1Affine& p1,
                        const LineCoeff& line2, const G1Affine& p2);

Fq12 miller_loop(std::span<const MillerLoopPair> pairs);

}  // namespace kovra::bn254
