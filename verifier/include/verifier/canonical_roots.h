// The canonical-root allowlist: data roots of the known market-data sets, with their labels.
//
// The list is text, one entry per line: the root as 64 hexadecimal digits, white space, and a
// free-text label. Lines that are empty or whose first non-blank character is '#' are
// comments. The built-in list is searched first, then the roots file (default
// "data/canonical_roots.txt"), which can add entries but never remove or relabel a built-in
// one: the first matching line wins. The file is read again at every lookup; a missing,
// unreadable or non-UTF-8 file, or one larger than kRootsFileLimit, counts as empty and is
// not reported.
//
// Matching: each line is trimmed of Unicode white space and cut into words at runs of white
// space; the line matches when its first word equals the root's hexadecimal text ignoring
// ASCII case (and has its length). The label is the remaining words joined by single spaces,
// or "(unlabeled)" when there are none. A malformed line simply never matches.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kovra::verifier {

// The built-in allowlist.
extern const std::string_view CANONICAL_ROOTS_TEXT;

// The label of the first line of `text` whose root is `root_hex`; nullopt when none is.
std::optional<std::string> find_canonical_label(std::string_view text, std::string_view root_hex);

// The label of `root` in the built-in list, else in the roots file at `roots_path`.
std::optional<std::string> lookup_canonical_root(const std::string& roots_path,
                                                 std::span<const uint8_t, 32> root);

}  // namespace kovra::verifier
