#include "kovra-core/credential.h"

#include "base/sha256.h"
#include "kovra-core/bundle.h"
#include "kovra-core/detail/gate_elements.h"
#include "kovra-core/postcard.h"

namespace kovra::core {

namespace {

Bytes32 tagged_sha256(std::string_view tag, const std::vector<uint8_t>& encoding) {
  base::Sha256 h;
  h.update(tag).update(encoding);
  return h.finish().bytes();
}

// The members both cores begin with.
template <class Core>
void write_core_header(PostcardWriter& w, const Core& c) {
  w.varint(c.header_u32).text(c.issuer).varint(c.header_u64).zigzag(c.header_i64)
      .bytes32(c.image_id);
}

}  // namespace

void GateAttestation::write_postcard(std::vector<uint8_t>& out) const {
  PostcardWriter w(out);
  detail::PostcardElements elements{w};
  detail::write_gate_elements(elements, *this);
}

Bytes32 CredentialCore::digest() const {
  std::vector<uint8_t> buf;
  PostcardWriter w(buf);
  write_core_header(w, *this);
  journal.write_postcard(buf);
  return tagged_sha256(kCredentialV2Tag, buf);
}

Bytes32 AttestCredentialCore::digest() const {
  std::vector<uint8_t> buf;
  PostcardWriter w(buf);
  write_core_header(w, *this);
  w.varint(static_cast<uint32_t>(family)).bytes32(journal_sha256).bytes32(data_root);
  return tagged_sha256(kCredentialV3Tag, buf);
}

bool CredentialBundle::digest_intact() const { return core.digest() == digest; }

bool AttestationBundle::digest_intact() const { return core.digest() == digest; }

Bytes32 sha256_bytes(std::span<const uint8_t> data) {
  return base::sha256_digest(data).bytes();
}

}  // namespace kovra::core
