// The Groth16 pairing check of a receipt's seal.
//
// A check is made in two halves that meet only through three byte strings:
//
//   from_seal / prepare  take the seal, the three digests and the verifying key; decode and
//                        validate the proof points, form the public inputs, compute
//                        e(alpha, beta) and the Miller-loop lines of -gamma and -delta, and
//                        write everything out:
//     key_bytes    alpha (64), beta, gamma, delta (128 each), u64 ic count + 64 per ic point,
//                  alpha_beta (twelve Fq, 384), lines of -gamma, lines of -delta
//     proof_bytes  A (64), B (128), C (64), re-encoded little-endian, real parts first
//     input_bytes  the input point ic[0] + s1*ic[1] + ... + s5*ic[5] (64)
//   verify               reads the strings back with full validation and checks
//                        e(A, B) * e(input, -gamma) * e(C, -delta) = e(alpha, beta)
//                        with one shared final exponentiation.
//
// Nothing is cached: every preparation computes e(alpha, beta) and both line lists anew, and
// every verification decodes (and subgroup-checks) the whole prepared key again.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "base/digest.h"
#include "base/result.h"
#include "bn254/fq.h"
#include "bn254/g1.h"
#include "groth16/error.h"
#include "groth16/seal.h"
#include "groth16/verifying_key.h"

namespace kovra::groth16 {

struct Groth16Check {
  std::vector<uint8_t> key_bytes;
  std::vector<uint8_t> proof_bytes;
  std::vector<uint8_t> input_bytes;

  // Checks the seal length ("Data length mismatch"), forms the five public inputs (a control id
  // not below r is InvalidData), then prepares. All inputs are only read.
  static base::Result<Groth16Check, Groth16Error> from_seal(std::span<const uint8_t> seal,
                                                            const base::Digest& control_root,
                                                            const base::Digest& claim_digest,
                                                            const base::Digest& bn254_control_id,
                                                            const VerifyingKey& vk);

  // Decodes A, B, C in this order (the first bad point's error is returned), then requires one
  // more ic point than there are scalars ("malformed verifying key").
  static base::Result<Groth16Check, Groth16Error> prepare(const Groth16Seal& seal,
                                                          std::span<const bn254::Fr> scalars,
                                                          const VerifyingKey& vk);

  // Success, "Invalid proof", UnexpectedIdentity ("encountered an identity element in the
  // CRS") for a zero Miller value, or the PointDecodeError of a string that does not decode.
  base::Status<Groth16Error> verify() const;
};

// ic[0] + sum of scalars[i] * ic[i+1] (one multi-scalar product over the inputs).
// Requires ic.size() == scalars.size() + 1.
bn254::G1Affine prepared_input_point(std::span<const bn254::G1Affine> ic,
                                     std::span<const bn254::Fr> scalars);

}  // namespace kovra::groth16
