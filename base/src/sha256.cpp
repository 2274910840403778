#include "base/sha256.h"

namespace kovra::base {

Digest sha256_digest(std::span<const uint8_t> data) { return Sha256().update(data).finish(); }

Digest sha256_digest(std::string_view text) { return Sha256().update(text).finish(); }

Sha256::Sha256() { sha256_init(&ctx_); }

Sha256& Sha256::update(std::span<const uint8_t> data) {
  ::sha256_update(&ctx_, data.size(), data.data());
  return *this;
}

Sha256& Sha256::update(std::string_view text) {
  ::sha256_update(&ctx_, text.size(), reinterpret_cast<const uint8_t*>(text.data()));
  return *this;
}

Sha256& Sha256::update_u32_le(uint32_t v) {
  const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  ::sha256_update(&ctx_, 4, b);
  return *this;
}

Sha256& Sha256::update_u16_le(uint16_t v) {
  const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
  ::sha256_update(&ctx_, 2, b);
  return *this;
}

Sha256& Sha256::update(const Digest& d) {
  const auto b = d.bytes();
  ::sha256_update(&ctx_, b.size(), b.data());
  return *this;
}

Digest Sha256::finish() {
  std::array<uint8_t, 32> out;
  ::sha256_digest(&ctx_, out.size(), out.data());
  return Digest::from_bytes(out);
}

void sha256_compress(std::array<uint32_t, 8>& state, const uint8_t block[64]) {
  // nettle keeps the chaining state in its context and compresses as soon as a whole block
  // is buffered; a context whose buffer is empty therefore gives the bare compression.
  sha256_ctx ctx;
  sha256_init(&ctx);
  for (int i = 0; i < 8; ++i) ctx.state[i] = state[i];
  ::sha256_update(&ctx, 64, block);
  for (int i = 0; i < 8; ++i) state[i] = ctx.state[i];
}

}  // namespace kovra::base
