// The final exponentiation of the optimal ate pairing.
//
// For a non-zero f the result is f^((p^12 - 1)/r · m), m = 2x(6x^2 + 3x + 1), x the curve
// parameter: the easy part f^((p^6 - 1)(p^2 + 1)) (one inversion), then the hard part inside
// the cyclotomic subgroup (three powers by -x, cyclotomic squarings, Frobenius maps). m is
// prime to r, so the result is a fixed power of the reduced pairing value and its r-th power
// is one. Zero has no result.
#pragma once

#include <optional>

#include "bn254/fq12.h"

namespace kovra::bn254 {

std::optional<Fq12> final_exponentiation(const Fq12& f);

}  // namespace kovra::bn254
