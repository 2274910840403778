#include "verifier/verifier_main.h"

#include <cstdio>

#include "verifier/print_root.h"

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

namespace {

// A mode whose checks this build does not have: say so and stop with status 2, so that
// nothing unchecked is ever reported as passing.
int mode_not_available(Report& report, const std::string& mode) {
  report.error_line(mode + " is not available in this build");
  return 2;
}

}  // namespace

int run(std::vector<std::string> args, const Environment& env, Report& report) {
  RunContext ctx{scan_arguments(std::move(args)), env, report, false, {}, {}};
  const RunValues& v = ctx.values;
  if (has_flag(v.rest_args, "--print-root") || v.bundle_path == "--print-root") {
    return print_root_mode(v, report);
  }
  ctx.dev = env_flag_set(env.text("DURO0_DEV_MODE"));
  ctx.start = platform::Clock::now();
  print_banner(v, report);

  auto bytes = platform::read_file(v.bundle_path);
  if (!bytes) {
    report.error_line("cannot read bundle " + escape_control(v.bundle_path) + ": " +
                      bytes.error().text());
    return 2;
  }
  ctx.bundle_bytes = std::move(*bytes);

  static constexpr const char* kFamilies[] = {"--label-schema", "--structural", "--hrp"};
  for (const char* family : kFamilies) {
    if (has_flag(v.rest_args, family)) {
      return mode_not_available(report, std::string("the attestation mode (") + family + ")");
    }
  }

  static constexpr const char* kStatisticModes[] = {"--dsr", "--pbo", "--cpcv", "--vext"};
  for (const char* mode : kStatisticModes) {
    if (has_flag(v.rest_args, mode)) {
      return mode_not_available(report, std::string("the ") + mode + " mode");
    }
  }
  return mode_not_available(report, "the default gate-credential mode");
}

}  // namespace kovra::verifier
