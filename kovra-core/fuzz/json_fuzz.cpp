// Fuzz target for the JSON reader and the track-head and aux-parts files.
//
// Any text must end in a value or an error, never a crash or a deep recursion. Every value
// of a parsed tree is read with each typed reader. A track head or aux-parts record that
// reads is written back in its array form and must read back equal.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/json.h"
#include "kovra-core/aux_parts.h"
#include "kovra-core/track_head.h"

namespace {

using kovra::base::JsonValue;

void visit(const JsonValue& v) {
  (void)kovra::base::json_u8(v);
  (void)kovra::base::json_u64(v);
  (void)kovra::base::json_i64(v);
  (void)kovra::base::json_string(v);
  (void)kovra::base::json_byte_array<32>(v);
  for (const JsonValue& e : v.elements()) visit(e);
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
  if (auto doc = kovra::base::parse_json(text)) visit(*doc);
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
