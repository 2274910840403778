// Runs the default mode end to end on a fixture, in process: the files are written to a
// scratch directory, the bundle is sealed with a Groth16 test receipt over its journal (or a
// fake one), and the main routine runs with the test receipt verifier and a frozen clock.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "kovra-core/testing/bundle_writer.h"
#include "test_files.h"
#include "verifier/gate_mode.h"
#include "verifier/testing/gate_fixture.h"
#include "verifier/verifier_main.h"

namespace kovra::verifier::testing {

struct GateRunResult {
  int status = -1;
  std::string out, err;

  // The labels of the failed check lines, in order (colour off).
  std::vector<std::string> failed() const {
    std::vector<std::string> labels;
    const std::string mark = "  [✗] ";
    size_t at = 0;
    while ((at = out.find(mark, at)) != std::string::npos) {
      const size_t end = out.find('\n', at);
      labels.push_back(out.substr(at + mark.size(), end - at - mark.size()));
      at = end;
    }
    return labels;
  }
  bool has_line(const std::string& line) const {
    return ("\n" + out).find("\n" + line + "\n") != std::string::npos;
  }
};

struct GateScenario {
  GateFixture fixture;
  std::vector<std::string> extra_args;  // after the data arguments
  std::map<std::string, std::string> env;
  bool fake_receipt = false;
  bool verifier_dev_mode = false;       // the test context's dev mode
  bool roots_file = true;               // a roots.txt that names the committed data root
  std::vector<DataFile> extra_files;
  // Changes the journal the receipt commits to (a swap); the default is the core's own.
  std::function<void(core::GateAttestation&)> receipt_journal;
  // Changes the sealed bundle (digest, receipt) before it is written.
  std::function<void(core::CredentialBundle&)> after_seal;
  // Changes the data files after the credential was bound to them.
  std::function<void(GateFixture&)> edit_data;
};

inline const TestProofs& test_proofs() {
  static const TestProofs proofs;
  return proofs;
}

inline std::string as_text(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

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

// Writes the scenario's files into `dir` and runs there.
inline GateRunResult run_scenario_in(const TempDir& dir, GateScenario s, bool terminal = false) {
  ScopedCwd cwd(dir.path());
  const auto bundle = sealed_bundle(s);
  if (s.edit_data) s.edit_data(s.fixture);
  for (const auto& f : s.fixture.csv_files) dir.write(f.name, f.text);
  for (const auto& f : s.fixture.funding_files) dir.write(f.name, f.text);
  for (const auto& f : s.extra_files) dir.write(f.name, f.text);
  dir.write("c.bundle", as_text(core::testing::credential_bundle_bytes(bundle)));
  if (s.roots_file) {
    dir.write("roots.txt", "# test datasets\n" + hex_lower(s.fixture.core.journal.data_root) +
                               " test dataset (" + kind_name(s.fixture.kind) + ")\n");
  }
  std::vector<std::string> args = {"verifier", "c.bundle"};
  for (auto& a : s.fixture.data_args()) args.push_back(a);
  args.push_back("--roots");
  args.push_back("roots.txt");
  for (auto& a : s.extra_args) args.push_back(a);

  StringOutput out, err;
  const Environment env = Environment::of(s.env);
  Report report(out, err, [&] { return detect_colour(terminal, env); });
  GateModeSeams seams{test_proofs().verifier(s.verifier_dev_mode),
                      [] { return platform::Clock::time_point{}; }};
  GateRunResult r;
  r.status = run(args, env, report, seams);
  r.out = out.text;
  r.err = err.text;
  return r;
}

inline GateRunResult run_scenario(GateScenario s) {
  TempDir dir;
  return run_scenario_in(dir, std::move(s));
}

}  // namespace kovra::verifier::testing
