// The two credential files and their readers.
//
// Credential bundle file, bincode from byte 0 (base/bincode.h), no magic and no version:
//   CredentialCore   header_u32 (u32), issuer (text), header_u64 (u64), header_i64 (i64),
//                    image_id (32 bytes), journal (GateAttestation, 17 elements inline)
//   digest           32 bytes, the stored V2 credential digest of the core
//   receipt          the Receipt (receipts/receipt.h)
// A GateAttestation takes 205 bytes with its three options absent and 421 with all of them
// present; the core before it takes 60 bytes plus the issuer's length.
//
// Attestation bundle file: the 8-byte prefix "KVATTB1\0", then bincode of the
// AttestCredentialCore (family as a u32 variant index, 0..2), the stored V3 digest and the
// Receipt.
//
// Both readers decode strictly front to back, stop at the first failure (no partial
// record is returned) and ignore any bytes after the receipt.
#pragma once

#include <cstdint>
#include <span>

#include "base/bincode.h"
#include "base/result.h"
#include "kovra-core/records.h"
#include "receipts/receipt.h"

namespace kovra::core {

using base::BincodeError;

struct CredentialBundle {
  CredentialCore core;
  Bytes32 digest{};  // stored V2 credential digest of `core`
  receipts::Receipt receipt;

  // Decodes a whole credential bundle file. The error's message is the decoder's text,
  // printed by the caller as "cannot parse bundle: {}".
  static base::Result<CredentialBundle, BincodeError> read_bincode(std::span<const uint8_t> file);

  // The V2 digest of `core` equals the stored `digest`, all 32 bytes.
  bool digest_intact() const;
};

// The 8 bytes every attestation bundle file begins with.
inline constexpr std::array<uint8_t, 8> kAttestationPrefix = {'K', 'V', 'A', 'T',
                                                              'T', 'B', '1', 0};

// Why an attestation bundle file was not read: the prefix refusal (the file is shorter than
// 9 bytes or does not begin with kAttestationPrefix; the caller prints its own message),
// or a decode error of what follows the prefix.
struct AttestationReadError {
  bool missing_prefix = false;
  BincodeError decode;  // when !missing_prefix
};

struct AttestationBundle {
  AttestCredentialCore core;
  Bytes32 digest{};  // stored V3 attestation digest of `core`
  receipts::Receipt receipt;

  static base::Result<AttestationBundle, AttestationReadError> read_bincode(
      std::span<const uint8_t> file);

  // The V3 digest of `core` equals the stored `digest`, all 32 bytes.
  bool digest_intact() const;
};

// Readers of the records on their own, for callers that hold a cursor.
base::Result<GateAttestation, BincodeError> read_gate_attestation(base::BincodeReader& in);
base::Result<CredentialCore, BincodeError> read_credential_core(base::BincodeReader& in);
base::Result<AttestCredentialCore, BincodeError> read_attest_credential_core(
    base::BincodeReader& in);

}  // namespace kovra::core
