// Fuzz target for the roots file (the canonical-root allowlist's extension): the input is the
// file, looked up for every root it spells out (64 hexadecimal digits between white space)
// and for the all-zero root.
//
// Any bytes must end in a label or none, never a crash. A lookup gives the built-in label when
// the built-in list has the root, else the file's own first label for it, and nothing for a
// file that is not UTF-8.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "base/hex.h"
#include "base/text.h"
#include "test_files.h"
#include "verifier/canonical_roots.h"
#include "verifier/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kovra::verifier;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  static const testing::TempDir dir;
  const std::string path = dir.write("roots.txt", text);

  std::vector<std::array<uint8_t, 32>> roots = {{}};
  for (std::string_view word : kovra::base::split_white_space(text)) {
    if (roots.size() == 8) break;
    if (word.size() != 64) continue;
    if (auto bytes = kovra::base::parse_hex(word)) {
      std::array<uint8_t, 32> root;
      std::copy(bytes->begin(), bytes->end(), root.begin());
      roots.push_back(root);
    }
  }
  const bool utf8 = is_valid_utf8(text);
  for (const auto& root : roots) {
    const std::string hex = kovra::base::hex_lower(root);
    const auto built_in = find_canonical_label(CANONICAL_ROOTS_TEXT, hex);
    const auto expected =
        built_in ? built_in : utf8 ? find_canonical_label(text, hex) : std::nullopt;
    if (lookup_canonical_root(path, root) != expected) std::abort();
    if (expected && expected->empty()) std::abort();
  }
  return 0;
}
