// Runs the default mode end to end on a fixture, in process: the files are written to a
// scratch directory, the bundle is sealed with a Groth16 test receipt over its journal (or a
// fake one), and the main routine runs with the test receipt verifier and a frozen clock.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "kovra-core/merkle.h"
#include "run_result.h"
#include "verifier/price_csv.h"

namespace kovra::verifier::testing {

struct GateScenario {
  GateFixture fixture;
  std::vector<std::string> extra_args;  // after the data arguments
  std::map<std::string, std::string> env;
  bool fake_receipt = false;
  bool verifier_dev_mode = false;       // the test context's dev mode
  bool roots_file = true;               // a roots.txt that names the committed data root
  std::vector<DataFile> extra_files;
  // Symbolic links made in the scratch directory: name, then target.
  std::vector<std::pair<std::string, std::string>> links;
  // Changes the journal the receipt commits to (a swap); the default is the core's own.
  std::function<void(core::GateAttestation&)> receipt_journal;
  // Changes the sealed bundle (digest, receipt) before it is written.
  std::function<void(core::CredentialBundle&)> after_seal;
  // Changes the data files after the credential was bound to them.
  std::function<void(GateFixture&)> edit_data;
};

inline core::CredentialBundle sealed_bundle(const GateScenario& s) {
  core::GateAttestation committed = s.fixture.core.journal;
  if (s.receipt_journal) s.receipt_journal(committed);
  const auto journal = journal_bytes(committed);
  auto bundle = seal(s.fixture.core, s.fake_receipt
                                         ? fake_receipt_for(s.fixture.core.image_id, journal)
                                         : test_proofs().receipt(s.fixture.image_id(), journal));
  if (s.after_seal) s.after_seal(bundle);
  return bundle;
}

// What a run of the scenario writes and passes (the bundle sealed, the data edited).
inline ModeFiles scenario_files(GateScenario s, bool terminal = false) {
  const auto bundle = sealed_bundle(s);
  if (s.edit_data) s.edit_data(s.fixture);
  ModeFiles m;
  m.files = s.fixture.csv_files;
  m.files.insert(m.files.end(), s.fixture.funding_files.begin(), s.fixture.funding_files.end());
  m.files.insert(m.files.end(), s.extra_files.begin(), s.extra_files.end());
  if (s.roots_file) {
    m.files.push_back({"roots.txt", "# test datasets\n" + hex_lower(s.fixture.core.journal.data_root) +
                                        " test dataset (" + kind_name(s.fixture.kind) + ")\n"});
  }
  m.bundle = text_of(core::testing::credential_bundle_bytes(bundle));
  m.bundle_name = "c.bundle";
  m.links = s.links;
  m.args = s.fixture.data_args();
  m.args.push_back("--roots");
  m.args.push_back("roots.txt");
  m.args.insert(m.args.end(), s.extra_args.begin(), s.extra_args.end());
  m.env = s.env;
  m.verifier_dev_mode = s.verifier_dev_mode;
  m.terminal = terminal;
  return m;
}

// Writes the scenario's files into `dir` and runs there.
inline RunResult run_scenario_in(const TempDir& dir, GateScenario s, bool terminal = false) {
  return run_files_in(dir, scenario_files(std::move(s), terminal));
}

inline RunResult run_scenario(GateScenario s) {
  TempDir dir;
  return run_scenario_in(dir, std::move(s));
}

// ---- Side files of the binding runs --------------------------------------------------------

// A 32-byte value as the JSON array of its bytes.
inline std::string json_bytes(const core::Bytes32& b) {
  std::string out = "[";
  for (size_t i = 0; i < b.size(); ++i) {
    if (i) out += ',';
    out += std::to_string(b[i]);
  }
  out += ']';
  return out;
}

// The first period of the track heads below.
inline constexpr int64_t kTrackFirstTs = 1'700'000'000;

// A track head in object form (with an undeclared "version" key); its Merkle root is all 1s
// and its last period 1,700,100,000.
inline std::string track_head_json(const core::Bytes32& model, uint64_t size,
                                   const core::Bytes32& chain_head) {
  core::Bytes32 merkle_root;
  merkle_root.fill(1);
  return "{\"version\": 3, \"model_commitment\": " + json_bytes(model) +
         ", \"size\": " + std::to_string(size) + ", \"merkle_root\": " + json_bytes(merkle_root) +
         ", \"chain_head\": " + json_bytes(chain_head) + ", \"first_ts\": " +
         std::to_string(kTrackFirstTs) + ", \"last_ts\": 1700100000}";
}

// A pre-registration record: the commitment's text and the registration time's JSON text.
inline std::string prereg_json(const std::string& commitment, const std::string& at) {
  return "{\n  \"commitment\": \"" + commitment + "\",\n  \"committed_at\": " + at + "\n}\n";
}

// The parent credential of a chain: the first `parent_bars` bars of the child's first price
// file, same spec and costs, sealed with a test receipt.
inline core::CredentialBundle parent_of(const GateFixture& child, uint32_t parent_bars = 120) {
  core::CredentialCore core = child.core;
  const auto bars = parse_price_csv(child.csv_files[0].text);
  core.journal.bars = parent_bars;
  core.journal.data_root = core::merkle_root(std::span(bars).first(parent_bars));
  core.journal.window_end = bars[parent_bars - 1].timestamp;
  if (core.journal.disclosed) core.journal.disclosed->trades = 30;
  return seal(core, test_proofs().receipt(TRUSTED_IMAGE_ID, journal_bytes(core.journal)));
}

}  // namespace kovra::verifier::testing
