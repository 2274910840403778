// The command line, read without an option parser.
//
//   verifier [bundle] [csv...] [flags]
//
// Argument 1 is the bundle path ("data/credential.bundle" when absent); everything after it
// is `rest_args`. Switches count when their exact word is anywhere in `rest_args`. The CSV
// paths are what remains of `rest_args` after dropping every value flag together with the
// element after it (whatever that is), and every other element beginning with "--". Flag
// detection is independent of that walk: a flag word swallowed as a value still counts.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "verifier/image_ids.h"

namespace kovra::verifier {

// Value flags: each takes the element after it.
inline constexpr std::string_view kValueFlags[] = {"--aux",         "--roots", "--chain",
                                                   "--track",       "--prereg", "--funding-dir",
                                                   "--track-anchor"};

std::string default_bundle_path();  // "data/credential.bundle"
std::string default_funding_dir();  // "data/funding"
std::string default_roots_path();   // "data/canonical_roots.txt"

// The run values taken from the argument list (program name first).
struct RunValues {
  std::vector<std::string> args;       // the full list, program name at 0
  std::string bundle_path;
  std::vector<std::string> rest_args;  // arguments after the bundle path
  std::vector<std::string> csv_paths;  // never empty
  std::string roots_path;
  bool carry = false;
  bool vrp = false;
  bool attested_fees = false;
  bool any_data = false;
};

RunValues scan_arguments(std::vector<std::string> args);

// True when some element equals `word` exactly.
bool has_flag(const std::vector<std::string>& list, std::string_view word);

// Index of the first element equal to `word`.
std::optional<size_t> flag_position(const std::vector<std::string>& list, std::string_view word);

// The element at index + 1 of the full argument list, if there is one.
std::optional<std::string> arg_after(const std::vector<std::string>& args, size_t index);

// The element after the first `word` in `rest_args`, if both exist.
std::optional<std::string> flag_value(const std::vector<std::string>& rest_args,
                                      std::string_view word);

// An environment flag is set when its value is non-empty and not exactly "0".
bool env_flag_set(const std::optional<std::string>& value);

// The image id the default mode trusts: the carry guest's with --carry, else the VRP
// guest's with --vrp, else the live era's.
const ImageId& trusted_image_id(const RunValues& run);

}  // namespace kovra::verifier
