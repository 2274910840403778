// Test support: verifying keys from known scalars and valid proofs for them.
//
// A test key is alpha = [a]G1, beta = [b]G2, gamma = [g]G2, delta = [d]G2, ic[i] = [k_i]G1 for
// known scalars. Knowing them, a valid proof for any public inputs s_1..s_5 is
//   A = [a]G1, B = [b]G2, C = [c]G1 with c = (a*b - alpha*beta - iota*gamma) / delta mod r,
// iota = k_0 + sum s_i * k_i, since then
//   e(A, B) e(I, -gamma) e(C, -delta) = e(G1, G2)^(ab - iota*gamma - c*delta)
//                                     = e(G1, G2)^(alpha*beta) = e(alpha, beta).
// Linked only into tests and benchmarks.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "base/digest.h"
#include "bn254/fq.h"
#include "bn254/g1.h"
#include "bn254/g2.h"
#include "groth16/verifying_key.h"

namespace kovra::groth16::testing {

// An integer below r as four 64-bit words, least significant first.
using Scalar = std::array<uint64_t, 4>;

Scalar scalar(uint64_t v);
Scalar add_mod_r(const Scalar& a, const Scalar& b);
Scalar sub_mod_r(const Scalar& a, const Scalar& b);
Scalar mul_mod_r(const Scalar& a, const Scalar& b);
// a^(r-2): the inverse of a non-zero a.
Scalar inv_mod_r(const Scalar& a);
// r - 1.
Scalar r_minus_one();

bn254::G1Affine g1_generator();  // (1, 2)
bn254::G2Affine g2_generator();  // the standard generator of the order-r subgroup
bn254::G1Affine g1_mul(const Scalar& k);  // [k]G1
bn254::G2Affine g2_mul(const Scalar& k);  // [k]G2

struct TestKeyScalars {
  Scalar alpha, beta, gamma, delta;
  std::array<Scalar, 6> ic;
};

// Fixed non-trivial scalars.
TestKeyScalars default_test_scalars();

VerifyingKey make_test_key(const TestKeyScalars& s);

// The 256-byte big-endian seal of three points (flag bits only for points at infinity).
std::vector<uint8_t> encode_seal(const bn254::G1Affine& a, const bn254::G2Affine& b,
                                 const bn254::G1Affine& c);

// A valid seal for the key of `s` and the public inputs formed from the three digests, with
// proof scalars a and b of the caller's choice (non-zero).
std::vector<uint8_t> make_test_seal(const TestKeyScalars& s, const base::Digest& control_root,
                                    const base::Digest& claim_digest,
                                    const base::Digest& bn254_control_id, const Scalar& a,
                                    const Scalar& b);

}  // namespace kovra::groth16::testing

namespace kovra::groth16::testing {

// A point on the twist y^2 = x^3 + b' that is not in the order-r subgroup (the twist's
// cofactor is 2p - r), for seals whose B must be refused by the subgroup test.
bn254::G2Affine twist_point_outside_subgroup();

}  // namespace kovra::groth16::testing
