#include "kovra-core/bundle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "kovra-core/testing/bundle_writer.h"
#include "receipts/testing/receipt_writer.h"

namespace kovra::core {
namespace {

using testing::attestation_bundle_bytes;
using testing::credential_bundle_bytes;
using testing::sample_attestation_bundle;
using testing::sample_credential_bundle;
using testing::sample_gate_attestation;

const char kEnd[] = "io error: unexpected end of file";

std::string parse_error(const std::vector<uint8_t>& bytes) {
  auto r = CredentialBundle::read_bincode(bytes);
  return r.ok() ? "(decoded)" : r.error().message;
}

// The receipt of the cut-everywhere fixture: succinct, so it holds a text of its own.
receipts::Receipt succinct_receipt() {
  receipts::SuccinctReceipt s;
  s.seal = {1, 2, 3};
  s.code_root = receipts::testing::sample_digest(3);
  s.claim = receipts::Prunable<receipts::ReceiptClaim>(receipts::testing::sample_claim({1, 2}));
  s.hash_name = "sha-256";
  s.params_digest = receipts::testing::sample_digest(4);
  s.code_root_proof = receipts::MerkleInclusionProof{1, {receipts::testing::sample_digest(5)}};
  return receipts::Receipt{receipts::ReceiptProof{receipts::ProofKind(s)}, {9, 9},
                           receipts::testing::sample_digest(4)};
}

TEST(CredentialBundle, RoundTripsBothShapesAndIgnoresTrailingBytes) {
  for (bool disclosing : {false, true}) {
    CredentialBundle b = sample_credential_bundle(disclosing);
    auto bytes = credential_bundle_bytes(b);
    // The stored digest sits right after the core: 60 + L bytes of header, then the gate
    // journal of 205 (no options) or 421 (all options) bytes.
    const size_t digest_at = (disclosing ? 481 : 265) + b.core.issuer.size();
    EXPECT_TRUE(std::equal(b.digest.begin(), b.digest.end(), bytes.begin() + long(digest_at)));
    bytes.insert(bytes.end(), {0xde, 0xad});
    auto back = CredentialBundle::read_bincode(bytes);
    ASSERT_TRUE(back.ok()) << back.error().message;
    EXPECT_EQ(back->core, b.core);
    EXPECT_EQ(back->digest, b.digest);
    EXPECT_EQ(back->receipt, b.receipt);
  }
  CredentialBundle empty_issuer = sample_credential_bundle(false);
  empty_issuer.core.issuer = "";
  auto back = CredentialBundle::read_bincode(credential_bundle_bytes(empty_issuer));
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(back->core.issuer, "");
}

TEST(CredentialBundle, CutAtEveryOffsetFailsWithTheEndOfInputText) {
  CredentialBundle b = sample_credential_bundle(true);
  b.receipt = succinct_receipt();
  const auto bytes = credential_bundle_bytes(b);
  // A cut inside a text's bytes is the bare io error; everywhere else the end of file.
  const size_t issuer_at = 12, issuer_len = b.core.issuer.size();
  const std::string name = "sha-256";
  const auto it = std::search(bytes.begin(), bytes.end(), name.begin(), name.end());
  ASSERT_NE(it, bytes.end());
  const size_t name_at = size_t(it - bytes.begin());
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    const bool in_text = (cut >= issuer_at && cut < issuer_at + issuer_len) ||
                         (cut >= name_at && cut < name_at + name.size());
    const std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + long(cut));
    EXPECT_EQ(parse_error(prefix), in_text ? "io error: " : kEnd) << "cut at " << cut;
  }
  EXPECT_EQ(parse_error(bytes), "(decoded)");
}

TEST(CredentialBundle, RefusesBadTagsBoolsAndTexts) {
  const CredentialBundle b = sample_credential_bundle(false);
  const auto good = credential_bundle_bytes(b);
  const size_t B = 60 + b.core.issuer.size();  // the gate journal's first byte
  struct Case {
    const char* what;
    size_t offset;
    uint8_t value;
    std::string message;
  };
  const Case cases[] = {
      {"disclosed tag", B + 0, 2, "tag for enum is not valid, found 2"},
      {"canonical_data", B + 65, 2, "invalid u8 while decoding bool, expected 0 or 1, found 2"},
      {"policy_flag_10", B + 126, 7, "invalid u8 while decoding bool, expected 0 or 1, found 7"},
      {"gate_passed", B + 127, 2, "invalid u8 while decoding bool, expected 0 or 1, found 2"},
      {"ohlc_risk", B + 170, 255,
       "invalid u8 while decoding bool, expected 0 or 1, found 255"},
      {"exposure tag", B + 171, 2, "tag for enum is not valid, found 2"},
      {"regimes tag", B + 172, 2, "tag for enum is not valid, found 2"},
      {"issuer byte", 12, 0xff,
       "string is not valid utf8: invalid utf-8 sequence of 1 bytes from index 0"},
      {"issuer byte", 12 + 3, 0xe2,
       "string is not valid utf8: invalid utf-8 sequence of 1 bytes from index 3"},
      {"issuer last byte", 12 + b.core.issuer.size() - 1, 0xc3,
       "string is not valid utf8: incomplete utf-8 byte sequence from index 11"},
      {"receipt kind", B + 205 + 32, 4,
       "invalid value: integer `4`, expected variant index 0 <= i < 4"},
  };
  for (const auto& c : cases) {
    auto bytes = good;
    bytes[c.offset] = c.value;
    EXPECT_EQ(parse_error(bytes), c.message) << c.what;
  }
  // An issuer longer than the file.
  auto bytes = good;
  bytes[4 + 5] = 1;
  EXPECT_EQ(parse_error(bytes), "io error: ");
  EXPECT_EQ(parse_error({}), kEnd);
}

