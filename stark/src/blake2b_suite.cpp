#include "stark/blake2b_suite.h"

#include <sodium.h>

#include <cstring>

#include "base/invariant.h"
#include "stark/sha256_suite.h"

namespace kovra::stark {

namespace {

// libsodium picks its fastest BLAKE2b code in sodium_init; without it the portable code
// runs, with the same output.
void init_sodium_once() {
  static const bool initialised = sodium_init() >= 0;
  (void)initialised;
}

// BLAKE2b-256 of the big-endian bytes of a sequence of words, streamed through a small
// buffer.
class WordHasher {
 public:
  WordHasher() {
    init_sodium_once();
    const int rc = crypto_generichash_init(&state_, nullptr, 0, 32);
    KOVRA_INVARIANT(rc == 0, "Finalizing Blake2bVar failed");
  }

  void absorb(uint32_t w) {
    buf_[n_++] = uint8_t(w >> 24);
    buf_[n_++] = uint8_t(w >> 16);
    buf_[n_++] = uint8_t(w >> 8);
    buf_[n_++] = uint8_t(w);
    if (n_ == sizeof buf_) flush();
  }

  Digest finish() {
    flush();
    std::array<uint8_t, 32> out;
    const int rc = crypto_generichash_final(&state_, out.data(), out.size());
    KOVRA_INVARIANT(rc == 0, "Finalizing Blake2bVar failed");
    return Digest::from_bytes(out);
  }

 private:
  void flush() {
    if (n_ > 0) crypto_generichash_update(&state_, buf_, n_);
    n_ = 0;
  }

  crypto_generichash_state state_;
  uint8_t buf_[256];
  size_t n_ = 0;
};

}  // namespace

std::array<uint8_t, 32> blake2b256(std::span<const uint8_t> data) {
  init_sodium_once();
  std::array<uint8_t, 32> out;
  const int rc = crypto_generichash(out.data(), out.size(), data.data(), data.size(), nullptr, 0);
  KOVRA_INVARIANT(rc == 0, "Finalizing Blake2bVar failed");
  return out;
}

Digest Blake2bHasher::hash_pair(const Digest& a, const Digest& b) const {
  uint8_t block[64];
  const auto ab = a.bytes(), bb = b.bytes();
  std::memcpy(block, ab.data(), 32);
  std::memcpy(block + 32, bb.data(), 32);
  return Digest::from_bytes(blake2b256(block));
}

Digest Blake2bHasher::hash_elem_slice(std::span<const BabyBearElem> elems) const {
  WordHasher h;
  for (const BabyBearElem e : elems) h.absorb(e.raw());
  return h.finish();
}

Digest Blake2bHasher::hash_ext_elem_slice(std::span<const BabyBearExtElem> elems) const {
  WordHasher h;
  for (const auto& e : elems)
    for (const BabyBearElem c : e.c) h.absorb(c.raw());
  return h.finish();
}

bool Blake2bHasher::digest_is_reduced(const Digest&) const { return true; }

void Blake2bTranscript::mix(const Digest& d) {
  uint8_t buf[64];
  const auto db = d.bytes();
  std::memcpy(buf, state_.data(), 32);
  std::memcpy(buf + 32, db.data(), 32);
  state_ = blake2b256(buf);
}

uint32_t Blake2bTranscript::next_word() {
  state_ = blake2b256(state_);
  return uint32_t(state_[0]) << 24 | uint32_t(state_[1]) << 16 | uint32_t(state_[2]) << 8 |
         uint32_t(state_[3]);
}

uint32_t Blake2bTranscript::random_bits(uint32_t bits) {
  KOVRA_INVARIANT(bits < 32, "random_bits takes fewer than 32 bits");
  return next_word() & ((uint32_t{1} << bits) - 1);
}

BabyBearElem Blake2bTranscript::random_elem() {
  uint32_t w[6];
  for (auto& x : w) x = next_word();
  return elem_from_six_words(w);
}

BabyBearExtElem Blake2bTranscript::random_ext_elem() {
  const BabyBearElem c0 = random_elem();
  const BabyBearElem c1 = random_elem();
  const BabyBearElem c2 = random_elem();
  const BabyBearElem c3 = random_elem();
  return {c0, c1, c2, c3};
}

std::unique_ptr<TranscriptRng> Blake2bTranscriptFactory::new_rng() const {
  return std::make_unique<Blake2bTranscript>();
}

HashSuite HashSuite::blake2b() {
  return HashSuite{"blake2b", std::make_shared<const Blake2bHasher>(),
                   std::make_shared<const Blake2bTranscriptFactory>()};
}

}  // namespace kovra::stark
