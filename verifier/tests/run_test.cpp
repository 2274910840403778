// The main routine end to end, in process: arguments in, report text and exit status out.
// Expected roots were computed independently with Python's struct.pack and hashlib.sha256
// over the fixtures' values (see data/print_root/PROVENANCE.txt).
#include "verifier/verifier_main.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "kovra-core/testing/bundle_writer.h"
#include "test_files.h"

namespace kovra::verifier {
namespace {

using Args = std::vector<std::string>;

struct RunResult {
  int status = -1;
  std::string out, err;
};

RunResult run_with(Args args, std::map<std::string, std::string> env = {}, bool terminal = false) {
  args.insert(args.begin(), "verifier");
  StringOutput out, err;
  const Environment e = Environment::of(env);
  Report report(out, err, [&] { return detect_colour(terminal, e); });
  RunResult r;
  r.status = run(args, e, report);
  r.out = out.text;
  r.err = err.text;
  return r;
}

const std::string kFixtures = std::string(KOVRA_TEST_DATA_DIR) + "/print_root";

constexpr const char* kRootA = "807107066f0208dcf358ccc7d3bb9af24e42c3e5684e9e7d001e4377f7780d63";
constexpr const char* kRootPrices = "4c357e2d1d5a606afcf27b2dc2aa2aacac5dbb9422713dab42301351bcf35150";

TEST(PrintRoot, Table) {
  testing::ScopedCwd cwd(kFixtures);
  const struct {
    Args args;
    std::string out;
  } cases[] = {
      {{"--print-root", "a.csv"}, std::string(kRootA) + " a.csv\n"},
      {{"--print-root", "a.csv", "b.csv"},
       "ae121160cff8a0993e6b7224550d0a9a8313b810002ad7af31165af6d5898a47 a.csv+b.csv\n"},
      // A first argument that is a path joins the front of the list, before the default.
      {{"a.csv", "--print-root"},
       "88aebde5e72e97f3c9e66708eb3b58c94e8f11f094d90e03d3c1322675cb57e3 a.csv+data/prices.csv\n"},
      {{"--print-root"}, std::string(kRootPrices) + " data/prices.csv\n"},
      {{"--print-root", "--vrp", "a.csv", "b.csv"},
       "2897cd28732e6d2e0e8ea915ef14bda975fc3af64fcff898058d2c133ea9435c a.csv+b.csv\n"},
      // Carry: the funding directory (default data/funding), always labelled the same.
      {{"x.bundle", "--carry", "--print-root"},
       "5484fc038b6b86a3d4ce67b5d528c61a4d93f3a9598d3243409b9fc247727740 carry:data/funding\n"},
      {{"x.bundle", "--carry", "--print-root", "--funding-dir", "other_funding"},
       "d557b6c287ac3e6db49f59222d28cf2b8a22407348677a83ab860b2b8588e6c9 carry:data/funding\n"},
      // A missing funding directory is the root of empty funding data.
      {{"--print-root", "--carry", "--funding-dir", "nowhere"},
       "b5a68f27c3edc238324809dede81069cb5c96a34f10909df0807b76f8873df45 carry:data/funding\n"},
  };
  for (const auto& c : cases) {
    const auto r = run_with(c.args);
    EXPECT_EQ(r.status, 0) << c.out;
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, "");
  }
}

TEST(PrintRoot, EndlessFundingFileReadsAsEmpty) {
  // Beside a funding set, a link to an endless device: read up to its limit, it counts as an
  // empty file and is dropped, and the root is the set's own.
  testing::TempDir dir;
  std::filesystem::create_directories(dir.path() / "funding");
  std::filesystem::copy_file(kFixtures + "/other_funding/x.csv", dir.path() / "funding/x.csv");
  std::filesystem::create_symlink("/dev/zero", dir.path() / "funding/zero.csv");
  testing::ScopedCwd cwd(dir.path());
  const auto r = run_with({"--print-root", "--carry", "--funding-dir", "funding"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "d557b6c287ac3e6db49f59222d28cf2b8a22407348677a83ab860b2b8588e6c9 "
                   "carry:data/funding\n");
  EXPECT_EQ(r.err, "");
}

TEST(PrintRoot, InputErrors) {
  testing::ScopedCwd cwd(kFixtures);
  const struct {
    Args args;
    std::string err;
  } cases[] = {
      {{"--print-root", "--vrp", "a.csv"},
       "--vrp --print-root needs exactly 2 CSVs: <underlying> <iv_index>\n"},
      {{"--print-root", "--vrp", "a.csv", "b.csv", "a.csv"},
       "--vrp --print-root needs exactly 2 CSVs: <underlying> <iv_index>\n"},
      {{"--print-root", "a.csv", "missing.csv"},
       "cannot read csv missing.csv: No such file or directory (os error 2)\n"},
      {{"--print-root", "--vrp", "a.csv", "gone.csv"},
       "cannot read csv gone.csv: No such file or directory (os error 2)\n"},
      {{"--print-root", "no\x1b[1A\n.csv"},
       "cannot read csv no\\u{1b}[1A\\n.csv: No such file or directory (os error 2)\n"},
  };
  for (const auto& c : cases) {
    const auto r = run_with(c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.err);
  }
}

TEST(PrintRoot, LabelEscapesControlCharacters) {
  testing::TempDir dir;
  dir.write("a\nb.csv", "date,close\n2024-01-15,100\n");
  testing::ScopedCwd cwd(dir.path());
  const auto r = run_with({"--print-root", "a\nb.csv"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string(kRootA) + " a\\nb.csv\n");  // one line, no forged second entry
}

std::string banner(const std::string& bundle, const std::string& data) {
  const std::string rule = [] {
    std::string s;
    for (int i = 0; i < 60; ++i) s += "═";
    return s;
  }();
  return rule + "\n" + "KOVRA · INDEPENDENT VERIFIER\n" +
         "Re-checking this credential on YOUR machine, against YOUR copy of the\n" +
         "data. Nothing here is trusted — every line below is re-derived locally.\n" + rule +
         "\n" + "  bundle :  " + bundle + "\n" + "  data   :  " + data + "\n";
}

TEST(Run, UnreadableBundleEndsAfterTheBanner) {
  testing::TempDir dir;
  testing::ScopedCwd cwd(dir.path());
  const struct {
    Args args;
    std::string bundle, data;
  } cases[] = {
      {{}, "data/credential.bundle", "data/prices.csv"},
      {{"--dsr"}, "--dsr", "data/prices.csv"},  // a switch in first place is the bundle path
      {{"x.bundle", "--vrp"}, "x.bundle", "data/vrp/underlying.csv, data/vrp/dvol.csv"},
      {{"x.bundle", "a.csv", "b.csv", "--carry"}, "x.bundle", "data/funding/*.csv (carry)"},
      {{"x\x1b]0;title\x07.bundle", "a\tb.csv"}, "x\\u{1b}]0;title\\u{7}.bundle", "a\\tb.csv"},
  };
  for (const auto& c : cases) {
    const auto r = run_with(c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, banner(c.bundle, c.data));
    EXPECT_EQ(r.err, "cannot read bundle " + c.bundle + ": No such file or directory (os error 2)\n");
  }
  const auto is_dir = run_with({dir.path().string()});
  EXPECT_EQ(is_dir.status, 2);
  EXPECT_NE(is_dir.err.find("Is a directory (os error 21)"), std::string::npos);
}

TEST(Run, BannerColours) {
  testing::TempDir dir;
  testing::ScopedCwd cwd(dir.path());
  const auto r = run_with({"x.bundle"}, {}, /*terminal=*/true);
  const std::string dim_rule = "\x1b[2m" + banner("", "").substr(0, 180) + "\x1b[0m\n";
  EXPECT_EQ(r.out.substr(0, dim_rule.size()), dim_rule);
  EXPECT_NE(r.out.find("\x1b[1mKOVRA · INDEPENDENT VERIFIER\x1b[0m\n"), std::string::npos);
  EXPECT_NE(r.out.find("  \x1b[2mbundle :\x1b[0m  x.bundle\n"), std::string::npos);
  const auto no_colour = run_with({"x.bundle"}, {{"NO_COLOR", ""}}, true);
  EXPECT_EQ(no_colour.out, banner("x.bundle", "data/prices.csv"));
}

std::string as_text(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// The default mode reads its price data before any check line: without it the run stops with
// status 2 right after the banner.
TEST(Run, DefaultModeWithoutPricesEndsWithStatus2) {
  testing::TempDir dir;
  const auto credential =
      dir.write("c.bundle", as_text(core::testing::credential_bundle_bytes(
                                core::testing::sample_credential_bundle(true))));
  const struct {
    std::string bundle;
    Args flags;
    std::string err;
  } cases[] = {
      {credential, {}, "cannot read csv data/prices.csv: No such file or directory (os error 2)\n"},
  };
  for (const auto& c : cases) {
    Args args = {c.bundle};
    args.insert(args.end(), c.flags.begin(), c.flags.end());
    const auto r = run_with(args, {{"DURO0_DEV_MODE", "1"}});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, banner(c.bundle, "data/prices.csv"));
    EXPECT_EQ(r.err, c.err);
  }
}

// Every malformed credential bundle ends right after the banner with one status-2 line.
TEST(Run, BadBundlesEndWithCannotParse) {
  testing::TempDir dir;
  const auto path = dir.file("c.bundle");
  auto run_bundle = [&](const std::vector<uint8_t>& bytes, Args flags = {}) {
    dir.write("c.bundle", as_text(bytes));
    Args args = {path};
    args.insert(args.end(), flags.begin(), flags.end());
    auto r = run_with(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, banner(path, "data/prices.csv"));
    return r.err;
  };

  // Cut at every offset: always "io error: ..." (inside the issuer's bytes nothing follows).
  const auto good = core::testing::credential_bundle_bytes(core::testing::sample_credential_bundle(true));
  for (size_t cut = 0; cut < good.size(); ++cut) {
    const auto err = run_bundle({good.begin(), good.begin() + static_cast<long>(cut)});
    EXPECT_EQ(err.rfind("cannot parse bundle: io error: ", 0), 0u) << cut << ": " << err;
  }

  auto core = core::testing::sample_credential_bundle(true);
  const size_t issuer_end = 12 + core.core.issuer.size();
  const size_t disclosed_tag = issuer_end + 48;        // after header_u64, header_i64, image_id
  const size_t canonical_data = disclosed_tag + 81 + 64;  // after disclosed, commitment, root
  const struct {
    size_t offset;
    uint8_t value;
    const char* err;
  } flips[] = {
      {disclosed_tag, 2, "cannot parse bundle: tag for enum is not valid, found 2\n"},
      {canonical_data, 2,
       "cannot parse bundle: invalid u8 while decoding bool, expected 0 or 1, found 2\n"},
      {canonical_data, 0xff,
       "cannot parse bundle: invalid u8 while decoding bool, expected 0 or 1, found 255\n"},
  };
  for (const auto& f : flips) {
    auto bytes = good;
    bytes[f.offset] = f.value;
    EXPECT_EQ(run_bundle(bytes), f.err) << f.offset;
  }

  core.core.issuer = "ok\xff";
  EXPECT_EQ(run_bundle(core::testing::credential_bundle_bytes(core)),
            "cannot parse bundle: string is not valid utf8: invalid utf-8 sequence of 1 bytes "
            "from index 2\n");
  core.core.issuer = "ab\xe2\x82";
  EXPECT_EQ(run_bundle(core::testing::credential_bundle_bytes(core)),
            "cannot parse bundle: string is not valid utf8: incomplete utf-8 byte sequence from "
            "index 2\n");

  // Chained receipts nested one level beyond the bound.
  auto deep = core::testing::sample_credential_bundle(false);
  receipts::ChainedReceipt c;
  for (int i = 1; i <= receipts::kMaxChainedNesting; ++i) {
    receipts::ChainedReceipt outer;
    outer.assumption_receipts.push_back(receipts::AssumptionReceipt{receipts::ProofKind(std::move(c))});
    c = std::move(outer);
  }
  deep.receipt.proof.kind = receipts::ProofKind(std::move(c));
  EXPECT_EQ(run_bundle(core::testing::credential_bundle_bytes(deep)),
            "cannot parse bundle: chained receipts nested deeper than 64 levels\n");

  // The attestation families' refusals are in attestation_mode_test.cpp (they follow the
  // mode's title block).
}

TEST(ExitStatus, Rules) {
  EXPECT_EQ(default_exit_status(true, false), 0);
  EXPECT_EQ(default_exit_status(true, true), 3);
  EXPECT_EQ(default_exit_status(false, false), 1);
  EXPECT_EQ(default_exit_status(false, true), 1);
  // all_passed, dev flag, fake receipt
  EXPECT_EQ(statistic_exit_status(true, false, false), 0);
  EXPECT_EQ(statistic_exit_status(true, false, true), 3);
  EXPECT_EQ(statistic_exit_status(true, true, false), 3);
  EXPECT_EQ(statistic_exit_status(false, true, false), 1);
  EXPECT_EQ(statistic_exit_status(false, false, true), 1);
}

TEST(ExitStatus, ElapsedLine) {
  StringOutput out, err;
  Report plain(out, err, [] { return false; });
  const auto t0 = platform::Clock::time_point{};
  EXPECT_EQ(elapsed_line(plain, t0, t0 + std::chrono::microseconds(1'499'600)),
            "  ✓ verified locally in 1500 ms");
  EXPECT_EQ(elapsed_line(plain, t0, t0 + std::chrono::microseconds(2'400)),
            "  ✓ verified locally in 2 ms");
  Report colour(out, err, [] { return true; });
  EXPECT_EQ(elapsed_line(colour, t0, t0), "  \x1b[32m✓\x1b[0m verified locally in 0 ms");
}

}  // namespace
}  // namespace kovra::verifier
