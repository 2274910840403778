// A small strict JSON reader for the program's side files and embedded registries.
//
// Records are read straight from the text in one pass. A `JsonReader` is a cursor over the
// text; the typed readers below each take one value from it and turn it into a field of the
// program's records with the rules of a typed record reader:
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
// Nothing is built for a value that no record keeps: the value of an undeclared key is
// checked against the grammar and passed over, with no allocation and no recursion. That check
// is the grammar alone: a number in it is not converted (1e400 skips), and an escape in one of
// its strings or keys is checked for its syntax but not resolved (a lone surrogate skips).
// Reading goes through the text once, so the first fault in text order ends it.
//
// The grammar is the strict one: no comments, no trailing commas, no leading zeros, no
// single quotes, strings free of raw control characters and made of valid UTF-8, white space
// only space, tab, line feed and carriage return, nothing but white space after the top-level
// value (`JsonReader::finish`). Arrays and objects nest at most 127 levels deep ("recursion
// limit exceeded"), skipped values included. A number that is read and whose magnitude
// overflows a double is refused ("number out of range"); integers beyond 64 bits are kept as
// floating point.
//
// Every error carries its message and the line and column (both from 1) where the reader
// stood, or where the value it is about began; `JsonError::to_string` gives "<message> at line
// L column C".
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

#include "base/result.h"

namespace kovra::base {

// The deepest nesting of arrays and objects that the reader accepts, plus one.
inline constexpr int kJsonRecursionLimit = 128;

struct JsonPosition {
  size_t line = 0;
  size_t column = 0;
};

struct JsonError {
  std::string message;
  size_t line = 0;
  size_t column = 0;

  std::string to_string() const;
};

enum class JsonKind : uint8_t { kNull, kBool, kNumber, kString, kArray, kObject };

// A null, boolean, number or string as read from the text; for an array or an object, only
// its kind and position.
struct JsonScalar {
  // How a number was written: a non-negative integer that fits 64 bits, a negative integer
  // that fits 64 signed bits, or anything else (a fraction, an exponent, a wider integer).
  enum class NumberKind : uint8_t { kUnsigned, kSigned, kFloat };

  JsonKind kind = JsonKind::kNull;
  bool boolean = false;
  NumberKind number_kind = NumberKind::kUnsigned;
  uint64_t unsigned_value = 0;
  int64_t signed_value = 0;
  double float_value = 0;
  std::string_view raw;  // a string's body between its quotes, escapes unresolved
  JsonPosition position;  // where the value begins

  // A string's text with its escapes resolved (valid UTF-8); an error for an escape that
  // names a lone surrogate.
  Result<std::string, JsonError> string_text() const;
};

// An object's key as `JsonReader::next_member` reads it.
struct JsonKey {
  std::string_view raw;   // the body between its quotes, escapes unresolved
  JsonPosition position;  // of its opening quote

  // The key's text: `raw` itself when it holds no escape, else its escapes resolved into
  // `scratch`; an error for a lone surrogate.
  Result<std::string_view, JsonError> text(std::string& scratch) const;
};

// A cursor over a JSON text. It holds a view of the text (which must outlive it), where it
// stands and how deep it is, and nothing else: a copy is an independent cursor.
class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : s_(text) {}

  // Skips white space and names the value that begins there by its first character; "EOF
  // while parsing a value" or "expected value" when none can begin there.
  Result<JsonKind, JsonError> peek();
  // Where the reader stands: after `peek`, where the next value begins.
  JsonPosition position() const { return {line_, pos_ - line_start_ + 1}; }
  // An error at the reader's position.
  JsonError error(std::string message) const;

  // Reads the null, boolean, number or string that begins here. An array or an object is
  // left unread and given by its kind and position alone.
  Result<JsonScalar, JsonError> read_scalar();
  // Reads a null when one begins here (true); any other value is left unread (false).
  Result<bool, JsonError> take_null();

