#include "kovra-core/credential.h"

#include <gtest/gtest.h>

#include <limits>

#include "base/hex.h"
#include "base/sha256.h"
#include "kovra-core/bundle.h"
#include "kovra-core/postcard.h"
#include "kovra-core/testing/bundle_writer.h"

namespace kovra::core {
namespace {

using testing::sample_attestation_bundle;
using testing::sample_credential_bundle;
using testing::sample_gate_attestation;

std::string hex(const std::vector<uint8_t>& b) { return base::hex_lower(b); }
std::string hex(const Bytes32& b) { return base::hex_lower(b); }

TEST(Postcard, VarintBytes) {
  const std::pair<uint64_t, const char*> cases[] = {
      {0, "00"},
      {127, "7f"},
      {128, "8001"},
      {300, "ac02"},
      {std::numeric_limits<uint16_t>::max(), "ffff03"},
      {std::numeric_limits<uint32_t>::max(), "ffffffff0f"},
      {std::numeric_limits<uint64_t>::max(), "ffffffffffffffffff01"},
  };
  for (const auto& [v, bytes] : cases) {
    std::vector<uint8_t> out;
    PostcardWriter(out).varint(v);
    EXPECT_EQ(hex(out), bytes) << v;
  }
}

TEST(Postcard, ZigzagBytes) {
  const std::pair<int64_t, const char*> cases[] = {
      {0, "00"},
      {-1, "01"},
      {1, "02"},
      {-64, "7f"},
      {64, "8001"},
      {-1200, "df12"},
      {2000, "a01f"},
      {std::numeric_limits<int64_t>::min(), "ffffffffffffffffff01"},
      {std::numeric_limits<int64_t>::max(), "feffffffffffffffff01"},
  };
  for (const auto& [v, bytes] : cases) {
    std::vector<uint8_t> out;
    PostcardWriter(out).zigzag(v);
    EXPECT_EQ(hex(out), bytes) << v;
  }
}

TEST(Postcard, TextsOptionsAndFixedArrays) {
  std::vector<uint8_t> out;
  PostcardWriter(out).text("").text("h\xc3\xa9").option_tag(false).boolean(true);
  EXPECT_EQ(hex(out), "0003" "68c3a9" "0001");

  // Without disclosure the three options are one 00 byte each, nothing after the tag.
  const GateAttestation minimal = sample_gate_attestation(false);
  std::vector<uint8_t> g;
  minimal.write_postcard(g);
  EXPECT_EQ(g.front(), 0);
  ASSERT_GT(g.size(), 34u);
  EXPECT_EQ(g[g.size() - 33], 0);  // regimes
  EXPECT_EQ(g[g.size() - 34], 0);  // exposure
  EXPECT_EQ(g[g.size() - 35], 1);  // ohlc_risk

  // A regime panel writes its two six-element arrays with no length before them.
  GateAttestation panel_only = minimal;
  panel_only.regimes = RegimePanel{20, 300, {-1, 1, 0, 64, -64, 2}, {1, 2, 3, 4, 128, 0}};
  std::vector<uint8_t> p;
  panel_only.write_postcard(p);
  const std::vector<uint8_t> tail(p.end() - 32 - 18, p.end() - 32);
  EXPECT_EQ(hex(tail), "01" "14" "ac02" "01020080017f04" "010203048001" "00");
}

// Expected values from tests/data/credential_digest_model.py, an independent Python model
// of the compact encoding over hashlib.
TEST(CredentialDigest, MatchesTheIndependentModel) {
  EXPECT_EQ(hex(sample_credential_bundle(false).core.digest()),
            "691b6a0deddbe0acf528ba871550d85238cb936498ebea18ab8290f9c4483ec6");
  EXPECT_EQ(hex(sample_credential_bundle(true).core.digest()),
            "4ab5f5415c45fccb53c74fdbed35b310cb960a96eca5d0555a3b5dd3f337a5e5");
  EXPECT_EQ(hex(sample_attestation_bundle(AttestationFamily::LabelSchema).core.digest()),
            "b97f3972cacbc6715dbb3f253470bf37d8dd00cb69b67cd700a8d4f77389e291");
  EXPECT_EQ(hex(sample_attestation_bundle(AttestationFamily::Structural).core.digest()),
            "8aa52f5a5b289521b6fe0d96dd557a79c0a54229f8d258dfbf1ce3e648bfd3d9");
  EXPECT_EQ(hex(sample_attestation_bundle(AttestationFamily::Hrp).core.digest()),
            "03a372b51cae110f0b791389e994d708a9e2d04fb0374db81a36897819527f19");
}

TEST(CredentialDigest, IntactOnlyWhileEveryElementIsUnchanged) {
  CredentialBundle b = sample_credential_bundle(true);
  b.digest = b.core.digest();
  ASSERT_TRUE(b.digest_intact());
  struct Change {
    const char* what;
    void (*apply)(CredentialCore&);
  };
  const Change changes[] = {
      {"header_u32", [](CredentialCore& c) { c.header_u32 += 1; }},
      {"issuer", [](CredentialCore& c) { c.issuer += " "; }},
      {"header_u64", [](CredentialCore& c) { c.header_u64 += 1; }},
      {"header_i64", [](CredentialCore& c) { c.header_i64 = -c.header_i64; }},
      {"image_id", [](CredentialCore& c) { c.image_id[0] ^= 1; }},
      {"disclosed absent", [](CredentialCore& c) { c.journal.disclosed.reset(); }},
      {"r2_reversal_pct", [](CredentialCore& c) { c.journal.disclosed->r2_reversal_pct += 1; }},
      {"data_root", [](CredentialCore& c) { c.journal.data_root[31] ^= 1; }},
      {"canonical_data", [](CredentialCore& c) { c.journal.canonical_data = false; }},
      {"policy_value_3", [](CredentialCore& c) { c.journal.gate.policy_value_3 += 1; }},
      {"policy_value_8", [](CredentialCore& c) { c.journal.gate.policy_value_8 += 1; }},
      {"policy_flag_10", [](CredentialCore& c) { c.journal.gate.policy_flag_10 = false; }},
      {"window_end", [](CredentialCore& c) { c.journal.window_end += 1; }},
      {"format_version", [](CredentialCore& c) { c.journal.format_version += 1; }},
      {"instruments", [](CredentialCore& c) { c.journal.exposure->instruments += 1; }},
      {"bucket_bars[5]", [](CredentialCore& c) { c.journal.regimes->bucket_bars[5] += 1; }},
      {"aux_binding", [](CredentialCore& c) { c.journal.aux_binding[0] = 1; }},
  };
  for (const auto& c : changes) {
    CredentialBundle changed = b;
    c.apply(changed.core);
    EXPECT_FALSE(changed.digest_intact()) << c.what;
  }
  CredentialBundle stored = b;
  stored.digest[31] ^= 0x80;
  EXPECT_FALSE(stored.digest_intact());
}

TEST(CredentialDigest, TheFileEncodingDoesNotReproduceIt) {
  const CredentialBundle b = sample_credential_bundle(false);
  testing::BincodeWriter w;
  testing::write_credential_core(w, b.core);
  base::Sha256 h;
  h.update(kCredentialV2Tag).update(w.bytes());
  EXPECT_NE(h.finish().bytes(), b.core.digest());
}

TEST(AttestationDigest, IntactAndFamily) {
  AttestationBundle a = sample_attestation_bundle(AttestationFamily::Hrp);
  a.digest = a.core.digest();
  EXPECT_TRUE(a.digest_intact());
  a.core.family = AttestationFamily::Structural;
  EXPECT_FALSE(a.digest_intact());
}

TEST(Sha256Bytes, IsThePlainHash) {
  const std::vector<uint8_t> abc = {'a', 'b', 'c'};
  EXPECT_EQ(hex(sha256_bytes(abc)),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

}  // namespace
}  // namespace kovra::core
