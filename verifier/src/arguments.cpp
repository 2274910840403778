#include "verifier/arguments.h"

#include <algorithm>

namespace kovra::verifier {

std::string default_bundle_path() { return "data/credential.bundle"; }
std::string default_funding_dir() { return "data/funding"; }
std::string default_roots_path() { return "data/canonical_roots.txt"; }

bool has_flag(const std::vector<std::string>& list, std::string_view word) {
  return std::find(list.begin(), list.end(), word) != list.end();
}

std::optional<size_t> flag_position(const std::vector<std::string>& list, std::string_view word) {
  const auto it = std::find(list.begin(), list.end(), word);
  if (it == list.end()) return std::nullopt;
  return static_cast<size_t>(it - list.begin());
}

std::optional<std::string> arg_after(const std::vector<std::string>& args, size_t index) {
  if (index + 1 >= args.size()) return std::nullopt;
  return args[index + 1];
}

std::optional<std::string> flag_value(const std::vector<std::string>& rest_args,
                                      std::string_view word) {
  const auto pos = flag_position(rest_args, word);
  if (!pos) return std::nullopt;
  return arg_after(rest_args, *pos);
}

bool env_flag_set(const std::optional<std::string>& value) {
  return value && !value->empty() && *value != "0";
}

namespace {

bool is_value_flag(std::string_view word) {
  return std::find(std::begin(kValueFlags), std::end(kValueFlags), word) != std::end(kValueFlags);
}

}  // namespace

RunValues scan_arguments(std::vector<std::string> args) {
  RunValues run;
  run.args = std::move(args);
  if (run.args.size() >= 2) {
    run.bundle_path = run.args[1];
    run.rest_args.assign(run.args.begin() + 2, run.args.end());
  } else {
    run.bundle_path = default_bundle_path();
  }
  const auto& rest = run.rest_args;
  run.carry = has_flag(rest, "--carry");
  run.vrp = has_flag(rest, "--vrp");
  run.attested_fees = has_flag(rest, "--attested-fees");
  run.any_data = has_flag(rest, "--any-data");

  for (size_t i = 0; i < rest.size(); ++i) {
    if (is_value_flag(rest[i])) {
      ++i;  // the value goes with its flag, whatever it is
    } else if (rest[i].rfind("--", 0) != 0) {
      run.csv_paths.push_back(rest[i]);
    }
  }
  if (run.csv_paths.empty()) {
    if (run.vrp) {
      run.csv_paths = {"data/vrp/underlying.csv", "data/vrp/dvol.csv"};
    } else {
      run.csv_paths = {"data/prices.csv"};
    }
  }
  run.roots_path = flag_value(rest, "--roots").value_or(default_roots_path());
  return run;
}

const ImageId& trusted_image_id(const RunValues& run) {
  if (run.carry) return CARRY_IMAGE_ID;
  if (run.vrp) return VRP_IMAGE_ID;
  return TRUSTED_IMAGE_ID;
}

}  // namespace kovra::verifier
