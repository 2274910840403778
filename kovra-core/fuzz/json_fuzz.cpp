// Fuzz target for the JSON reader itself (the records read from it have side_records_fuzz).
//
// Any text must end in a value or an error, never a crash or a deep recursion. Every value
// of the text is read with each typed reader; a text that reads in full must also skip, to
// the same end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/json.h"
#include "base/testing/json_walk.h"

namespace {

using kovra::base::JsonReader;

// Tries every typed reader on the value at `at`, each on a copy of the cursor.
void try_typed_readers(const JsonReader& at) {
  using Read = void (*)(JsonReader&);
  const Read reads[] = {
      [](JsonReader& r) { (void)kovra::base::json_u8(r); },
      [](JsonReader& r) { (void)kovra::base::json_u64(r); },
      [](JsonReader& r) { (void)kovra::base::json_i64(r); },
      [](JsonReader& r) { (void)kovra::base::json_string(r); },
      [](JsonReader& r) { (void)kovra::base::json_byte_array<32>(r); },
  };
  for (const Read read : reads) {
    JsonReader r = at;
    read(r);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  JsonReader read(text);
  JsonReader skipped(text);
  if (kovra::base::testing::json_read_all(read, try_typed_readers).ok()) {
    if (!skipped.skip_value().ok()) std::abort();
    if (read.position().line != skipped.position().line ||
        read.position().column != skipped.position().column) {
      std::abort();
    }
  }
  (void)kovra::base::json_field_value(text, "commitment");
  return 0;
}
