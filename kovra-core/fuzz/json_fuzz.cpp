// Fuzz target for the JSON reader and the track-head and aux-parts files.
//
// Any text must end in a value or an error, never a crash or a deep recursion. Every value
// of the text is read with each typed reader; a text that reads in full must also skip, to
// the same end. A track head or aux-parts record that reads is written back in its array form
// and must read back equal.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

// GCC 12 reports a false -Wrestrict inside std::string concatenation (GCC bug 105329).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

#include "base/json.h"
#include "base/testing/json_walk.h"
#include "kovra-core/aux_parts.h"
#include "kovra-core/track_head.h"

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

std::string bytes_json(const std::array<uint8_t, 32>& b) {
  std::string s = "[";
  for (size_t i = 0; i < b.size(); ++i) s += std::to_string(b[i]) + (i + 1 < b.size() ? "," : "]");
  return s;
}

std::string part_json(const std::optional<std::array<uint8_t, 32>>& p) {
  return p ? bytes_json(*p) : std::string("null");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  {
    JsonReader read(text);
    JsonReader skipped(text);
    if (kovra::base::testing::json_read_all(read, try_typed_readers).ok()) {
      if (!skipped.skip_value().ok()) std::abort();
      if (read.position().line != skipped.position().line ||
          read.position().column != skipped.position().column) {
        std::abort();
      }
    }
  }
  (void)kovra::base::json_field_value(text, "commitment");

  if (auto head = kovra::core::TrackHead::from_json(text)) {
    const std::string again = "[" + bytes_json(head->model_commitment) + "," +
                              std::to_string(head->size) + "," + bytes_json(head->merkle_root) +
                              "," + bytes_json(head->chain_head) + "," +
                              std::to_string(head->first_ts) + "," +
                              std::to_string(head->last_ts) + "]";
    if (kovra::core::TrackHead::from_json(again) != head) std::abort();
  }
  if (auto parts = kovra::core::AuxParts::from_json(text)) {
    const std::string again = "[" + part_json(parts->trial_ledger) + "," +
                              part_json(parts->provenance) + "," + part_json(parts->live_chain) +
                              "," + part_json(parts->black_box_track) + "," +
                              part_json(parts->zkml_weights) + "]";
    if (kovra::core::AuxParts::from_json(again) != parts) std::abort();
    (void)kovra::core::AuxParts::binding(*parts);
  }
  return 0;
}
