// The memory the track-head and aux-parts readers take for a large file, and the credential
// digests for a long issuer text: counted by the bytes that operator new hands out while one
// reading or digest runs (its input is allocated before). The sum of all allocations bounds
// the peak, so a step that builds something per byte of a large input shows here whatever the
// allocator does.
#include <gtest/gtest.h>

#include <string>

#include "base/testing/allocations.h"
#include "kovra-core/aux_parts.h"
#include "kovra-core/bundle.h"
#include "kovra-core/testing/bundle_writer.h"
#include "kovra-core/track_head.h"

namespace kovra::core {
namespace {

// Bytes allocated while `read` runs.
template <class Read>
size_t allocated_by(Read read) {
  return base::testing::allocations_of(read).bytes;
}

// "[0,0,...,0]" with a million zeros: two megabytes.
std::string zeros() {
  std::string s = "[0";
  s.reserve(2'000'001);
  for (int i = 1; i < 1'000'000; ++i) s += ",0";
  return s + "]";
}

std::string bytes32() {
  std::string s = "[7";
  for (int i = 1; i < 32; ++i) s += ",7";
  return s + "]";
}

TEST(SideFileMemory, ALargeValueIsSkippedOrRefusedWithoutBeingBuilt) {
  const std::string big = zeros();
  const std::string b = bytes32();
  const std::string head_members = "\"model_commitment\":" + b + ",\"size\":1,\"merkle_root\":" +
                                   b + ",\"chain_head\":" + b + ",\"first_ts\":1,\"last_ts\":2";
  const struct {
    std::string text;
    bool reads;
  } aux_cases[] = {
      {"{\"provenance\":" + b + ",\"junk\":" + big + "}", true},
      {"{\"junk\":{\"deeper\":[" + big + "," + big + "]},\"live_chain\":null}", true},
      {"{\"trial_ledger\":" + big + "}", false},
      {"[" + big + ",null,null,null,null]", false},
      {big, false},
  };
  for (const auto& c : aux_cases) {
    std::optional<AuxParts> parts;
    const size_t bytes = allocated_by([&] { parts = AuxParts::from_json(c.text); });
    EXPECT_EQ(parts.has_value(), c.reads) << c.text.substr(0, 40);
    // Within 8 times the file's size counting the file itself; in fact a few error texts.
    EXPECT_LT(c.text.size() + bytes, 8 * c.text.size());
    EXPECT_LT(bytes, 4096u) << c.text.substr(0, 40);
  }
  const std::string heads[] = {"{" + head_members + ",\"junk\":" + big + "}",
                               "{\"junk\":" + big + "," + head_members + "}"};
  for (const std::string& text : heads) {
    std::optional<TrackHead> head;
    const size_t bytes = allocated_by([&] { head = TrackHead::from_json(text); });
    ASSERT_TRUE(head.has_value());
    EXPECT_EQ(head->last_ts, 2);
    EXPECT_LT(bytes, 4096u);
  }
}

// The issuer enters the digest from the core itself: an encoding of the core built for it
// would copy the whole text (and grow into twice its size).
TEST(CredentialDigestMemory, ALongIssuerIsDigestedWithoutACopy) {
  CredentialBundle b = testing::sample_credential_bundle(true);
  AttestationBundle a = testing::sample_attestation_bundle(AttestationFamily::Hrp);
  b.core.issuer.assign(size_t{4} << 20, '\x01');
  a.core.issuer = b.core.issuer;
  EXPECT_LT(allocated_by([&] { (void)b.core.digest(); }), size_t{64} << 10);
  EXPECT_LT(allocated_by([&] { (void)a.core.digest(); }), size_t{64} << 10);
}

}  // namespace
}  // namespace kovra::core
