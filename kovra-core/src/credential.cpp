#include "kovra-core/credential.h"

#include "base/sha256.h"
#include "kovra-core/bundle.h"
#include "kovra-core/detail/gate_elements.h"
#include "kovra-core/postcard.h"

namespace kovra::core {

namespace {

// The members both cores begin with, hashed after `tag` as their compact encoding: the issuer
// text (its length, then its bytes) goes to the hash straight from the core, so a long issuer
// is never copied. The encoding of the members after it is left in `rest` for the caller to
// extend.
template <class Core>
base::Sha256 hash_core_header(std::string_view tag, const Core& c, std::vector<uint8_t>& rest) {
  base::Sha256 h;
  std::vector<uint8_t> head;
  PostcardWriter(head).varint(c.header_u32).varint(c.issuer.size());
  h.update(tag).update(head).update(c.issuer);
  PostcardWriter(rest).varint(c.header_u64).zigzag(c.header_i64).bytes32(c.image_id);
  return h;
}

}  // namespace

void GateAttestation::write_postcard(std::vector<uint8_t>& out) const {
  PostcardWriter w(out);
  detail::PostcardElements elements{w};
  detail::write_gate_elements(elements, *this);
}

Bytes32 CredentialCore::digest() const {
  std::vector<uint8_t> rest;
  base::Sha256 h = hash_core_header(kCredentialV2Tag, *this, rest);
  journal.write_postcard(rest);
  return h.update(rest).finish().bytes();
}

Bytes32 AttestCredentialCore::digest() const {
  std::vector<uint8_t> rest;
  base::Sha256 h = hash_core_header(kCredentialV3Tag, *this, rest);
  PostcardWriter(rest).varint(static_cast<uint32_t>(family)).bytes32(journal_sha256)
      .bytes32(data_root);
  return h.update(rest).finish().bytes();
}

bool CredentialBundle::digest_intact() const { return core.digest() == digest; }

bool AttestationBundle::digest_intact() const { return core.digest() == digest; }

Bytes32 sha256_bytes(std::span<const uint8_t> data) {
  return base::sha256_digest(data).bytes();
}

}  // namespace kovra::core
