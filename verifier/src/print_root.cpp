#include "verifier/print_root.h"

#include "kovra-core/merkle.h"
#include "verifier/funding.h"
#include "verifier/price_csv.h"

namespace kovra::verifier {
namespace {

std::string join_paths(const std::vector<std::string>& paths) {
  std::string out;
  for (size_t i = 0; i < paths.size(); ++i) {
    if (i) out += '+';
    out += escape_control(paths[i]);
  }
  return out;
}

}  // namespace

int print_root_mode(const RunValues& run, Report& report) {
  std::vector<std::string> paths = run.csv_paths;
  if (run.bundle_path.rfind("--", 0) != 0) paths.insert(paths.begin(), run.bundle_path);

  core::DataRoot root;
  std::string label;
  if (run.carry) {
    const auto dir = flag_value(run.rest_args, "--funding-dir").value_or(default_funding_dir());
    root = core::carry_root(load_funding_dir(dir));
    label = "carry:data/funding";
  } else if (run.vrp) {
    if (paths.size() != 2) {
      report.error_line("--vrp --print-root needs exactly 2 CSVs: <underlying> <iv_index>");
      return 2;
    }
    auto underlying = load_price_csv(paths[0]);
    if (!underlying) {
      report.error_line(underlying.error().message());
      return 2;
    }
    auto iv_index = load_price_csv(paths[1]);
    if (!iv_index) {
      report.error_line(iv_index.error().message());
      return 2;
    }
    root = core::vrp_root(*underlying, *iv_index);
    label = join_paths(paths);
  } else {
    auto assets = load_price_csvs(paths);
    if (!assets) {
      report.error_line(assets.error().message());
      return 2;
    }
    root = core::portfolio_root(*assets);
    label = join_paths(paths);
  }
  report.line(hex_lower(root) + " " + label);
  return 0;
}

}  // namespace kovra::verifier
