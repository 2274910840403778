// Test-only bincode writers for the credential records and both bundle files: the exact
// inverse of the readers in kovra-core/bundle.h. Tests build bundles in code from the
// sample records below and change them one member at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "base/testing/bincode_writer.h"
#include "kovra-core/bundle.h"

namespace kovra::core::testing {

using base::testing::BincodeWriter;

void write_gate_attestation(BincodeWriter& w, const GateAttestation& gate);
void write_credential_core(BincodeWriter& w, const CredentialCore& core);
void write_attest_credential_core(BincodeWriter& w, const AttestCredentialCore& core);

// The whole file: core, digest, receipt.
std::vector<uint8_t> credential_bundle_bytes(const CredentialBundle& bundle);
// The whole file: the "KVATTB1\0" prefix, core, digest, receipt.
std::vector<uint8_t> attestation_bundle_bytes(const AttestationBundle& bundle);

// A 32-byte value whose bytes are seed, seed+1, ... (mod 256).
Bytes32 sample_bytes32(uint8_t seed);

// A gate journal with distinct values in every element (the published DIRECTIONAL-V1 gate);
// `disclosing` sets all three optional members, otherwise all three are absent.
GateAttestation sample_gate_attestation(bool disclosing);

// A credential bundle around sample_gate_attestation(disclosing), with a fake receipt
// whose claim is held in digest form and whose journal is `journal`.
CredentialBundle sample_credential_bundle(bool disclosing,
                                          std::vector<uint8_t> journal = {1, 0, 0, 0});

AttestationBundle sample_attestation_bundle(AttestationFamily family);

}  // namespace kovra::core::testing
