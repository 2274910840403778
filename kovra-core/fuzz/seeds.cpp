// Seeds of the kovra-core fuzz targets: credential bundles around receipts of every proof
// kind, attestation bundles of every family, every journal record, and the JSON side records
// in both of their forms.
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/seed_corpus.h"
#include "kovra-core/credential.h"
#include "kovra-core/testing/bundle_writer.h"
#include "kovra-core/testing/journal_samples.h"
#include "kovra-core/testing/journal_writer.h"
#include "receipts/testing/receipt_samples.h"

namespace {

using namespace kovra::core;
using testing::journal_bytes;
using testing::sample_gate_attestation;

const char* family_name(AttestationFamily family) {
  switch (family) {
    case AttestationFamily::LabelSchema: return "label-schema";
    case AttestationFamily::Structural: return "structural";
    case AttestationFamily::Hrp: return "hrp";
  }
  return "";
}

std::vector<uint8_t> attestation_journal(AttestationFamily family) {
  switch (family) {
    case AttestationFamily::LabelSchema:
      return journal_bytes(testing::sample_label_schema_journal());
    case AttestationFamily::Structural:
      return journal_bytes(testing::sample_structural_journal());
    case AttestationFamily::Hrp:
      return journal_bytes(testing::sample_hrp_journal());
  }
  return {};
}

std::string bytes_json(uint8_t seed) {
  std::string s = "[";
  for (int i = 0; i < 32; ++i) {
    if (i) s.push_back(',');
    s.append(std::to_string((seed + 7 * i) % 256));
  }
  s.push_back(']');
  return s;
}

// The pieces one after another (the JSON texts below).
std::string join(std::initializer_list<std::string_view> pieces) {
  std::string out;
  for (std::string_view p : pieces) out.append(p);
  return out;
}

void write_seeds(kovra::fuzz::SeedCorpus& corpus) {
  corpus.target("bundle_fuzz");
  for (bool disclosing : {false, true}) {
    const std::vector<uint8_t> journal = journal_bytes(sample_gate_attestation(disclosing));
    for (auto& r : kovra::receipts::testing::sample_receipts(journal)) {
      CredentialBundle b = testing::sample_credential_bundle(disclosing, journal);
      b.digest = b.core.digest();
      b.receipt = std::move(r.receipt);
      corpus.add(join({disclosing ? "full-" : "minimal-", r.name}),
                 testing::credential_bundle_bytes(b));
    }
  }

  corpus.target("attestation_fuzz");
  for (auto family : {AttestationFamily::LabelSchema, AttestationFamily::Structural,
                      AttestationFamily::Hrp}) {
    AttestationBundle b = testing::sample_attestation_bundle(family);
    b.receipt.journal = attestation_journal(family);
    b.core.journal_sha256 = sha256_bytes(b.receipt.journal);
    b.digest = b.core.digest();
    corpus.add(family_name(family), testing::attestation_bundle_bytes(b));
  }

  corpus.target("journal_fuzz");
  corpus.add("gate-minimal", journal_bytes(sample_gate_attestation(false)));
  corpus.add("gate-full", journal_bytes(sample_gate_attestation(true)));
  corpus.add("dsr", journal_bytes(testing::sample_dsr_journal()));
  corpus.add("pbo", journal_bytes(testing::sample_pbo_journal()));
  corpus.add("pbo-composed", journal_bytes(testing::sample_pbo_agg_journal()));
  corpus.add("cpcv", journal_bytes(testing::sample_cpcv_journal()));
  ValidationExtGuestJournal vext = testing::sample_vext_journal();
  corpus.add("vext", journal_bytes(vext));
  vext.stats.reset();
  corpus.add("vext-no-stats", journal_bytes(vext));
  for (auto family : {AttestationFamily::LabelSchema, AttestationFamily::Structural,
                      AttestationFamily::Hrp}) {
    corpus.add(family_name(family), attestation_journal(family));
  }

  // The side records' texts serve both the records' target and the JSON reader's, which
  // also gets values of every kind to walk.
  for (const char* target : {"side_records_fuzz", "json_fuzz"}) {
    corpus.target(target);
    corpus.add("track-head-object",
               join({"{\"version\": 3, \"model_commitment\": ", bytes_json(1), ", \"size\": 12, ",
                     "\"merkle_root\": ", bytes_json(2), ", \"chain_head\": ", bytes_json(3),
                     ", \"first_ts\": 1700000000, \"last_ts\": -1700100000}"}));
    corpus.add("track-head-array",
               join({"[", bytes_json(4), ", 18446744073709551615, ", bytes_json(5), ", ",
                     bytes_json(6), ", -9223372036854775808, 9223372036854775807]"}));
    corpus.add("aux-parts-object",
               join({"{\"trial_ledger\": ", bytes_json(7), ", \"live_chain\": null, ",
                     "\"black_box_track\": ", bytes_json(8),
                     ", \"note\": {\"x\": [1.5e300, true]}}"}));
    corpus.add("aux-parts-array",
               join({"[null, ", bytes_json(9), ", null, null, ", bytes_json(10), "]"}));
  }
  corpus.add("values", "[0, -1, 1.5e-7, 1e400, \"a\\u00e9\\ud83d\\ude00\\n\", true, false, null, "
                       "{\"k\": [[], {}]}, 18446744073709551616]");
}

}  // namespace

int main(int argc, char** argv) { return kovra::fuzz::seed_main(argc, argv, write_seeds); }
