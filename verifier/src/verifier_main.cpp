#include "verifier/verifier_main.h"

#include <cstdio>

#include "verifier/attestation_mode.h"
#include "verifier/gate_mode.h"
#include "verifier/input_limits.h"
#include "verifier/print_root.h"
#include "verifier/statistic_modes.h"
#include "verifier/text.h"

namespace kovra::verifier {

void print_banner(const RunValues& run, Report& report) {
  std::string rule;
  for (int i = 0; i < 60; ++i) rule += "═";
  report.line(report.paint("2", rule));
  report.line(report.paint("1", "KOVRA · INDEPENDENT VERIFIER"));
  report.line(report.paint("2", "Re-checking this credential on YOUR machine, against YOUR copy of the"));
  report.line(report.paint("2", "data. Nothing here is trusted — every line below is re-derived locally."));
  report.line(report.paint("2", rule));
  report.line("  " + report.paint("2", "bundle :") + "  " + escape_control(run.bundle_path));
  std::string data;
  if (run.carry) {
    data = "data/funding/*.csv (carry)";
  } else {
    for (size_t i = 0; i < run.csv_paths.size(); ++i) {
      if (i) data += ", ";
      data += escape_control(run.csv_paths[i]);
    }
  }
  report.line("  " + report.paint("2", "data   :") + "  " + data);
}

int default_exit_status(bool all_passed, bool dev_run) {
  if (!all_passed) return 1;
  return dev_run ? 3 : 0;
}

int statistic_exit_status(bool all_passed, bool dev_flag, bool fake_receipt) {
  if (dev_flag || !all_passed) return all_passed ? 3 : 1;
  return fake_receipt ? 3 : 0;
}

std::string elapsed_line(Report& report, platform::Clock::time_point start,
                         platform::Clock::time_point now) {
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(now - start).count();
  const double ms = (static_cast<double>(ns / 1'000'000'000) +
                     static_cast<double>(ns % 1'000'000'000) / 1e9) *
                    1000.0;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.0f", ms);
  return "  " + report.paint("32", "✓") + " verified locally in " + buf + " ms";
}

base::Result<core::CredentialBundle, base::BincodeError> decode_credential_bundle(
    std::span<const uint8_t> bytes) {
  return core::CredentialBundle::read_bincode(bytes);
}

int exit_unreadable_bundle(Report& report, const std::string& path, const platform::ReadError& e) {
  report.error_line("cannot read bundle " + escape_control(path) + ": " + e.text());
  return 2;
}

int exit_bad_bundle(Report& report, const base::BincodeError& e) {
  report.error_line("cannot parse bundle: " + e.message);
  return 2;
}

std::optional<platform::FileBytes> read_text_opt(const std::string& path, size_t limit) {
  auto bytes = platform::read_file(path, limit);
  if (!bytes || !is_valid_utf8(bytes->text())) return std::nullopt;
  return std::move(*bytes);
}

int run(std::vector<std::string> args, const Environment& env, Report& report) {
  return run(std::move(args), env, report, GateModeSeams::program());
}

int run(std::vector<std::string> args, const Environment& env, Report& report,
        const GateModeSeams& seams) {
  RunContext ctx{scan_arguments(std::move(args)), env, report, false, {}, {}, std::nullopt};
  const RunValues& v = ctx.values;
  if (has_flag(v.rest_args, "--print-root") || v.bundle_path == "--print-root") {
    return print_root_mode(v, report);
  }
  ctx.dev = env_flag_set(env.text("DURO0_DEV_MODE"));
  ctx.start = seams.now();
  print_banner(v, report);

  auto bytes = platform::read_file(v.bundle_path, kBundleFileLimit);
  if (!bytes) return exit_unreadable_bundle(report, v.bundle_path, bytes.error());
  ctx.bundle_bytes = std::move(*bytes);

  // The attestation families come before the bundle is decoded: their files have a format
  // of their own, which the mode reads.
  static constexpr std::pair<const char*, core::AttestationFamily> kFamilies[] = {
      {"--label-schema", core::AttestationFamily::LabelSchema},
      {"--structural", core::AttestationFamily::Structural},
      {"--hrp", core::AttestationFamily::Hrp}};
  for (const auto& [flag, family] : kFamilies) {
    if (has_flag(v.rest_args, flag)) return run_attestation_mode(ctx, family, seams.verify_receipt);
  }

  auto bundle = decode_credential_bundle(ctx.bundle_bytes.bytes());
  if (!bundle) return exit_bad_bundle(report, bundle.error());
  ctx.bundle = std::move(*bundle);

  using StatisticMode = int (*)(const RunContext&, const ReceiptVerifier&);
  static constexpr std::pair<const char*, StatisticMode> kStatisticModes[] = {
      {"--dsr", run_dsr_mode},
      {"--pbo", run_pbo_mode},
      {"--cpcv", run_cpcv_mode},
      {"--vext", run_vext_mode}};
  for (const auto& [flag, mode] : kStatisticModes) {
    if (has_flag(v.rest_args, flag)) return mode(ctx, seams.verify_receipt);
  }
  return run_gate_mode(ctx, seams);
}

}  // namespace kovra::verifier
