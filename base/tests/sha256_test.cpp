#include "base/sha256.h"

#include <gtest/gtest.h>

#if defined(__x86_64__)
#include <cpuid.h>
#elif defined(__aarch64__) && defined(__linux__)
#include <sys/auxv.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "base/hex.h"

namespace kovra::base {
namespace {

// The compression code nettle picks at run time, by its rule: the processor's SHA-256
// instructions where it has them, unless NETTLE_FAT_OVERRIDE is set, whose comma-separated
// feature list then stands for the processor's.
const char* nettle_sha256_path() {
#if defined(__x86_64__)
  constexpr std::string_view feature = "sha_ni";
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  bool use = __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) && ((ebx >> 29) & 1) != 0;
  const char *fast = "SHA-NI instructions", *other = "x86-64 assembly";
#elif defined(__aarch64__) && defined(__linux__)
  constexpr std::string_view feature = "sha2";
  bool use = (getauxval(AT_HWCAP) & HWCAP_SHA2) != 0;
  const char *fast = "arm64 SHA-2 instructions", *other = "portable C";
#else
  return "its build for this processor";
#endif
#if defined(__x86_64__) || (defined(__aarch64__) && defined(__linux__))
  if (const char* env = std::getenv("NETTLE_FAT_OVERRIDE")) {
    use = false;
    for (std::string_view list = env; !list.empty();) {
      const size_t comma = list.find(',');
      use = use || list.substr(0, comma) == feature;
      list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
  }
  return use ? fast : other;
#endif
}

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
  const char* path = nettle_sha256_path();
  RecordProperty("dispatched_path", path);
  std::printf("[ paths ] sha256 compression runs nettle's %s\n", path);
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
