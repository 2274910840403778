// Verifier parameters of each proof kind, the embedded roots, and the parameter digests.
//
// A receipt names the parameters it was proven under by their digest; verification compares
// that digest with the digest of the parameters it trusts before any proof work.
//
//   SuccinctReceiptVerifierParameters::digest =
//     tagged_digest("duro0.SuccinctReceiptVerifierParameters",
//                   [program_set_root, output_root or else program_set_root again,
//                    SHA-256(proof_system), SHA-256(circuit)], [])                  162 bytes
//   Groth16ReceiptVerifierParameters::digest =
//     tagged_digest("duro0.Groth16ReceiptVerifierParameters",
//                   [program_set_root, bn254_id, verifying_key_digest(verifying_key)], [])
//                                                                                  130 bytes
// Rv32im segment parameters have no digest.
#pragma once

#include <optional>
#include <string_view>

#include "base/digest.h"
#include "base/protocol_tag.h"

namespace kovra::receipts {

using base::Digest;
using base::ProtocolTag;

inline constexpr std::string_view kSuccinctParamsTag = "duro0.SuccinctReceiptVerifierParameters";
inline constexpr std::string_view kGroth16ParamsTag = "duro0.Groth16ReceiptVerifierParameters";

// The protocol tags of this program.
inline constexpr std::string_view kProofSystemTag = "DURO0_STARK:v1__";
inline constexpr std::string_view kRv32imCircuitTag = "RV32IM:v2rev2___";
inline constexpr std::string_view kRecursionCircuitTag = "RECURSION:rev1v1";

// The root of the Merkle tree of allowed recursion-program code roots.
Digest program_set_root();
// The BN254 id, the fifth public input of every Groth16 check.
Digest bn254_id();

struct Rv32imReceiptVerifierParameters {
  ProtocolTag proof_system;
  ProtocolTag circuit;
};

struct SuccinctReceiptVerifierParameters {
  std::optional<Digest> output_root;
  Digest program_set_root;
  ProtocolTag proof_system;
  ProtocolTag circuit;

  Digest digest() const;
};

}  // namespace kovra::receipts
