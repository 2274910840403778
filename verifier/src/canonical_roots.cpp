#include "verifier/canonical_roots.h"

#include "base/hex.h"
#include "base/text.h"
#include "verifier/input_limits.h"
#include "verifier/platform.h"
#include "verifier/text.h"

namespace kovra::verifier {

// The built-in allowlist. Of the published list only the two header lines and the entries
// below are available to this build; the remaining published entries (hand-written,
// single-stock and 4-hour crypto sets) must be supplied through the roots file.
const std::string_view CANONICAL_ROOTS_TEXT =
    "# KOVRA canonical dataset roots (U5 provenance allowlist) \xe2\x80\x94 FORMAT v2 (OHLC), "
    "2026-07-05\n"
    "# <hex-root> <label>  \xc2\xb7  regenerate: verifier --print-root <csv\xe2\x80\xa6>\n"
    "3e80a429ee0c5be087f0c2d48b5af44a406b68ec880fc785bb1ed3cefb07022a prices.csv (flagship demo, "
    "daily OHLC)\n"
    "6f60466a1e1a1715a977772614ee88f781d67ac5da14693b3f82d9dc29aa3876 carry funding "
    "(data/funding, ts-bound)\n"
    "244c1675d6a3c37468814af284695bdac67cac6287eee41b01151bf2d826ca1e US:AAPL daily (OHLC, 7184 "
    "bars) \xe2\x80\x94 data provider library, split+div adj [library, TEST PHASE 2026-07-28]\n"
    "\n"
    "d91723e08d297ec81d859022bcc86f91923a36b17b4d878a97171bbcb77a9a37  "
    "BTCUSDT-4h-OHLC-2020_2026-zkml\n";

std::optional<std::string> find_canonical_label(std::string_view text, std::string_view root_hex) {
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view raw = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const std::string_view line = base::trim_white_space(raw);
    if (line.empty() || line.front() == '#') continue;
    const auto words = base::split_white_space(line);
    if (!base::equal_ignoring_ascii_case(words.front(), root_hex)) continue;
    if (words.size() == 1) return std::string("(unlabeled)");
    std::string label(words[1]);
    for (size_t i = 2; i < words.size(); ++i) {
      label.push_back(' ');
      label.append(words[i]);
    }
    return label;
  }
  return std::nullopt;
}

std::optional<std::string> lookup_canonical_root(const std::string& roots_path,
                                                 std::span<const uint8_t, 32> root) {
  const std::string hex = base::hex_lower(root);
  if (auto label = find_canonical_label(CANONICAL_ROOTS_TEXT, hex)) return label;
  // The file extends the built-in list; any failure to read it as UTF-8 text (a file over the
  // limit included) leaves it empty.
  auto file = platform::read_file(roots_path, kRootsFileLimit);
  if (!file || !is_valid_utf8(file->text())) return std::nullopt;
  return find_canonical_label(file->text(), hex);
}

}  // namespace kovra::verifier
