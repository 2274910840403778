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
#include "kovra-core/testing/journal_writer.h"
#include "receipts/testing/receipt_samples.h"

namespace {

using namespace kovra::core;
using testing::journal_bytes;
using testing::sample_bytes32;
using testing::sample_gate_attestation;

TrialLedger ledger(uint64_t leaves) { return {leaves, sample_bytes32(0x51), sample_bytes32(0x71)}; }

DsrJournal dsr() {
  DsrJournal j;
  j.gate = sample_gate_attestation(true);
  j.dsr = 962'345;
  j.sr0 = -41'250;
  j.observed_sharpe = 87'654;
  j.trials = 24;
  j.ledger = ledger(24);
  j.all_trials_bound = true;
  return j;
}

PboJournal pbo() {
  PboJournal j;
  j.gate = sample_gate_attestation(false);
  j.pbo = 241'000;
  j.trials = 12;
  j.cscv_splits = 8;
  j.cscv_partitions = 70;
  j.ledger = ledger(12);
  j.all_trials_bound = true;
  return j;
}

PboAggJournal pbo_agg() {
  PboAggJournal j;
  j.gate = sample_gate_attestation(true);
  j.pbo = 183'500;
  j.trials = 20;
  j.cscv_splits = 16;
  j.cscv_partitions = 12'870;
  j.ledger = ledger(20);
  j.trial_image_id = sample_bytes32(0xa0);
  j.all_trials_verified = true;
  return j;
}

CpcvJournal cpcv() {
  CpcvJournal j;
  j.gate = sample_gate_attestation(false);
  j.path_sharpe_p05 = -12'345;
  j.path_sharpe_mean = 45'678;
  j.paths = 15;
  j.groups = 6;
  j.test_groups = 2;
  j.embargo_bars = 3;
  j.label_span_bars = 1;
  j.bars_purged = 60;
  j.purge_applied = true;
  return j;
}

ValidationExtGuestJournal vext(bool with_stats) {
  ValidationExtGuestJournal j;
  j.gate = sample_gate_attestation(true);
  j.ledger = ledger(24);
  j.ledger_bound = true;
  if (with_stats) {
    ValidationExtJournal s;
    s.commitment = j.gate.commitment;
    s.data_root = j.gate.data_root;
    s.trials = 24;
    s.sample_bars = 1'500;
    s.periods_per_year = 252;
    s.winner_sr = 142'000;
    s.psr = 981'000;
    s.skewness = -310'000;
    s.kurtosis = 4'200'000;
    s.psr_pass = true;
    s.min_btl = 700;
    s.p_bhy = 12'750;
    s.spa_replicates = 1000;
    s.spa_block = 11;
    s.romano_wolf_survivors = {3, 17};
    s.composite_pass = true;
    j.stats = s;
  }
  return j;
}

LabelSchemaJournal label_schema() {
  LabelSchemaJournal j;
  j.data_root = sample_bytes32(0x40);
  j.window_bars = 150;
  j.event_count = 12;
  j.profit_take_bps = 250;
  j.stop_bps = -150;
  j.vertical_bars = 10;
  j.labels_digest = sample_bytes32(0xa0);
  j.uniqueness_digest = sample_bytes32(0xc0);
  j.meta_label_act_rate = -1;
  j.recomputed_in_circuit = true;
  return j;
}

StructuralJournal structural() {
  StructuralJournal j;
  j.data_root = sample_bytes32(0x40);
  j.window_bars = 150;
  j.cusum_h = 2'500'000;
  j.break_events = 3;
  j.episode_start_bar = 40;
  j.episode_end_bar = 75;
  j.sadf_min_window = 8;
  j.sadf_stride = 2;
  j.sadf_sup = 1'234'567;
  j.recomputed_in_circuit = true;
  return j;
}

HrpJournal hrp() {
  HrpJournal j;
  j.data_root = sample_bytes32(0x40);
  j.assets = 2;
  j.observations = 149;
  j.power_iterations = 64;
  j.mp_lambda_plus = 1'245'000;
  j.denoised_corr_digest = sample_bytes32(0xe0);
  j.weights = {437'500, 562'500};
  j.recomputed_in_circuit = true;
  return j;
}

std::vector<uint8_t> attestation_journal(AttestationFamily family) {
  switch (family) {
    case AttestationFamily::LabelSchema: return journal_bytes(label_schema());
    case AttestationFamily::Structural: return journal_bytes(structural());
    case AttestationFamily::Hrp: return journal_bytes(hrp());
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
  const std::pair<AttestationFamily, const char*> families[] = {
      {AttestationFamily::LabelSchema, "label-schema"},
      {AttestationFamily::Structural, "structural"},
      {AttestationFamily::Hrp, "hrp"}};
  for (const auto& [family, name] : families) {
    AttestationBundle b = testing::sample_attestation_bundle(family);
    b.receipt.journal = attestation_journal(family);
    b.core.journal_sha256 = sha256_bytes(b.receipt.journal);
    b.digest = b.core.digest();
    corpus.add(name, testing::attestation_bundle_bytes(b));
  }

  corpus.target("journal_fuzz");
  corpus.add("gate-minimal", journal_bytes(sample_gate_attestation(false)));
  corpus.add("gate-full", journal_bytes(sample_gate_attestation(true)));
  corpus.add("dsr", journal_bytes(dsr()));
  corpus.add("pbo", journal_bytes(pbo()));
  corpus.add("pbo-composed", journal_bytes(pbo_agg()));
  corpus.add("cpcv", journal_bytes(cpcv()));
  corpus.add("vext", journal_bytes(vext(true)));
  corpus.add("vext-no-stats", journal_bytes(vext(false)));
  corpus.add("label-schema", journal_bytes(label_schema()));
  corpus.add("structural", journal_bytes(structural()));
  corpus.add("hrp", journal_bytes(hrp()));

  corpus.target("side_records_fuzz");
  corpus.add("track-head-object",
             join({"{\"version\": 3, \"model_commitment\": ", bytes_json(1), ", \"size\": 12, ",
                   "\"merkle_root\": ", bytes_json(2), ", \"chain_head\": ", bytes_json(3),
                   ", \"first_ts\": 1700000000, \"last_ts\": -1700100000}"}));
  corpus.add("track-head-array",
             join({"[", bytes_json(4), ", 18446744073709551615, ", bytes_json(5), ", ",
                   bytes_json(6), ", -9223372036854775808, 9223372036854775807]"}));
  corpus.add("aux-parts-object",
             join({"{\"trial_ledger\": ", bytes_json(7), ", \"live_chain\": null, ",
                   "\"black_box_track\": ", bytes_json(8), ", \"note\": {\"x\": [1.5e300, true]}}"}));
  corpus.add("aux-parts-array",
             join({"[null, ", bytes_json(9), ", null, null, ", bytes_json(10), "]"}));
}

}  // namespace

int main(int argc, char** argv) { return kovra::fuzz::seed_main(argc, argv, write_seeds); }
