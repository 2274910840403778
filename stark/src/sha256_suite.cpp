#include "stark/sha256_suite.h"

#include <bit>
#include <cstring>

#include "base/invariant.h"
#include "base/sha256.h"

namespace kovra::stark {

namespace {

using State = std::array<uint32_t, 8>;

// The state words written big-endian, read back as the Digest's little-endian words.
Digest digest_of_state(const State& s) {
  Digest d;
  for (size_t i = 0; i < 8; ++i) {
    const uint32_t w = s[i];
    d.words[i] = (w >> 24) | ((w >> 8) & 0xff00u) | ((w << 8) & 0xff0000u) | (w << 24);
  }
  return d;
}

// The Montgomery words of a row, in memory, are already their little-endian bytes.
static_assert(std::endian::native == std::endian::little, "row bytes are read in place");

// Compresses `n` bytes into `state`, 64 a block, with a last partial block zero-filled.
// Full blocks are compressed in place; only the tail is copied.
void compress_bytes(State& state, const uint8_t* bytes, size_t n) {
  for (; n >= 64; bytes += 64, n -= 64) base::sha256_compress(state, bytes);
  if (n > 0) {
    uint8_t block[64] = {};
    std::memcpy(block, bytes, n);
    base::sha256_compress(state, block);
  }
}

}  // namespace

Digest sha256_compress_pair(const Digest& a, const Digest& b) {
  uint8_t block[64];
  const auto ab = a.bytes(), bb = b.bytes();
  std::memcpy(block, ab.data(), 32);
  std::memcpy(block + 32, bb.data(), 32);
  State s = base::kSha256InitialState;
  base::sha256_compress(s, block);
  return digest_of_state(s);
}

BabyBearElem elem_from_six_words(const uint32_t words[6]) {
  uint64_t v = words[0] % BabyBearElem::P;
  for (int i = 1; i < 6; ++i) v = ((v << 32) | words[i]) % BabyBearElem::P;
  return BabyBearElem::from_u32(static_cast<uint32_t>(v));
}

Digest Sha256Hasher::hash_pair(const Digest& a, const Digest& b) const {
  return sha256_compress_pair(a, b);
}

Digest Sha256Hasher::hash_elem_slice(std::span<const BabyBearElem> elems) const {
  static_assert(sizeof(BabyBearElem) == sizeof(uint32_t));
  State s = base::kSha256InitialState;
  compress_bytes(s, reinterpret_cast<const uint8_t*>(elems.data()), elems.size_bytes());
  return digest_of_state(s);
}

Digest Sha256Hasher::hash_ext_elem_slice(std::span<const BabyBearExtElem> elems) const {
  static_assert(sizeof(BabyBearExtElem) == 4 * sizeof(uint32_t));
  State s = base::kSha256InitialState;
  compress_bytes(s, reinterpret_cast<const uint8_t*>(elems.data()), elems.size_bytes());
  return digest_of_state(s);
}

bool Sha256Hasher::digest_is_reduced(const Digest&) const { return true; }

Sha256Transcript::Sha256Transcript()
    : pool0_(base::sha256_digest("Hello")), pool1_(base::sha256_digest("World")) {}

void Sha256Transcript::refill() {
  pool0_ = sha256_compress_pair(pool0_, pool1_);
  pool1_ = sha256_compress_pair(pool0_, pool1_);
  position_ = 0;
}

void Sha256Transcript::mix(const Digest& d) {
  for (size_t i = 0; i < 8; ++i) pool0_.words[i] ^= d.words[i];
  refill();
}

uint32_t Sha256Transcript::next_word() {
  if (position_ == 8) refill();
  return pool0_.words[position_++];
}

uint32_t Sha256Transcript::random_bits(uint32_t bits) {
  KOVRA_INVARIANT(bits < 32, "random_bits takes fewer than 32 bits");
  return next_word() & ((uint32_t{1} << bits) - 1);
}

BabyBearElem Sha256Transcript::random_elem() {
  uint32_t w[6];
  for (auto& x : w) x = next_word();
  return elem_from_six_words(w);
}

BabyBearExtElem Sha256Transcript::random_ext_elem() {
  const BabyBearElem c0 = random_elem();
  const BabyBearElem c1 = random_elem();
  const BabyBearElem c2 = random_elem();
  const BabyBearElem c3 = random_elem();
  return {c0, c1, c2, c3};
}

std::unique_ptr<TranscriptRng> Sha256TranscriptFactory::new_rng() const {
  return std::make_unique<Sha256Transcript>();
}

HashSuite HashSuite::sha256() {
  return HashSuite{"sha-256", std::make_shared<const Sha256Hasher>(),
                   std::make_shared<const Sha256TranscriptFactory>()};
}

}  // namespace kovra::stark
