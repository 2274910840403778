// Credential digests: the identity of a credential core.
//
// A bundle stores, beside its core, SHA-256 over a domain tag and the core's compact
// (postcard, kovra-core/postcard.h) encoding; never over the bundle's own file bytes, whose
// fixed-width encoding gives different bytes.
//
//   V2  CredentialCore        SHA-256("KOVRA_CREDENTIAL_V2" || postcard(core))
//   V3  AttestCredentialCore  SHA-256("KOVRA_CREDENTIAL_V3_ATTEST" || postcard(core))
//
// Every 8-byte integer of the gate records is signed and zigzag-encoded (counts and times
// included); the 32- and 16-bit ones are unsigned varints; header_u64 is an unsigned
// varint and header_i64 zigzag. The operations are declared with their records:
//   GateAttestation::write_postcard, CredentialCore::digest (records.h)
//   AttestCredentialCore::digest (records.h)
//   CredentialBundle::digest_intact, AttestationBundle::digest_intact (bundle.h)
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "kovra-core/records.h"

namespace kovra::core {

inline constexpr std::string_view kCredentialV2Tag = "KOVRA_CREDENTIAL_V2";
inline constexpr std::string_view kCredentialV3Tag = "KOVRA_CREDENTIAL_V3_ATTEST";

// Plain SHA-256 of `data`, no tag (the attestation mode's journal check).
Bytes32 sha256_bytes(std::span<const uint8_t> data);

}  // namespace kovra::core
