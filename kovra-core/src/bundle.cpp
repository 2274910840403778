#include "kovra-core/bundle.h"

#include <algorithm>
#include <utility>

#include "gate_elements.h"

namespace kovra::core {

using base::BincodeReader;
using base::Err;
using base::Result;

namespace {

constexpr uint32_t kAttestationFamilies = 3;

// The core's members before its last one (the journal or the family).
struct CoreHeader {
  uint32_t header_u32 = 0;
  std::string issuer;
  uint64_t header_u64 = 0;
  int64_t header_i64 = 0;
  Bytes32 image_id{};
};

Result<CoreHeader, BincodeError> read_core_header(BincodeReader& in) {
  CoreHeader h;
  KOVRA_ASSIGN_OR_RETURN(h.header_u32, in.u32());
  KOVRA_ASSIGN_OR_RETURN(h.issuer, in.text());
  KOVRA_ASSIGN_OR_RETURN(h.header_u64, in.u64());
  KOVRA_ASSIGN_OR_RETURN(h.header_i64, in.i64());
  KOVRA_ASSIGN_OR_RETURN(h.image_id, in.array<32>());
  return h;
}

}  // namespace

Result<GateAttestation, BincodeError> read_gate_attestation(BincodeReader& in) {
  return detail::read_gate_attestation(detail::BincodeElements{in});
}

Result<CredentialCore, BincodeError> read_credential_core(BincodeReader& in) {
  KOVRA_ASSIGN_OR_RETURN(CoreHeader h, read_core_header(in));
  KOVRA_ASSIGN_OR_RETURN(GateAttestation journal, read_gate_attestation(in));
  return CredentialCore{h.header_u32, std::move(h.issuer), h.header_u64, h.header_i64,
                        h.image_id, journal};
}

Result<AttestCredentialCore, BincodeError> read_attest_credential_core(BincodeReader& in) {
  KOVRA_ASSIGN_OR_RETURN(CoreHeader h, read_core_header(in));
  AttestCredentialCore c;
  c.header_u32 = h.header_u32;
  c.issuer = std::move(h.issuer);
  c.header_u64 = h.header_u64;
  c.header_i64 = h.header_i64;
  c.image_id = h.image_id;
  KOVRA_ASSIGN_OR_RETURN(const uint32_t family, in.variant_index(kAttestationFamilies));
  c.family = static_cast<AttestationFamily>(family);
  KOVRA_ASSIGN_OR_RETURN(c.journal_sha256, in.array<32>());
  KOVRA_ASSIGN_OR_RETURN(c.data_root, in.array<32>());
  return c;
}

Result<CredentialBundle, BincodeError> CredentialBundle::read_bincode(
    std::span<const uint8_t> file) {
  BincodeReader in(file);
  CredentialBundle b;
  KOVRA_ASSIGN_OR_RETURN(b.core, read_credential_core(in));
  KOVRA_ASSIGN_OR_RETURN(b.digest, in.array<32>());
  KOVRA_ASSIGN_OR_RETURN(b.receipt, receipts::Receipt::read_bincode(in));
  return b;
}

Result<AttestationBundle, AttestationReadError> AttestationBundle::read_bincode(
    std::span<const uint8_t> file) {
  if (file.size() < kAttestationPrefix.size() + 1 ||
      !std::equal(kAttestationPrefix.begin(), kAttestationPrefix.end(), file.begin())) {
    return Err(AttestationReadError{true, {}});
  }
  BincodeReader in(file.subspan(kAttestationPrefix.size()));
  auto decoded = [&]() -> Result<AttestationBundle, BincodeError> {
    AttestationBundle b;
    KOVRA_ASSIGN_OR_RETURN(b.core, read_attest_credential_core(in));
    KOVRA_ASSIGN_OR_RETURN(b.digest, in.array<32>());
    KOVRA_ASSIGN_OR_RETURN(b.receipt, receipts::Receipt::read_bincode(in));
    return b;
  }();
  if (!decoded.ok()) return Err(AttestationReadError{false, std::move(decoded).error()});
  return std::move(decoded).value();
}

}  // namespace kovra::core
