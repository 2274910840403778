// Fuzz target for the price CSV loader: the input is the file.
//
// Any bytes must end in bars or a read error, never a crash. The loader reads the file in
// blocks and checks UTF-8 as it goes; it must agree with the whole-text parser: the same bars
// for a UTF-8 text, the UTF-8 error for any other. One loader serves every input, as one
// serves every file of a run, so its block buffer is allocated once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "test_files.h"
#include "verifier/price_csv.h"
#include "verifier/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kovra::verifier;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  static const testing::TempDir dir;
  const std::string path = dir.write("prices.csv", text);
  static PriceCsvLoader loader;
  const auto loaded = loader.load(path);
  if (is_valid_utf8(text)) {
    if (!loaded || *loaded != parse_price_csv(text)) std::abort();
    (void)close_series({*loaded});
  } else if (loaded || loaded.error().text != "stream did not contain valid UTF-8") {
    std::abort();
  }
  return 0;
}
