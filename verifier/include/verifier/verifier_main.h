// The program's main routine: one pass from the argument list to an exit status.
//
// Mode order: --print-root (no banner, no bundle); otherwise take the start instant, print
// the banner, read the bundle file whole (at most kBundleFileLimit bytes); then the
// attestation families (--label-schema, --structural, --hrp, first present wins) before the
// bundle is decoded; then decode it as a credential bundle; then the statistic modes (--dsr,
// --pbo, --cpcv, --vext, first present wins); otherwise the default gate-credential mode.
//
// Exit statuses: 0 verified, 1 a check failed, 2 unusable input (one line on standard error),
// 3 every check passed but the run is a dev run or the receipt is a fake one. `run` returns
// the status; the program's entry flushes the output and exits with it (program_exit.h).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/bincode.h"
#include "kovra-core/bundle.h"
#include "verifier/arguments.h"
#include "verifier/platform.h"
#include "verifier/report.h"

namespace kovra::verifier {

// What a mode gets from the main routine; all of it lives for the whole run.
struct RunContext {
  RunValues values;
  const Environment& env;
  Report& report;
  bool dev = false;                   // DURO0_DEV_MODE set, non-empty and not "0"
  platform::Clock::time_point start;  // taken just before the banner
  platform::FileBytes bundle_bytes;   // the bundle file, read whole
  std::optional<core::CredentialBundle> bundle;  // decoded, for the credential modes
};

struct GateModeSeams;  // verifier/gate_mode.h

// `args` is the whole argument list, program name first.
int run(std::vector<std::string> args, const Environment& env, Report& report);

// As `run`, with the default mode's receipt verification and clock taken from `seams`
// (tests verify their own receipts through it; the program uses GateModeSeams::program()).
int run(std::vector<std::string> args, const Environment& env, Report& report,
        const GateModeSeams& seams);

// The bundle file's bytes as a credential bundle (also used for a --chain parent).
base::Result<core::CredentialBundle, base::BincodeError> decode_credential_bundle(
    std::span<const uint8_t> bytes);

// The status-2 ends of the bundle steps: "cannot read bundle {path}: {os text}" and
// "cannot parse bundle: {decoder text}" on standard error; both return 2.
int exit_unreadable_bundle(Report& report, const std::string& path, const platform::ReadError& e);
int exit_bad_bundle(Report& report, const base::BincodeError& e);

// The whole file as UTF-8 text, or nullopt on any failure (missing, unreadable, larger than
// `limit` bytes, not UTF-8).
std::optional<platform::FileBytes> read_text_opt(const std::string& path, size_t limit);

// The opening banner of every mode but --print-root.
void print_banner(const RunValues& run, Report& report);

// Exit status of the default mode: 1 when a check failed, else 3 for a dev run (dev flag
// set or fake receipt), else 0.
int default_exit_status(bool all_passed, bool dev_run);

// Exit status of the statistic and attestation modes: with the dev flag set or a failed
// check, 3 when all passed else 1; otherwise 3 for a fake receipt, else 0.
int statistic_exit_status(bool all_passed, bool dev_flag, bool fake_receipt);

// "  ✓ verified locally in {ms} ms" with the milliseconds since `start` rounded to a whole
// number; the default mode prints it when every check passed and the run is not a dev run.
std::string elapsed_line(Report& report, platform::Clock::time_point start,
                         platform::Clock::time_point now);

}  // namespace kovra::verifier
