#include "base/sha256.h"

#include <gtest/gtest.h>

#include "base/hex.h"

namespace kovra::base {
namespace {

TEST(Sha256, KnownDigests) {
  // FIPS 180-2 examples.
  EXPECT_EQ(hex_lower(sha256_digest("")),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(hex_lower(sha256_digest("abc")),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(Sha256, IncrementalEqualsOneShot) {
  Sha256 h;
  h.update("ab").update_u32_le(0x64636261u).update_u16_le(0x6665);
  EXPECT_EQ(h.finish(), sha256_digest("abab" "cdef"));
}

TEST(Sha256, BareCompressionOfPaddedBlockIsTheDigest) {
  // "abc" padded by hand into one block: compressing it from the initial state is SHA-256.
  uint8_t block[64] = {'a', 'b', 'c', 0x80};
  block[63] = 24;
  auto state = kSha256InitialState;
  sha256_compress(state, block);
  std::array<uint8_t, 32> out;
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 4; ++j) out[4 * i + j] = uint8_t(state[i] >> (24 - 8 * j));
  EXPECT_EQ(hex_lower(out), hex_lower(sha256_digest("abc")));
}

}  // namespace
}  // namespace kovra::base
