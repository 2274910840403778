#include "base/tagged_digest.h"

#include <limits>

#include "base/invariant.h"
#include "base/sha256.h"

namespace kovra::base {

Digest tagged_digest(std::string_view tag, std::span<const Digest> down,
                     std::span<const uint32_t> data) {
  KOVRA_INVARIANT(down.size() <= std::numeric_limits<uint16_t>::max(),
                  "a tagged digest counts its down digests in 16 bits");
  Sha256 h;
  h.update(sha256_digest(tag));
  for (const Digest& d : down) h.update(d);
  for (uint32_t w : data) h.update_u32_le(w);
  h.update_u16_le(static_cast<uint16_t>(down.size()));
  return h.finish();
}

Digest tagged_list_digest(std::string_view tag, const Digest& head, const Digest& tail) {
  return tagged_digest(tag, {head, tail});
}

Digest tagged_list_fold(std::string_view tag, std::span<const Digest> elements) {
  Digest acc = Digest::zero();
  for (size_t i = elements.size(); i-- > 0;) acc = tagged_list_digest(tag, elements[i], acc);
  return acc;
}

}  // namespace kovra::base
