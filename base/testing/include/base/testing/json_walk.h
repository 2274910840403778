// A reader of any JSON value in full, for tests and the fuzz target: it reads everything the
// way a record reader reads what it keeps (every number converted, every string and key
// resolved), where `JsonReader::skip_value` only checks the grammar.
#pragma once

#include <functional>
#include <string>

#include "base/json.h"

namespace kovra::base::testing {

// Called with the reader standing at each value, before the value is read.
using JsonValueHook = std::function<void(const JsonReader&)>;

// Reads the value at `reader` and everything inside it; recursion is bounded by the
// reader's nesting bound.
inline Status<JsonError> json_read_all(JsonReader& reader, const JsonValueHook& at_value = {}) {
  KOVRA_ASSIGN_OR_RETURN(const JsonKind kind, reader.peek());
  if (at_value) at_value(reader);
  if (kind == JsonKind::kArray) {
    KOVRA_TRY(reader.begin_array());
    while (true) {
      KOVRA_ASSIGN_OR_RETURN(const bool more, reader.next_element());
      if (!more) return {};
      KOVRA_TRY(json_read_all(reader, at_value));
    }
  }
  if (kind == JsonKind::kObject) {
    KOVRA_TRY(reader.begin_object());
    JsonKey key;
    std::string scratch;
    while (true) {
      KOVRA_ASSIGN_OR_RETURN(const bool more, reader.next_member(key));
      if (!more) return {};
      KOVRA_TRY(key.text(scratch));
      KOVRA_TRY(json_read_all(reader, at_value));
    }
  }
  KOVRA_ASSIGN_OR_RETURN(const JsonScalar value, reader.read_scalar());
  if (value.kind == JsonKind::kString) KOVRA_TRY(value.string_text());
  return {};
}

// The whole text read with json_read_all, then nothing but white space.
inline Status<JsonError> json_read_all_text(std::string_view text) {
  JsonReader reader(text);
  KOVRA_TRY(json_read_all(reader));
  return reader.finish();
}

// The whole text checked with JsonReader::skip_value, then nothing but white space.
inline Status<JsonError> json_skip_text(std::string_view text) {
  JsonReader reader(text);
  KOVRA_TRY(reader.skip_value());
  return reader.finish();
}

}  // namespace kovra::base::testing
