// The side bindings inside whole runs of the default mode: aux parts, track head and anchor,
// pre-registration and chain, each outcome with the lines it prints.
#include <gtest/gtest.h>

#include "gate_run.h"
#include "kovra-core/aux_parts.h"
#include "kovra-core/merkle.h"
#include "verifier/price_csv.h"

namespace kovra::verifier {
namespace {

using testing::CredentialKind;
using testing::RunResult;
using testing::GateScenario;
using testing::json_bytes;

core::Bytes32 filled(uint8_t v) {
  core::Bytes32 b;
  b.fill(v);
  return b;
}

struct Case {
  const char* name;
  std::function<void(GateScenario&)> setup;
  std::vector<std::string> failed;
  std::vector<std::string> lines = {};   // each printed as a whole line
  std::vector<std::string> absent = {};  // texts printed nowhere
};

void run_cases(std::span<const Case> cases, CredentialKind kind = CredentialKind::Plain) {
  for (const auto& c : cases) {
    GateScenario s;
    s.fixture = testing::make_gate_fixture(kind, true);
    c.setup(s);
    const RunResult r = testing::run_scenario(std::move(s));
    SCOPED_TRACE(c.name);
    EXPECT_EQ(r.failed(), c.failed) << r.out;
    EXPECT_EQ(r.status, c.failed.empty() ? 0 : 1) << r.err;
    for (const auto& line : c.lines) EXPECT_TRUE(r.has_line(line)) << line << "\n" << r.out;
    for (const auto& text : c.absent) EXPECT_EQ(r.out.find(text), std::string::npos) << text;
  }
}

// --- aux parts and track head -------------------------------------------------------------

const core::Bytes32 kChainHead = filled(0x99);
using testing::track_head_json;

// A black-box credential: its aux aggregate seals the track's chain head; the aux file and
// the head are beside it.
void black_box(GateScenario& s, std::string head, std::vector<std::string> anchor) {
  core::AuxParts parts;
  parts.black_box_track = kChainHead;
  s.fixture.core.journal.aux_binding = core::AuxParts::binding(parts);
  s.extra_files = {{"aux.json", "{\"black_box_track\": " + json_bytes(kChainHead) + "}"},
                   {"head.json", std::move(head)}};
  s.extra_args = {"--aux", "aux.json", "--track", "head.json"};
  s.extra_args.insert(s.extra_args.end(), anchor.begin(), anchor.end());
}

const core::Bytes32 kCommitment = [] {
  return testing::make_gate_fixture(CredentialKind::Plain, false, 10).core.journal.commitment;
}();

const std::vector<std::string> kForwardOrdered = {
    "  ⚠️  FORWARD-ORDERED, NOT ANTI-BACKFIT: no --track-anchor <unix> supplied.",
    "      The circuit proves the track is append-only + tamper/curation-resistant, but",
    "      NOT that its positions predate the outcomes. Pass --track-anchor with the",
    "      timestamp the head was anchored (OpenTimestamps/RFC-3161) to prove forward-commitment.",
};

TEST(SideBindingRuns, AuxAndTrack) {
  const std::string good_head = track_head_json(kCommitment, 12, kChainHead);
  const std::string anchored = "  [✓] U10 anti-hindsight: anchor predates the track's first period "
                               "(positions fixed before any outcome)";
  const Case cases[] = {
      {"aux, track and anchor all bind",
       [&](GateScenario& s) { black_box(s, good_head, {"--track-anchor", "1700000000"}); },
       {},
       {"  [✓] aux binding: sealed commitment == aggregate of the presented primitives",
        "  🕶  BLACK-BOX credential: gate computed IN-CIRCUIT over a pre-committed",
        "      Pass --track <head.json> to bind the published track head.",
        "  [✓] black-box track binds: spec_commitment == track's model commitment",
        "  🕶  track: 12 forward-committed periods · 1700000000 → 1700100000 · model "
        "3132333435363738…",
        "  [✓] in-circuit aux aggregate == this track's chain head (receipt re-derived the track)",
        anchored,
        "  ⚠️  anchor TIME accepted as asserted — no .ots/.tsr beside c.bundle to validate it "
        "independently"}},
      {"anchor one second after the first period",
       [&](GateScenario& s) { black_box(s, good_head, {"--track-anchor", "+1700000001"}); },
       {"U10 anti-hindsight FAILED: AnchorNotBeforePeriods { anchor_unix: 1700000001, "
        "first_period_start: 1700000000 } — track head is NOT anchored before its periods; not "
        "proven forward-committed"}},
      {"empty track with a foreign model",
       [&](GateScenario& s) {
         black_box(s, track_head_json(filled(3), 0, kChainHead), {"--track-anchor", "5"});
       },
       {"black-box track binding FAILED: Empty — credential is not for this track",
        "U10 anti-hindsight FAILED: Empty — track head is NOT anchored before its periods; not "
        "proven forward-committed"},
       {"  [✓] in-circuit aux aggregate == this track's chain head (receipt re-derived the track)"}},
      {"foreign model",
       [&](GateScenario& s) {
         black_box(s, track_head_json(filled(3), 12, kChainHead), {"--track-anchor", "5"});
       },
       {"black-box track binding FAILED: ModelMismatch — credential is not for this track"}},
      {"another chain head",
       [&](GateScenario& s) {
         black_box(s, track_head_json(kCommitment, 12, filled(0x98)), {"--track-anchor", "5"});
       },
       {"in-circuit aux aggregate == this track's chain head (receipt re-derived the track)"}},
      {"anchor that does not read",
       [&](GateScenario& s) { black_box(s, good_head, {"--track-anchor", "12abc"}); },
       {},
       kForwardOrdered,
       {"U10", "anchor TIME"}},
      {"no anchor", [&](GateScenario& s) { black_box(s, good_head, {}); }, {}, kForwardOrdered},
      {"anchor evidence beside the bundle",
       [&](GateScenario& s) {
         black_box(s, good_head, {"--track-anchor", "1"});
         s.extra_files.push_back({"c.bundle.ots", ""});
         s.extra_files.push_back({"c.bundle.tsr", ""});
       },
       {},
       {anchored},
       {"anchor TIME accepted"}},
      {"malformed head: nothing more of the track",
       [&](GateScenario& s) {
         black_box(s, good_head, {"--track-anchor", "1"});
         s.extra_files[1].text = "{\"size\": 3}";
       },
       {"--track <head.json> unreadable / malformed (full TrackHead JSON)"},
       {},
       {"U10", "in-circuit aux aggregate", "FORWARD-ORDERED"}},
      {"--track without a value",
       [&](GateScenario& s) { s.extra_args = {"--track"}; },
       {"--track <head.json> unreadable / malformed (full TrackHead JSON)"}},
      {"--aux as the last argument", [](GateScenario& s) { s.extra_args = {"--aux"}; },
       {"aux binding: --aux <parts.json> unreadable / malformed"}},
      {"aux parts that are not the sealed ones",
       [&](GateScenario& s) {
         black_box(s, good_head, {"--track-anchor", "1"});
         s.extra_files[0].text = "[null, null, null, " + json_bytes(filled(0x98)) + ", null]";
         s.extra_args.resize(2);  // --aux only
       },
       {"aux binding: sealed commitment == aggregate of the presented primitives"}},
      {"no parts against an empty aggregate",
       [](GateScenario& s) {
         s.extra_files = {{"aux.json", "{}"}};
         s.extra_args = {"--aux", "aux.json"};
       },
       {},
       {"  [✓] aux binding: sealed commitment == aggregate of the presented primitives"},
       {"BLACK-BOX", "ZKML"}},
      {"zkml weights",
       [](GateScenario& s) {
         core::AuxParts parts;
         parts.zkml_weights = filled(0x42);
         s.fixture.core.journal.aux_binding = core::AuxParts::binding(parts);
         s.extra_files = {{"aux.json", "{\"zkml_weights\": " + json_bytes(filled(0x42)) + "}"}};
         s.extra_args = {"--aux", "aux.json"};
       },
       {},
       {"  🧠 ZKML credential: spec_commitment = committed compact model + feature spec",
        "      inference, run inside the circuit."},
       {"BLACK-BOX"}},
      {"aux parts of a tampered credential",
       [](GateScenario& s) {
         s.extra_files = {{"aux.json", "{}"}};
         s.extra_args = {"--aux", "aux.json"};
         s.after_seal = [](core::CredentialBundle& b) { b.digest[0] ^= 1; };
       },
       {"aux binding: sealed commitment == aggregate of the presented primitives",
        "credential digest intact (tamper-evident)"}},
  };
  run_cases(cases);
}

// --- pre-registration ---------------------------------------------------------------------

// Bar 105 of the 150-bar fixture opens the out-of-sample window.
constexpr int64_t kOos = 1'600'000'000 + 105 * 86'400;

using testing::prereg_json;

TEST(SideBindingRuns, PreRegistration) {
  const std::string hex = hex_lower(kCommitment);
  std::string upper = hex;
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  auto with = [](std::string text) {
    return [text](GateScenario& s) {
      s.extra_files = {{"pre.json", text}};
      s.extra_args = {"--prereg", "pre.json"};
    };
  };
  const std::string registered = "  🔗 strategy pre-registered @ unix " +
                                 std::to_string(kOos - 1000) + "; OOS window starts @ " +
                                 std::to_string(kOos) + " (later) → not hindsight-fit";
  const std::string asserted =
      "  ⚠️  registration time is ASSERTED, not anchored — no .ots/.tsr found beside pre.json";
  const Case cases[] = {
      {"registered before the out-of-sample window",
       with(prereg_json(hex, std::to_string(kOos - 1000))),
       {},
       {"  [✓] PRE-REGISTERED: proof commitment == published commitment",
        "  [✓] ANTI-HINDSIGHT: out-of-sample data post-dates the registration", registered,
        asserted}},
      {"registered at the window's first bar", with(prereg_json(hex, std::to_string(kOos))), {}},
      {"registered after it", with(prereg_json(hex, std::to_string(kOos + 1))),
       {"ANTI-HINDSIGHT: out-of-sample data post-dates the registration"},
       {},
       {"strategy pre-registered"}},
      {"a quoted time reads",
       with(prereg_json(hex, "\"" + std::to_string(kOos - 1000) + "\"")), {},
       {registered}},
      {"time 0", with(prereg_json(hex, "0")),
       {"ANTI-HINDSIGHT: out-of-sample data post-dates the registration"}},
      {"a negative time", with(prereg_json(hex, "-5")),
       {"ANTI-HINDSIGHT: out-of-sample data post-dates the registration"}},
      {"upper-case commitment", with(prereg_json(upper, "1")),
       {"PRE-REGISTERED: proof commitment == published commitment"}},
      {"no commitment", with("{\"committed_at\": 1}"),
       {"PRE-REGISTERED: proof commitment == published commitment"}},
      {"both anchors beside the file",
       [&](GateScenario& s) {
         with(prereg_json(hex, "1"))(s);
         s.extra_files.push_back({"pre.json.ots", ""});
         s.extra_files.push_back({"pre.json.tsr", "x"});
       },
       {},
       {"  ⚓ registration anchors present (Bitcoin (.ots) + RFC-3161 (.tsr)) — validate them "
        "independently with the anchoring tool's verify on pre.json"},
       {"ASSERTED"}},
      {"unreadable file", [](GateScenario& s) { s.extra_args = {"--prereg", "nowhere.json"}; },
       {"pre-registration file unreadable (No such file or directory (os error 2))"},
       {},
       {"ANTI-HINDSIGHT", "ASSERTED"}},
      {"--prereg without a value", [](GateScenario& s) { s.extra_args = {"--prereg"}; }, {}, {},
       {"PRE-REGISTERED", "pre-registration"}},
  };
  run_cases(cases);

  // A first CSV of 10 bars: the out-of-sample window starts at the credential's window.
  GateScenario s;
  s.fixture = testing::make_gate_fixture(CredentialKind::Plain, false, 10);
  s.extra_files = {{"pre.json", prereg_json(hex, "1600000000")}};
  s.extra_args = {"--prereg", "pre.json"};
  auto r = testing::run_scenario(s);
  EXPECT_EQ(r.failed(), std::vector<std::string>{});
  EXPECT_TRUE(r.has_line("  🔗 strategy pre-registered @ unix 1600000000; OOS window starts @ "
                         "1600000000 (later) → not hindsight-fit"));
  s.extra_files = {{"pre.json", prereg_json(hex, "1600000001")}};
  r = testing::run_scenario(s);
  EXPECT_EQ(r.failed(),
            std::vector<std::string>{"ANTI-HINDSIGHT: out-of-sample data post-dates the registration"});
}

// --- chain ---------------------------------------------------------------------------------

// The parent credential: the first 120 bars of the child's data, same spec and costs.
using testing::parent_of;

void with_parent(GateScenario& s, std::function<void(core::CredentialBundle&)> edit = {}) {
  auto parent = parent_of(s.fixture);
  if (edit) edit(parent);
  s.extra_files.push_back(
      {"parent.bundle", testing::text_of(core::testing::credential_bundle_bytes(parent))});
  s.extra_args = {"--chain", "parent.bundle"};
}

const std::string kNoRecord =
    "  ℹ️  no chain record (c.bundle.chain.json) — checking against the parent bundle's own "
    "digest";

TEST(SideBindingRuns, Chain) {
  const auto fixture = testing::make_gate_fixture(CredentialKind::Plain, true);
  const auto parent = parent_of(fixture);
  const std::string chained =
      "  [✓] CHAINED: same committed spec · window strictly extends parent (Merkle prefix) · "
      "parent digest matches";
  auto record = [](std::string text) {
    return [text](GateScenario& s) {
      with_parent(s);
      s.extra_files.push_back({"c.bundle.chain.json", text});
    };
  };
  const std::string digest_hex = hex_lower(parent.digest);
  const Case cases[] = {
      {"a parent without a chain record", [](GateScenario& s) { with_parent(s); },
       {},
       {"  [✓] parent zk receipt verifies against the SAME trusted guest",
        "  [✓] parent committed journal matches parent credential (no swap)", kNoRecord, chained,
        "  🔗 track: parent 120 bars → this credential 150 bars (+30) · parent digest " +
            hex_prefix(parent.digest, 8) + "…",
        "  ⚠️  chain scope: proves computation over the EXTENDED window under ONE",
        "      allowlist (U5), not an exchange-signed feed."}},
      {"a chain record naming the parent",
       record("{\"parent_digest\": \"" + digest_hex + "\"}"), {}, {chained}, {"no chain record"}},
      {"a chain record naming another digest",
       record("{\"parent_digest\": \"" + std::string(64, 'a') + "\"}"),
       {"chain verification FAILED: ParentDigestMismatch — do not treat this as a track "
        "extension"}},
      {"63 digits", record("{\"parent_digest\": \"" + digest_hex.substr(1) + "\"}"),
       {"chain record present but its parent_digest is unparseable"}, {chained}},
      {"a sign in place of a digit",
       record("{\"parent_digest\": \"+" + digest_hex.substr(1) + "\"}"),
       {"chain record present but its parent_digest is unparseable"}, {chained}},
      {"a multi-byte character",
       record("{\"parent_digest\": \"é" + digest_hex.substr(2) + "\"}"),
       {"chain record present but its parent_digest is unparseable"}, {chained}},
      {"parent with other costs",
       [](GateScenario& s) {
         with_parent(s, [](core::CredentialBundle& p) {
           p.core.journal.fee_bps += 1;
           p.digest = p.core.digest();
           p.receipt = testing::test_proofs().receipt(TRUSTED_IMAGE_ID,
                                                      testing::journal_bytes(p.core.journal));
         });
       },
       {"chain verification FAILED: ParamsChanged — do not treat this as a track extension"}},
      {"parent receipt of another guest",
       [](GateScenario& s) {
         with_parent(s, [](core::CredentialBundle& p) {
           p.receipt = testing::test_proofs().receipt(VRP_IMAGE_ID, p.receipt.journal);
         });
       },
       {"parent zk receipt verifies against the SAME trusted guest"}},
      {"parent receipt over another journal",
       [](GateScenario& s) {
         with_parent(s, [](core::CredentialBundle& p) {
           auto g = p.core.journal;
           g.gate_passed = false;
           p.receipt = testing::test_proofs().receipt(TRUSTED_IMAGE_ID, testing::journal_bytes(g));
         });
       },
       {"parent committed journal matches parent credential (no swap)"}},
      {"a parent that is not a bundle",
       [](GateScenario& s) {
         s.extra_files = {{"junk.bin", "not a bundle"}};
         s.extra_args = {"--chain", "junk.bin"};
       },
       {"parent bundle unreadable (junk.bin)"},
       {},
       {"parent zk receipt", "chain record"}},
      {"--chain without a value: the default path",
       [](GateScenario& s) { s.extra_args = {"--chain"}; },
       {"parent bundle unreadable (data/credential.bundle)"}},
  };
  run_cases(cases);

  const Case other_kinds[] = {
      {"vrp", [](GateScenario& s) { s.extra_args = {"--chain", "parent.bundle"}; },
       {"chained verification supports single-asset PRICE credentials in v1 (carry/vrp chains "
        "are future work)"},
       {},
       {"parent bundle"}},
  };
  run_cases(other_kinds, CredentialKind::Vrp);
  const Case two_files[] = {
      {"two CSVs", [](GateScenario& s) { s.extra_args = {"--chain", "parent.bundle"}; },
       {"chained verification supports SINGLE-asset credentials in v1 (multi-asset chains are "
        "future work)"},
       {},
       {"parent bundle"}},
  };
  run_cases(two_files, CredentialKind::Portfolio);
}

// --- files past their limit ----------------------------------------------------------------

// An endless device in place of each side file is read up to its limit and then counts as
// that file's unreadable case: the same failed line or fallback as a missing file.
TEST(SideBindingRuns, EndlessFilesAreUnreadable) {
  const Case cases[] = {
      {"aux parts", [](GateScenario& s) { s.extra_args = {"--aux", "/dev/zero"}; },
       {"aux binding: --aux <parts.json> unreadable / malformed"}},
      {"track head", [](GateScenario& s) { s.extra_args = {"--track", "/dev/zero"}; },
       {"--track <head.json> unreadable / malformed (full TrackHead JSON)"}},
      {"pre-registration", [](GateScenario& s) { s.extra_args = {"--prereg", "/dev/zero"}; },
       {"pre-registration file unreadable (file is larger than the 16 MiB limit)"},
       {},
       {"ANTI-HINDSIGHT"}},
      {"parent bundle", [](GateScenario& s) { s.extra_args = {"--chain", "/dev/zero"}; },
       {"parent bundle unreadable (/dev/zero)"},
       {},
       {"parent zk receipt"}},
      {"chain record: checked as if absent",
       [](GateScenario& s) {
         with_parent(s);
         s.links = {{"c.bundle.chain.json", "/dev/zero"}};
       },
       {},
       {kNoRecord}},
      {"roots file: searched as if empty",
       [](GateScenario& s) {
         s.roots_file = false;
         s.links = {{"roots.txt", "/dev/zero"}};
       },
       {"data root NOT in canonical allowlist (roots.txt) — substituted/unknown dataset; use "
        "--any-data to verify prover-supplied data (loudly unpinned)"}},
  };
  run_cases(cases);
}

}  // namespace
}  // namespace kovra::verifier
