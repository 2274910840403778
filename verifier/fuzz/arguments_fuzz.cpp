// Fuzz target for the argument scan: each input line is one argument after the program name.
//
// Any list must give run values, never a crash, and they must be the scan's rules: the bundle
// path is the first argument (or the default), the CSV paths never empty and each either an
// argument after the bundle path that is no "--" word or the defaults, the roots path the
// value of the first --roots or the default, and the switches present exactly when their word
// is.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "verifier/arguments.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kovra::verifier;
  std::vector<std::string> args = {"verifier"};
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  while (!rest.empty() && args.size() < 64) {
    const size_t eol = rest.find('\n');
    args.emplace_back(rest.substr(0, eol));
    rest = eol == std::string_view::npos ? std::string_view() : rest.substr(eol + 1);
  }
  const RunValues run = scan_arguments(args);
  const auto& after = run.rest_args;
  if (run.args != args) std::abort();
  if (run.bundle_path != (args.size() > 1 ? args[1] : default_bundle_path())) std::abort();
  if (args.size() > 1 && after.size() != args.size() - 2) std::abort();
  if (run.csv_paths.empty()) std::abort();
  const bool defaults = run.csv_paths == std::vector<std::string>{"data/prices.csv"} ||
                        run.csv_paths == std::vector<std::string>{"data/vrp/underlying.csv",
                                                                  "data/vrp/dvol.csv"};
  for (const auto& p : run.csv_paths) {
    const bool listed = p.rfind("--", 0) != 0 && has_flag(after, p);
    if (!listed && !defaults) std::abort();
  }
  if (run.roots_path != flag_value(after, "--roots").value_or(default_roots_path())) std::abort();
  if (run.carry != has_flag(after, "--carry") || run.vrp != has_flag(after, "--vrp") ||
      run.attested_fees != has_flag(after, "--attested-fees") ||
      run.any_data != has_flag(after, "--any-data")) {
    std::abort();
  }
  (void)trusted_image_id(run);
  return 0;
}
