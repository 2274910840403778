// Number-theoretic transforms over the Baby Bear field.
//
// `rev_butterfly_16` (with its 8-, 4- and 2-point parts) is the small inverse transform on
// which a FRI fold rests: in place on x_0..x_{N-1} it turns the values of a polynomial at the
// N-th roots of unity into its unnormalised coefficients in bit-reversed order.
//
// `evaluate_on_roots` and `interpolate_on_roots` are the general radix-2 transforms between a
// coefficient list of length 2^k and the values at the 2^k-th roots of unity in natural order
// (value i at ROOTS[k]^i). They serve the test prover's low-degree extension.
#pragma once

#include <cstdint>
#include <span>

#include "stark/baby_bear.h"

namespace kovra::stark {

void rev_butterfly_16(std::span<BabyBearExtElem, 16> x);
void rev_butterfly_8(std::span<BabyBearExtElem, 8> x);
void rev_butterfly_4(std::span<BabyBearExtElem, 4> x);
void rev_butterfly_2(std::span<BabyBearExtElem, 2> x);

// The coefficients c_0..c_15 of the polynomial of degree below 16 whose value at ROOTS[4]^j is
// v_j: the butterfly, a scaling by 1/16 and the bit-reversal of the four index bits.
void interpolate_16(std::span<BabyBearExtElem, 16> v);

// In place: coefficients -> values at ROOTS[log2 n]^i (n a power of two, at most 2^27).
void evaluate_on_roots(std::span<BabyBearElem> a);
void evaluate_on_roots(std::span<BabyBearExtElem> a);
// In place: values at ROOTS[log2 n]^i -> coefficients.
void interpolate_on_roots(std::span<BabyBearElem> a);
void interpolate_on_roots(std::span<BabyBearExtElem> a);

}  // namespace kovra::stark
