// Writes a seed corpus for bundle_fuzz into the directory given as the only argument: the
// sample bundles of the test support, one file each.
#include <cstdio>
#include <string>
#include <vector>

#include "kovra-core/testing/bundle_writer.h"
#include "kovra-core/testing/journal_writer.h"
#include "receipts/testing/receipt_writer.h"

namespace {

bool write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kovra::core;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus-dir>\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  bool ok = true;
  for (bool disclosing : {false, true}) {
    CredentialBundle b = testing::sample_credential_bundle(
        disclosing, testing::journal_bytes(testing::sample_gate_attestation(disclosing)));
    ok &= write_file(dir + "/credential-" + (disclosing ? "full" : "minimal"),
                     testing::credential_bundle_bytes(b));
  }
  // A chained receipt: one segment with whole claim and one fake assumption receipt.
  {
    namespace rt = kovra::receipts::testing;
    CredentialBundle b = testing::sample_credential_bundle(false);
    kovra::receipts::ChainedReceipt c;
    kovra::receipts::Rv32imReceipt seg;
    seg.seal = {1, 2, 3};
    seg.hash_name = "poseidon2";
    seg.claim = rt::sample_claim(b.receipt.journal, {{rt::sample_digest(1), {}}});
    c.segments.push_back(seg);
    c.assumption_receipts.push_back({kovra::receipts::FakeReceipt{
        kovra::receipts::Prunable<kovra::receipts::ReceiptClaim>::pruned(rt::sample_digest(1))}});
    b.receipt.proof.kind = std::move(c);
    ok &= write_file(dir + "/credential-chained", testing::credential_bundle_bytes(b));
  }
  ok &= write_file(dir + "/attestation-hrp",
                   testing::attestation_bundle_bytes(
                       testing::sample_attestation_bundle(AttestationFamily::Hrp)));
  if (!ok) {
    std::fprintf(stderr, "cannot write the seeds into %s\n", dir.c_str());
    return 1;
  }
  return 0;
}
