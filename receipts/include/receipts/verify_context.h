// VerifyContext: everything receipt verification trusts besides the receipt itself.
//
// In order: the rv32im segment parameters, the Groth16 parameters (verifying key, program-set
// root, BN254 id), the hash suites by name, the succinct parameters, and whether dev mode lets
// fake receipts pass. The program builds its one context with `new_default()` at the start of
// every verification: the key is parsed from its decimal constants and validated (G2 subgroup
// checks included), the suites are made and the environment is read anew each time; nothing is
// cached. Every member is a plain value so that tests can build contexts of their own (a test
// key, other roots, another suite map, dev mode set) and verify under them.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "base/digest.h"
#include "groth16/verifying_key.h"
#include "receipts/verifier_params.h"
#include "stark/circuit.h"
#include "stark/hash_suite.h"

namespace kovra::receipts {

struct Groth16ReceiptVerifierParameters {
  groth16::VerifyingKey verifying_key;
  Digest program_set_root;
  Digest bn254_id;

  // tagged_digest("duro0.Groth16ReceiptVerifierParameters",
  //               [program_set_root, bn254_id, verifying_key_digest(verifying_key)], [])
  Digest digest() const;
};

struct VerifyContext {
  std::optional<Rv32imReceiptVerifierParameters> segment_params;
  std::optional<Groth16ReceiptVerifierParameters> groth16_params;
  // Looked up by exact, case-sensitive name.
  std::map<std::string, stark::HashSuite, std::less<>> hash_suites;
  std::optional<SuccinctReceiptVerifierParameters> succinct_params;
  bool dev_mode = false;
  // The circuits whose STARK seals succinct receipts and rv32im segments are checked against:
  // the built-in descriptions (tests put synthetic circuits here). Derived contexts keep them.
  const stark::CircuitDescription* recursion_circuit = &stark::recursion_circuit();
  const stark::CircuitDescription* rv32im_circuit = &stark::rv32im_circuit();

  // The program's context: suites "blake2b", "poseidon2", "sha-256"; segment parameters
  // (DURO0_STARK:v1__, RV32IM:v2rev2___); the embedded key with PROGRAM_SET_ROOT and BN254_ID;
  // succinct parameters (no output root, PROGRAM_SET_ROOT, DURO0_STARK:v1__, RECURSION:rev1v1);
  // dev mode from DURO0_DEV_MODE (fake_receipts_allowed).
  static VerifyContext new_default();

  // The narrower context of an assumption proven under `root`: no segment or Groth16
  // parameters, the same suites, succinct parameters with `root` and the built-in tags, the
  // same dev mode.
  static VerifyContext for_assumption(const VerifyContext& current, const Digest& root);

  const stark::HashSuite* suite(std::string_view name) const;
};

// The verifying key built from its 26 embedded decimal constants, every point validated. The
// constants always decode; a failure is a broken invariant (exit 101).
groth16::VerifyingKey embedded_verifying_key();

// The dev-mode rule of receipt verification for a DURO0_DEV_MODE value (nullopt: unset): on
// exactly when the value, lower-cased, is "1", "yes" or "true" (no trimming). This differs from
// the report's rule, under which any non-empty value other than "0" marks the run as dev.
bool fake_receipts_allowed(std::optional<std::string_view> value);

}  // namespace kovra::receipts
