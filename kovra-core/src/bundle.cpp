#include "kovra-core/bundle.h"

#include <algorithm>
#include <utility>

#include "kovra-core/detail/gate_elements.h"

namespace kovra::core {

using base::BincodeReader;
using base::Err;
using base::Result;

namespace {

constexpr uint32_t kAttestationFamilies = 3;

// The members both cores begin with, read into `core`.
template <class Core>
base::Status<BincodeError> read_core_header(BincodeReader& in, Core& core) {
  KOVRA_ASSIGN_OR_RETURN(core.header_u32, in.u32());
  KOVRA_ASSIGN_OR_RETURN(core.issuer, in.text());
  KOVRA_ASSIGN_OR_RETURN(core.header_u64, in.u64());
  KOVRA_ASSIGN_OR_RETURN(core.header_i64, in.i64());
  KOVRA_ASSIGN_OR_RETURN(core.image_id, in.array<32>());
  return {};
}

}  // namespace

Result<GateAttestation, BincodeError> read_gate_attestation(BincodeReader& in) {
  return detail::read_gate_attestation(detail::BincodeElements{in});
}

Result<CredentialCore, BincodeError> read_credential_core(BincodeReader& in) {
  CredentialCore c;
  KOVRA_TRY(read_core_header(in, c));
  KOVRA_ASSIGN_OR_RETURN(c.journal, read_gate_attestation(in));
  return c;
}

Result<AttestCredentialCore, BincodeError> read_attest_credential_core(BincodeReader& in) {
  AttestCredentialCore c;
  KOVRA_TRY(read_core_header(in, c));
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
