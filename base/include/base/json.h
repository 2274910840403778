// A small strict JSON reader for the program's side files and embedded registries.
//
// Reading is two steps. `parse_json` checks the whole text against the JSON grammar
// (RFC 8259) and builds a tree of `JsonValue`s; then the typed readers below turn values into
// the program's records with the rules of a typed record reader:
//
//   - A record is read from an object whose keys are its field names, in any order, or from
//     an array holding its field values in field order. Keys a record does not declare are
//     skipped whatever their value; a declared key given twice is refused ("duplicate field
//     `x`"); a required field that is missing is refused ("missing field `x`"). In the array
//     form every field takes a position; a short array is "invalid length n, expected struct
//     R with k elements" and a long one "trailing characters".
//   - Integers are strict: a number with a fraction or an exponent is never an integer, and a
//     value outside the target type is refused ("invalid value: integer `256`, expected u8").
//   - A value of the wrong JSON type is "invalid type: <what was found>, expected <what the
//     reader wanted>".
//
// The grammar is the strict one: no comments, no trailing commas, no leading zeros, no
// single quotes, strings free of raw control characters and made of valid UTF-8, white space
// only space, tab, line feed and carriage return, nothing but white space after the top-level
// value. Arrays and objects nest at most 127 levels deep ("recursion limit exceeded"), so a
// hostile file cannot exhaust the stack. Numbers whose magnitude overflows a double are
// refused ("number out of range"); integers beyond 64 bits are kept as floating point.
//
// Every error carries its message and the line and column (both from 1) where the reader
// stood; `JsonError::to_string` gives "<message> at line L column C".
//
// Also here: `json_field_value`, the lenient single-key lookup used for small hand-written
// texts (pre-registration and chain records); it is not a JSON parser and never fails.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace kovra::base {

// The deepest nesting of arrays and objects that `parse_json` accepts, plus one.
inline constexpr int kJsonRecursionLimit = 128;

struct JsonError {
  std::string message;
  size_t line = 0;
  size_t column = 0;

  std::string to_string() const;
};

class JsonValue {
 public:
  enum class Kind : uint8_t { kNull, kBool, kNumber, kString, kArray, kObject };
  // How a number was written: a non-negative integer that fits 64 bits, a negative integer
  // that fits 64 signed bits, or anything else (a fraction, an exponent, a wider integer).
  enum class NumberKind : uint8_t { kUnsigned, kSigned, kFloat };

  Kind kind() const { return kind_; }
  bool is_null() const { return kind_ == Kind::kNull; }

  bool as_bool() const { return bool_; }
  NumberKind number_kind() const { return number_kind_; }
  uint64_t as_unsigned() const { return unsigned_; }
  int64_t as_signed() const { return signed_; }
  double as_float() const { return float_; }

  // A string's text with its escapes resolved (valid UTF-8); an error for an escape that
  // names a lone surrogate.
  Result<std::string, JsonError> string_text() const;

  // Array elements, or the values of an object's members in text order.
  std::span<const JsonValue> elements() const { return elements_; }
  // An object's keys in text order, one per element; duplicates kept as written.
  std::span<const std::string> keys() const { return keys_; }

  // Where the value begins in the text.
  size_t line() const { return line_; }
  size_t column() const { return column_; }

  // Parser access.
  struct Builder;

 private:
  Kind kind_ = Kind::kNull;
  NumberKind number_kind_ = NumberKind::kUnsigned;
  bool bool_ = false;
  uint64_t unsigned_ = 0;
  int64_t signed_ = 0;
  double float_ = 0;
  std::string raw_;  // a string's body between its quotes, escapes unresolved
  std::vector<JsonValue> elements_;
  std::vector<std::string> keys_;
  size_t line_ = 0;
  size_t column_ = 0;
};

Result<JsonValue, JsonError> parse_json(std::string_view text);

// ---- Typed readers ------------------------------------------------------------------------

// An error about `value` (its position) with the given message.
JsonError json_error_at(const JsonValue& value, std::string message);
// "invalid type: <found>, expected <expected>".
JsonError json_invalid_type(const JsonValue& value, std::string_view expected);

Result<uint8_t, JsonError> json_u8(const JsonValue& value);
Result<uint64_t, JsonError> json_u64(const JsonValue& value);
Result<int64_t, JsonError> json_i64(const JsonValue& value);
Result<std::string, JsonError> json_string(const JsonValue& value);

// An array of exactly N integers 0..255 ("an array of length N").
template <size_t N>
Result<std::array<uint8_t, N>, JsonError> json_byte_array(const JsonValue& value);

// One declared field of a record. A field that is not required may be missing from the
// object form; the array form needs every position.
struct JsonField {
  std::string_view name;
  bool required = true;
};

// Reads a record named `record` (as in "struct TrackHead") from `value`: calls
// visit(index, field_value) once for every declared field present, in text order, and
// stops at the first error (its own or the visitor's).
using JsonFieldVisitor = std::function<Status<JsonError>(size_t, const JsonValue&)>;
Status<JsonError> json_read_record(const JsonValue& value, std::string_view record,
                                   std::span<const JsonField> fields,
                                   const JsonFieldVisitor& visit);

// Calls visit(element) for each element of an array ("a sequence").
Status<JsonError> json_read_sequence(const JsonValue& value,
                                     const std::function<Status<JsonError>(const JsonValue&)>& visit);

// ---- Single-key lookup --------------------------------------------------------------------

// The value of `key` in a small JSON text, without parsing it:
//   1. Find the first occurrence of the key in double quotes; absent gives "". The piece
//      considered runs from there to the next occurrence (or the end of the text).
//   2. Skip the spaces and colons that follow the quoted key.
//   3. A value opened by a double quote runs to the next double quote (or the piece's end),
//      escapes not recognised, nothing trimmed.
//   4. Any other value runs to the first ',', '}', ' ' or line feed (or the piece's end) and
//      is trimmed of white space.
// So a value on the line after its key reads as "", and a key mentioned twice bounds the
// piece at its second mention.
std::string json_field_value(std::string_view text, std::string_view key);

// ---- Implementation of the template ---------------------------------------------------------

std::string json_invalid_length_text(size_t found, std::string_view expected);
JsonError json_trailing_characters(const JsonValue& value);

template <size_t N>
Result<std::array<uint8_t, N>, JsonError> json_byte_array(const JsonValue& value) {
  const std::string expected = "an array of length " + std::to_string(N);
  if (value.kind() != JsonValue::Kind::kArray) return Err(json_invalid_type(value, expected));
  const auto elements = value.elements();
  std::array<uint8_t, N> out{};
  for (size_t i = 0; i < N; ++i) {
    if (i >= elements.size()) {
      return Err(json_error_at(value, json_invalid_length_text(i, expected)));
    }
    KOVRA_ASSIGN_OR_RETURN(out[i], json_u8(elements[i]));
  }
  if (elements.size() > N) return Err(json_trailing_characters(elements[N]));
  return out;
}

}  // namespace kovra::base
