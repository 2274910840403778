// Consistent credentials of the statistic and attestation modes, built in code, and a runner
// that takes them through the main routine with Groth16 test receipts.
//
// A fixture is a set of price files, the bundle whose journal is derived from them (data
// root, bar count and window agree; the gate is the published DIRECTIONAL-V1 class) and a
// roots file that pins the committed root, so that every check of the mode passes and the
// run ends with status 0. Tests change one thing and name the exact lines that then fail.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <variant>
#include <vector>

#include "kovra-core/credential.h"
#include "kovra-core/journal.h"
#include "kovra-core/testing/journal_writer.h"
#include "run_result.h"

namespace kovra::verifier::testing {

inline std::string roots_text(const core::Bytes32& root) {
  return "# test datasets\n" + hex_lower(root) + " test prices (daily)\n";
}

// The journal records of the statistic modes.
using StatJournal = std::variant<core::DsrJournal, core::PboAggJournal, core::PboJournal,
                                 core::CpcvJournal, core::ValidationExtGuestJournal>;

inline const char* mode_flag(const StatJournal& j) {
  switch (j.index()) {
    case 0: return "--dsr";
    case 1:
    case 2: return "--pbo";
    case 3: return "--cpcv";
    default: return "--vext";
  }
}

inline core::GateAttestation& gate_of(StatJournal& j) {
  return std::visit([](auto& r) -> core::GateAttestation& { return r.gate; }, j);
}

// A credential of a statistic mode.
struct StatScenario {
  GateFixture fixture;  // the data files and the credential core
  StatJournal journal;  // its gate is the core's at build time
  std::vector<std::string> extra_args;
  std::map<std::string, std::string> env;
  bool fake_receipt = false;
  bool verifier_dev_mode = false;
  bool roots_file = true;
  bool terminal = false;
  // Changes the receipt's journal after the gate was copied in (a swap).
  std::function<void(StatJournal&)> after_gate;
  // Changes the sealed bundle (digest, receipt) before it is written.
  std::function<void(core::CredentialBundle&)> after_seal;
  // Replaces the receipt's journal bytes altogether.
  std::function<std::vector<uint8_t>()> journal_bytes_override;

  ModeFiles files() const {
    StatJournal j = journal;
    gate_of(j) = fixture.core.journal;
    if (after_gate) after_gate(j);
    const std::vector<uint8_t> bytes =
        journal_bytes_override
            ? journal_bytes_override()
            : std::visit([](const auto& r) { return core::testing::journal_bytes(r); }, j);
    auto bundle = seal(fixture.core, fake_receipt
                                         ? fake_receipt_for(fixture.core.image_id, bytes)
                                         : test_proofs().receipt(TRUSTED_IMAGE_ID, bytes));
    if (after_seal) after_seal(bundle);
    ModeFiles m;
    m.files = fixture.csv_files;
    if (roots_file) m.files.push_back({"roots.txt", roots_text(fixture.core.journal.data_root)});
    m.bundle = text_of(core::testing::credential_bundle_bytes(bundle));
    m.args = fixture.data_args();
    m.args.push_back(mode_flag(journal));
    m.args.push_back("--roots");
    m.args.push_back("roots.txt");
    m.args.insert(m.args.end(), extra_args.begin(), extra_args.end());
    m.env = env;
    m.verifier_dev_mode = verifier_dev_mode;
    m.terminal = terminal;
    return m;
  }
  RunResult run() const { return run_files(files()); }
};

// One consistent fixture per statistic credential (defined in mode_fixture.cpp).
StatScenario dsr_scenario();
StatScenario pbo_composed_scenario();
StatScenario pbo_per_trial_scenario();
StatScenario cpcv_scenario();
StatScenario vext_scenario();  // the statistics block present
// Recomputes every derived member of a statistics block (benchmark, PSR, MinBTL, noise
// ceiling, t, SPA block, pass bits) from its inputs, as an honest guest would.
void derive_statistics(core::ValidationExtJournal& s, const core::GateAttestation& gate);

// The journal records of the attestation families.
using AttestJournal =
    std::variant<core::LabelSchemaJournal, core::StructuralJournal, core::HrpJournal>;

inline const char* family_flag(core::AttestationFamily f) {
  switch (f) {
    case core::AttestationFamily::LabelSchema: return "--label-schema";
    case core::AttestationFamily::Structural: return "--structural";
    case core::AttestationFamily::Hrp: return "--hrp";
  }
  return "";
}

// An attestation bundle of one family.
struct AttestScenario {
  std::vector<DataFile> csv_files;
  core::AttestCredentialCore core;  // journal_sha256 and data_root are filled at build time
  AttestJournal journal;
  core::AttestationFamily requested = core::AttestationFamily::LabelSchema;
  std::vector<std::string> extra_args;
  std::map<std::string, std::string> env;
  bool fake_receipt = false;
  bool verifier_dev_mode = false;
  bool roots_file = true;
  std::function<void(core::AttestCredentialCore&)> edit_core;  // after the binding members
  std::function<void(core::AttestationBundle&)> after_seal;
  std::function<std::vector<uint8_t>()> journal_bytes_override;

  core::Bytes32 journal_root() const {
    return std::visit([](const auto& r) { return r.data_root; }, journal);
  }
  ModeFiles files() const {
    const std::vector<uint8_t> bytes =
        journal_bytes_override
            ? journal_bytes_override()
            : std::visit([](const auto& r) { return core::testing::journal_bytes(r); }, journal);
    core::AttestationBundle b;
    b.core = core;
    b.core.journal_sha256 = core::sha256_bytes(bytes);
    b.core.data_root = journal_root();
    if (edit_core) edit_core(b.core);
    b.digest = b.core.digest();
    b.receipt = fake_receipt ? fake_receipt_for(b.core.image_id, bytes)
                             : test_proofs().receipt(TRUSTED_IMAGE_ID, bytes);
    if (after_seal) after_seal(b);
    ModeFiles m;
    m.files = csv_files;
    if (roots_file) m.files.push_back({"roots.txt", roots_text(journal_root())});
    m.bundle = text_of(core::testing::attestation_bundle_bytes(b));
    for (const auto& f : csv_files) m.args.push_back(f.name);
    m.args.push_back(family_flag(requested));
    m.args.push_back("--roots");
    m.args.push_back("roots.txt");
    m.args.insert(m.args.end(), extra_args.begin(), extra_args.end());
    m.env = env;
    m.verifier_dev_mode = verifier_dev_mode;
    return m;
  }
  RunResult run() const { return run_files(files()); }
};

AttestScenario label_schema_scenario();
AttestScenario structural_scenario();
AttestScenario hrp_scenario();  // two assets

}  // namespace kovra::verifier::testing
