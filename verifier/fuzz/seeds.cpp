// Seeds of the verifier fuzz targets, made from the test fixtures: a run of every mode that
// passes (gate credentials of every kind, with and without disclosure, a fake receipt in dev
// mode, the side bindings, the statistic and attestation modes, --print-root), and the price,
// funding, roots and side files and argument lists of those runs.
#include <string>
#include <vector>

#include "base/invariant.h"
#include "fuzz/seed_corpus.h"
#include "gate_run.h"
#include "mode_fixture.h"
#include "sections.h"
#include "side_files.h"
#include "verifier/canonical_roots.h"

namespace kovra::verifier::fuzz {
namespace {

using testing::CredentialKind;
using testing::GateScenario;
using testing::ModeFiles;

constexpr CredentialKind kKinds[] = {CredentialKind::Plain, CredentialKind::Portfolio,
                                     CredentialKind::Carry, CredentialKind::Vrp};

struct NamedRun {
  std::string name;
  ModeFiles files;
};

GateScenario gate(CredentialKind kind, bool disclosing) {
  GateScenario s;
  s.fixture = testing::make_gate_fixture(kind, disclosing);
  return s;
}

std::vector<NamedRun> runs() {
  std::vector<NamedRun> out;
  for (CredentialKind kind : kKinds) {
    for (bool disclosing : {false, true}) {
      out.push_back({std::string("gate-") + testing::kind_name(kind) +
                         (disclosing ? "-disclosing" : "-minimal"),
                     testing::scenario_files(gate(kind, disclosing))});
    }
  }
  {
    GateScenario s = gate(CredentialKind::Plain, true);
    s.fake_receipt = true;
    s.verifier_dev_mode = true;
    s.env = {{"DURO0_DEV_MODE", "1"}, {"TERM", "xterm"}};
    out.push_back({"gate-fake-dev-terminal", testing::scenario_files(s, /*terminal=*/true)});
  }
  const core::Bytes32 chain_head = side_chain_head();
  const auto& side = side_fixture();
  {
    GateScenario s;
    s.fixture = side;
    s.extra_files = {
        {"aux.json", "{\"black_box_track\": " + testing::json_bytes(chain_head) + "}"},
        {"head.json", testing::track_head_json(side.core.journal.commitment, 12, chain_head)},
        {"c.bundle.ots", ""}};
    s.extra_args = {"--aux", "aux.json", "--track", "head.json", "--track-anchor", "1700000000"};
    out.push_back({"gate-black-box-track", testing::scenario_files(s)});
  }
  {
    GateScenario s = gate(CredentialKind::Plain, true);
    s.extra_files = {{"pre.json", testing::prereg_json(hex_lower(s.fixture.core.journal.commitment),
                                                       "1600000000")}};
    s.extra_args = {"--prereg", "pre.json"};
    out.push_back({"gate-prereg", testing::scenario_files(s)});
  }
  {
    GateScenario s = gate(CredentialKind::Plain, true);
    const auto parent = testing::parent_of(s.fixture);
    s.extra_files = {
        {"parent.bundle", testing::text_of(core::testing::credential_bundle_bytes(parent))},
        {"c.bundle.chain.json", "{\"parent_digest\": \"" + hex_lower(parent.digest) + "\"}"}};
    s.extra_args = {"--chain", "parent.bundle"};
    out.push_back({"gate-chain", testing::scenario_files(s)});
  }
  out.push_back({"dsr", testing::dsr_scenario().files()});
  out.push_back({"pbo-composed", testing::pbo_composed_scenario().files()});
  out.push_back({"pbo-per-trial", testing::pbo_per_trial_scenario().files()});
  out.push_back({"cpcv", testing::cpcv_scenario().files()});
  out.push_back({"vext", testing::vext_scenario().files()});
  out.push_back({"label-schema", testing::label_schema_scenario().files()});
  out.push_back({"structural", testing::structural_scenario().files()});
  out.push_back({"hrp", testing::hrp_scenario().files()});
  for (CredentialKind kind : kKinds) {
    const auto fixture = testing::make_gate_fixture(kind, false);
    ModeFiles m;
    m.bundle_name = "--print-root";
    m.files = fixture.csv_files;
    m.files.insert(m.files.end(), fixture.funding_files.begin(), fixture.funding_files.end());
    m.args = fixture.data_args();
    out.push_back({std::string("print-root-") + testing::kind_name(kind), m});
  }
  return out;
}

// The run as the whole-program target's input (run_fuzz.cpp).
std::string run_input(const ModeFiles& m) {
  Sections s;
  for (const auto& [name, value] : m.env) s.header += "env " + name + "=" + value + "\n";
  if (m.verifier_dev_mode) s.header += "dev\n";
  if (m.terminal) s.header += "terminal\n";
  for (const auto& a : m.args) {
    KOVRA_INVARIANT(a != "dev" && a != "terminal" && a.rfind("env ", 0) != 0 &&
                        a.find('\n') == std::string::npos,
                    "an argument the header can carry");
    s.header += a + "\n";
  }
  s.files.push_back({m.bundle_name, m.bundle});
  for (const auto& f : m.files) s.files.push_back({f.name, f.text});
  const std::string input = join_sections(s);
  const auto again = split_sections(input);
  KOVRA_INVARIANT(again && again->files.size() == s.files.size(), "a seed that splits back");
  return input;
}

const ModeFiles& files_of(const std::vector<NamedRun>& all, const std::string& name) {
  for (const auto& r : all)
    if (r.name == name) return r.files;
  KOVRA_INVARIANT(false, "a named seed run");
  return all.front().files;
}

void write_seeds(kovra::fuzz::SeedCorpus& corpus) {
  const auto all = runs();
  corpus.target("run_fuzz");
  for (const auto& r : all) {
    // Every seed is a run whose checks all pass (dev runs end with 3), so that mutations start
    // from the deepest paths.
    const int status = testing::run_files(r.files).status;
    KOVRA_INVARIANT(status == (r.files.verifier_dev_mode ? 3 : 0), "a seed run that passes");
    corpus.add(r.name, run_input(r.files));
  }

  corpus.target("arguments_fuzz");
  for (const auto& r : all) {
    std::string lines = r.files.bundle_name;
    for (const auto& a : r.files.args) lines += "\n" + a;
    corpus.add(r.name, lines);
  }

  corpus.target("price_csv_fuzz");
  corpus.add("ohlc", testing::price_csv(150, 1));
  corpus.add("close-only",
             "date,close\r\n2024-01-02,101.5\r\n2024-01-03, 99.25 ,x\r\n+1704326400,1e2\r\n"
             "1704412800,nan\r\n1704499200,-inf\r\n\r\n1704585600\r\n");
  corpus.add("mixed", "\xef\xbb\xbftimestamp,open,high,low,close,volume\n"
                      "2024-02-29,1,2,0.5,1.5,9\n1709251200,1,2,x,1.5\n"
                      "\xe2\x80\x83" "1709337600,0.0000005,0.0000015,1e-7,92233720368547.75807\n");

  corpus.target("funding_fuzz");
  {
    const auto carry = testing::make_gate_fixture(CredentialKind::Carry, false);
    Sections s;
    for (const auto& f : carry.funding_files)
      s.files.push_back({f.name.substr(f.name.rfind('/') + 1), f.text});
    s.files.push_back({"README.txt", "not a funding file\n"});
    corpus.add("two-files", join_sections(s));
    s.files[1].content = testing::funding_csv(60, 7, 1'600'000'000 + 8 * 3600);
    corpus.add("shifted-times", join_sections(s));
  }

  corpus.target("roots_fuzz");
  corpus.add("built-in", CANONICAL_ROOTS_TEXT);
  for (const std::string name : {"dsr", "gate-portfolio-minimal"}) {
    for (const auto& f : files_of(all, name).files)
      if (f.name == "roots.txt") corpus.add(name, f.text);
  }
  corpus.add("labels", "  # comment\r\n" + std::string(64, 'A') + "\r\n" + std::string(64, 'f') +
                           "\tspaced \xe2\x80\x83 label\n\n" + std::string(63, '0') + " short\n");

  corpus.target("side_files_fuzz");
  const core::Bytes32 chain_head = side_chain_head();
  const auto& side = side_fixture();
  corpus.add("aux-object", "{\"black_box_track\": " + testing::json_bytes(chain_head) + "}");
  corpus.add("aux-array", "[null, null, null, " + testing::json_bytes(chain_head) + ", null]");
  corpus.add("track-head", testing::track_head_json(side.core.journal.commitment, 12, chain_head));
  corpus.add("prereg", testing::prereg_json(hex_lower(side.core.journal.commitment), "1600000000"));
  corpus.add("chain-record", "{\"parent_digest\": \"" +
                                 hex_lower(testing::parent_of(side).digest) + "\"}");
}

}  // namespace
}  // namespace kovra::verifier::fuzz

int main(int argc, char** argv) {
  return kovra::fuzz::seed_main(argc, argv, kovra::verifier::fuzz::write_seeds);
}