  // An array: `begin_array` at its '[', then `next_element` before each element: true when
  // one follows (the reader stands at it, to be read or skipped), false once the closing
  // bracket is passed.
  Status<JsonError> begin_array();
  Result<bool, JsonError> next_element();
  // An object likewise: `next_member` reads the next key and its colon into `key` and stands
  // at the member's value (true), or passes the closing brace (false).
  Status<JsonError> begin_object();
  Result<bool, JsonError> next_member(JsonKey& key);

  // Checks the value that begins here against the grammar and passes over it.
  Status<JsonError> skip_value();

  // After the top-level value: nothing but white space may remain ("trailing characters").
  Status<JsonError> finish();

 private:
  bool at_end() const { return pos_ >= s_.size(); }
  char current() const { return s_[pos_]; }
  void skip_white_space();
  Status<JsonError> enter(char open);
  Result<bool, JsonError> next_in(char close, const char* eof, const char* expected);
  Status<JsonError> scan_literal(std::string_view word);
  Result<std::string_view, JsonError> scan_string();
  struct Number;
  Result<Number, JsonError> scan_number();
  Status<JsonError> skip_scalar(JsonKind kind);

  std::string_view s_;
  size_t pos_ = 0;
  size_t line_ = 1;
  size_t line_start_ = 0;
  int depth_ = 0;       // arrays and objects open
  bool fresh_ = false;  // the innermost one was just opened: no element or member read yet
};

// ---- Typed readers ------------------------------------------------------------------------
//
// Each reads one value from the reader; on success the reader stands after it.

JsonError json_error_at(JsonPosition position, std::string message);
// "invalid type: <found>, expected <expected>" about the value at the reader (or the error
// that reading it gave).
JsonError json_invalid_type(JsonReader& reader, std::string_view expected);

Result<uint8_t, JsonError> json_u8(JsonReader& reader);
Result<uint64_t, JsonError> json_u64(JsonReader& reader);
Result<int64_t, JsonError> json_i64(JsonReader& reader);
Result<std::string, JsonError> json_string(JsonReader& reader);

// An array of exactly N integers 0..255 ("an array of length N").
template <size_t N>
Result<std::array<uint8_t, N>, JsonError> json_byte_array(JsonReader& reader);

// One declared field of a record. A field that is not required may be missing from the
// object form; the array form needs every position.
struct JsonField {
  std::string_view name;
  bool required = true;
};

// Reads a record named `record` (as in "struct TrackHead") at the reader: calls
// visit(index, reader) once for every declared field present, in text order, with the
// reader at the field's value, which the visitor reads; values of undeclared keys are
// skipped. Stops at the first error (its own or the visitor's). At most 64 fields.
using JsonFieldVisitor = std::function<Status<JsonError>(size_t, JsonReader&)>;
Status<JsonError> json_read_record(JsonReader& reader, std::string_view record,
                                   std::span<const JsonField> fields,
                                   const JsonFieldVisitor& visit);

// Calls visit(reader) at each element of an array ("a sequence"); the visitor reads it.
Status<JsonError> json_read_sequence(JsonReader& reader,
                                     const std::function<Status<JsonError>(JsonReader&)>& visit);

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

JsonError json_array_length_error(JsonPosition array, size_t found, size_t expected);

template <size_t N>
Result<std::array<uint8_t, N>, JsonError> json_byte_array(JsonReader& reader) {
  KOVRA_ASSIGN_OR_RETURN(const JsonKind kind, reader.peek());
  if (kind != JsonKind::kArray) {
    return Err(json_invalid_type(reader, "an array of length " + std::to_string(N)));
  }
  const JsonPosition array = reader.position();
  KOVRA_TRY(reader.begin_array());
  std::array<uint8_t, N> out{};
  for (size_t i = 0; i < N; ++i) {
    KOVRA_ASSIGN_OR_RETURN(const bool more, reader.next_element());
    if (!more) return Err(json_array_length_error(array, i, N));
    KOVRA_ASSIGN_OR_RETURN(out[i], json_u8(reader));
  }
  KOVRA_ASSIGN_OR_RETURN(const bool more, reader.next_element());
  if (more) return Err(reader.error("trailing characters"));
  return out;
}

}  // namespace kovra::base