TEST(CredentialBundle, RefusesTooDeepNestingOfReceipts) {
  // Chained receipts nested one level beyond the bound, as a bundle's receipt.
  CredentialBundle b = sample_credential_bundle(false);
  receipts::ChainedReceipt c;
  for (int i = 1; i <= receipts::kMaxChainedNesting; ++i) {
    receipts::ChainedReceipt outer;
    outer.assumption_receipts.push_back(receipts::AssumptionReceipt{receipts::ProofKind(std::move(c))});
    c = std::move(outer);
  }
  b.receipt.proof.kind = receipts::ProofKind(std::move(c));
  EXPECT_EQ(parse_error(credential_bundle_bytes(b)),
            "chained receipts nested deeper than 64 levels");
}

std::string attestation_error(const std::vector<uint8_t>& bytes) {
  auto r = AttestationBundle::read_bincode(bytes);
  if (r.ok()) return "(decoded)";
  return r.error().missing_prefix ? "(missing prefix)" : r.error().decode.message;
}

TEST(AttestationBundle, RoundTripsEveryFamilyAtTheFileOffsets) {
  for (auto family : {AttestationFamily::LabelSchema, AttestationFamily::Structural,
                      AttestationFamily::Hrp}) {
    const AttestationBundle b = sample_attestation_bundle(family);
    auto bytes = attestation_bundle_bytes(b);
    const size_t L = b.core.issuer.size();
    EXPECT_EQ(bytes[68 + L], static_cast<uint8_t>(family));
    EXPECT_TRUE(std::equal(b.digest.begin(), b.digest.end(), bytes.begin() + long(136 + L)));
    bytes.push_back(1);
    auto back = AttestationBundle::read_bincode(bytes);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back->core, b.core);
    EXPECT_EQ(back->digest, b.digest);
    EXPECT_EQ(back->receipt, b.receipt);
  }
}

TEST(AttestationBundle, PrefixAndFamilyRefusals) {
  const AttestationBundle b = sample_attestation_bundle(AttestationFamily::Hrp);
  const auto good = attestation_bundle_bytes(b);
  const std::vector<uint8_t> prefix_only(good.begin(), good.begin() + 8);
  EXPECT_EQ(attestation_error(prefix_only), "(missing prefix)");
  EXPECT_EQ(attestation_error({}), "(missing prefix)");
  auto wrong = good;
  wrong[7] = '2';
  EXPECT_EQ(attestation_error(wrong), "(missing prefix)");
  wrong = good;
  wrong[0] = 'k';
  EXPECT_EQ(attestation_error(wrong), "(missing prefix)");
  const std::vector<uint8_t> nine(good.begin(), good.begin() + 9);
  EXPECT_EQ(attestation_error(nine), kEnd);
  auto family3 = good;
  family3[68 + b.core.issuer.size()] = 3;
  EXPECT_EQ(attestation_error(family3),
            "invalid value: integer `3`, expected variant index 0 <= i < 3");
}

TEST(GateAttestation, EqualityIsMemberWise) {
  const GateAttestation base = sample_gate_attestation(true);
  EXPECT_EQ(base, sample_gate_attestation(true));
  struct Change {
    const char* what;
    void (*apply)(GateAttestation&);
  };
  const Change changes[] = {
      {"aux_binding", [](GateAttestation& g) { g.aux_binding[31] ^= 1; }},
      {"policy_flag_10", [](GateAttestation& g) { g.gate.policy_flag_10 = false; }},
      {"one regime bucket", [](GateAttestation& g) { g.regimes->bucket_bars[5] += 1; }},
      {"one regime return", [](GateAttestation& g) { g.regimes->bucket_return_bps[0] -= 1; }},
      {"exposure absent", [](GateAttestation& g) { g.exposure.reset(); }},
      {"disclosed sharpe", [](GateAttestation& g) { g.disclosed->sharpe_oos += 1; }},
      {"format_version", [](GateAttestation& g) { g.format_version = 2; }},
  };
  for (const auto& c : changes) {
    GateAttestation other = base;
    c.apply(other);
    EXPECT_FALSE(base == other) << c.what;
  }
  GateAttestation a = sample_gate_attestation(false), b = sample_gate_attestation(false);
  EXPECT_TRUE(a == b);  // both exposures absent
}

}  // namespace
}  // namespace kovra::core
