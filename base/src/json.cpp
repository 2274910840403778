#include "base/json.h"

#include <bitset>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>

#include "base/invariant.h"
#include "base/text.h"

namespace kovra::base {

namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Length of the well-formed UTF-8 sequence starting at s[pos] (a byte >= 0x80), or 0.
size_t utf8_sequence_length(std::string_view s, size_t pos) {
  const auto b0 = static_cast<uint8_t>(s[pos]);
  size_t len = 0;
  uint8_t lo = 0x80;
  uint8_t hi = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (pos + len > s.size()) return 0;
  for (size_t i = 1; i < len; ++i) {
    const auto b = static_cast<uint8_t>(s[pos + i]);
    if (i == 1 ? (b < lo || b > hi) : (b & 0xC0) != 0x80) return 0;
  }
  return len;
}

// Resolves the escapes of a string body that the parser has already checked for escape
// syntax, UTF-8 and control characters. `at` positions the error of a lone surrogate.
Result<std::string, JsonError> resolve_escapes(std::string_view raw, JsonPosition at) {
  std::string out;
  out.reserve(raw.size());
  auto fail = [&](const char* message) { return json_error_at(at, message); };
  auto read_hex4 = [&](size_t pos) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v = v << 4 | static_cast<uint32_t>(hex_value(raw[pos + i]));
    return v;
  };
  size_t i = 0;
  while (i < raw.size()) {
    const char c = raw[i];
    if (c != '\\') {
      out.push_back(c);
      ++i;
      continue;
    }
    const char e = raw[i + 1];
    i += 2;
    switch (e) {
      case '"': out.push_back('"'); break;
      case '\\': out.push_back('\\'); break;
      case '/': out.push_back('/'); break;
      case 'b': out.push_back('\b'); break;
      case 'f': out.push_back('\f'); break;
      case 'n': out.push_back('\n'); break;
      case 'r': out.push_back('\r'); break;
      case 't': out.push_back('\t'); break;
      default: {  // 'u'
        const uint32_t n1 = read_hex4(i);
        i += 4;
        if (n1 >= 0xDC00 && n1 <= 0xDFFF) return Err(fail("lone leading surrogate in hex escape"));
        if (n1 >= 0xD800 && n1 <= 0xDBFF) {
          if (i + 1 >= raw.size() || raw[i] != '\\' || raw[i + 1] != 'u') {
            return Err(fail("unexpected end of hex escape"));
          }
          const uint32_t n2 = read_hex4(i + 2);
          i += 6;
          if (n2 < 0xDC00 || n2 > 0xDFFF) return Err(fail("lone leading surrogate in hex escape"));
          append_utf8(out, 0x10000 + ((n1 - 0xD800) << 10) + (n2 - 0xDC00));
        } else {
          append_utf8(out, n1);
        }
      }
    }
  }
  return out;
}

// The shortest decimal text that reads back as `d`, in the style "1.5", "1000.0", "1e20",
// "1.5e-7", "-0.0".
std::string float_text(double d) {
  if (d == 0) return std::signbit(d) ? "-0.0" : "0.0";
  char buf[64];
  int precision = 0;
  for (; precision < 17; ++precision) {
    std::snprintf(buf, sizeof buf, "%.*e", precision, d);
    if (std::strtod(buf, nullptr) == d) break;
  }
  // buf: [-]d[.ddd]e[+-]xx
  std::string text(buf);
  std::string sign;
  if (text[0] == '-') {
    sign = "-";
    text.erase(0, 1);
  }
  const size_t e_pos = text.find('e');
  std::string digits = text.substr(0, e_pos);
  if (digits.size() > 1) digits.erase(1, 1);  // drop the decimal point
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  const long exponent = std::strtol(text.c_str() + e_pos + 1, nullptr, 10);
  const long length = static_cast<long>(digits.size());
  const long point = exponent + 1;  // digits before the decimal point
  std::string out = sign;
  if (point >= length && point <= 16) {
    out += digits + std::string(static_cast<size_t>(point - length), '0') + ".0";
  } else if (point > 0 && point <= 16) {
    out += digits.substr(0, static_cast<size_t>(point)) + "." +
           digits.substr(static_cast<size_t>(point));
  } else if (point > -5 && point <= 0) {
    out += "0." + std::string(static_cast<size_t>(-point), '0') + digits;
  } else {
    out += digits.substr(0, 1);
    if (length > 1) out += "." + digits.substr(1);
    out += "e" + std::to_string(exponent);
  }
  return out;
}

// A text quoted and escaped for an error message: "ab\"c".
std::string quoted(std::string_view s) {
  std::string out = "\"";
  for (const char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\0': out += "\\0"; break;
      default:
        if (static_cast<uint8_t>(c) < 0x20 || c == 0x7F) {
          char buf[16];
          std::snprintf(buf, sizeof buf, "\\u{%x}", static_cast<unsigned>(c));
          out += buf;
        } else {
          out.push_back(c);
        }
    }
  }
  return out + "\"";
}

}  // namespace

std::string JsonError::to_string() const {
  if (line == 0) return message;
  return message + " at line " + std::to_string(line) + " column " + std::to_string(column);
}

JsonError json_error_at(JsonPosition position, std::string message) {
  return JsonError{std::move(message), position.line, position.column};
}

Result<std::string, JsonError> JsonScalar::string_text() const {
  return resolve_escapes(raw, position);
}

Result<std::string_view, JsonError> JsonKey::text(std::string& scratch) const {
  if (raw.find('\\') == std::string_view::npos) return raw;
  KOVRA_ASSIGN_OR_RETURN(scratch, resolve_escapes(raw, position));
  return std::string_view(scratch);
}

// ---- The reader ---------------------------------------------------------------------------

JsonError JsonReader::error(std::string message) const {
  return json_error_at(position(), std::move(message));
}

void JsonReader::skip_white_space() {
  while (pos_ < s_.size()) {
    const char c = s_[pos_];
    if (c == '\n') {
      ++pos_;
      ++line_;
      line_start_ = pos_;
    } else if (c == ' ' || c == '\t' || c == '\r') {
      ++pos_;
    } else {
      break;
    }
  }
}

Result<JsonKind, JsonError> JsonReader::peek() {
  skip_white_space();
  if (at_end()) return Err(error("EOF while parsing a value"));
  switch (current()) {
    case 'n': return JsonKind::kNull;
    case 't': case 'f': return JsonKind::kBool;
    case '"': return JsonKind::kString;
    case '[': return JsonKind::kArray;
    case '{': return JsonKind::kObject;
    default:
      if (current() == '-' || (current() >= '0' && current() <= '9')) return JsonKind::kNumber;
      return Err(error("expected value"));
  }
}

Status<JsonError> JsonReader::scan_literal(std::string_view word) {
  for (const char c : word) {
    if (at_end()) return Err(error("EOF while parsing a value"));
    if (current() != c) return Err(error("expected ident"));
    ++pos_;
  }
  return {};
}

// From the opening quote to past the closing one, checking escape syntax, control characters
// and UTF-8; gives the body with its escapes as written.
Result<std::string_view, JsonError> JsonReader::scan_string() {
  ++pos_;  // opening quote
  const size_t body = pos_;
  while (true) {
    if (at_end()) return Err(error("EOF while parsing a string"));
    const auto c = static_cast<uint8_t>(current());
    if (c == '"') {
      const std::string_view raw = s_.substr(body, pos_ - body);
      ++pos_;
      return raw;
    }
    if (c == '\\') {
      ++pos_;
      if (at_end()) return Err(error("EOF while parsing a string"));
      const char e = current();
      ++pos_;
      switch (e) {
        case '"': case '\\': case '/': case 'b': case 'f': case 'n': case 'r': case 't':
          break;
        case 'u':
          for (int i = 0; i < 4; ++i) {
            if (at_end()) return Err(error("EOF while parsing a string"));
            if (hex_value(current()) < 0) return Err(error("invalid escape"));
            ++pos_;
          }
          break;
        default:
          --pos_;
          return Err(error("invalid escape"));
      }
      continue;
    }
    if (c < 0x20) {
      return Err(error("control character (\\u0000-\\u001F) found while parsing a string"));
    }
    if (c >= 0x80) {
      const size_t len = utf8_sequence_length(s_, pos_);
      if (len == 0) return Err(error("invalid unicode code point"));
      pos_ += len;
      continue;
    }
    ++pos_;
  }
}

// A number as written: its text, its sign, its integer digits as far as they fit 64 bits,
// and whether it is an integer that fits 64 bits at all.
struct JsonReader::Number {
  std::string_view text;
  bool negative = false;
  bool is_float = false;  // a fraction, an exponent or integer digits beyond 64 bits
  uint64_t significand = 0;
};

Result<JsonReader::Number, JsonError> JsonReader::scan_number() {
  Number n;
  const size_t begin = pos_;
  n.negative = current() == '-';
  if (n.negative) ++pos_;
  if (at_end()) return Err(error("EOF while parsing a value"));
  if (current() < '0' || current() > '9') return Err(error("invalid number"));
  if (current() == '0') {
    ++pos_;
    if (!at_end() && current() >= '0' && current() <= '9') return Err(error("invalid number"));
  } else {
    while (!at_end() && current() >= '0' && current() <= '9') {
      const auto digit = static_cast<uint64_t>(current() - '0');
      if (n.significand > (std::numeric_limits<uint64_t>::max() - digit) / 10) n.is_float = true;
      n.significand = n.significand * 10 + digit;
      ++pos_;
    }
  }
  if (!at_end() && current() == '.') {
    n.is_float = true;
    ++pos_;
    if (at_end()) return Err(error("EOF while parsing a value"));
    if (current() < '0' || current() > '9') return Err(error("invalid number"));
    while (!at_end() && current() >= '0' && current() <= '9') ++pos_;
  }
  if (!at_end() && (current() == 'e' || current() == 'E')) {
    n.is_float = true;
    ++pos_;
    if (!at_end() && (current() == '+' || current() == '-')) ++pos_;
    if (at_end()) return Err(error("EOF while parsing a value"));
    if (current() < '0' || current() > '9') return Err(error("invalid number"));
    while (!at_end() && current() >= '0' && current() <= '9') ++pos_;
  }
  n.text = s_.substr(begin, pos_ - begin);
  return n;
}

Result<JsonScalar, JsonError> JsonReader::read_scalar() {
  KOVRA_ASSIGN_OR_RETURN(const JsonKind kind, peek());
  JsonScalar v;
  v.kind = kind;
  v.position = position();
  switch (kind) {
    case JsonKind::kNull: KOVRA_TRY(scan_literal("null")); break;
    case JsonKind::kBool:
      v.boolean = current() == 't';
      KOVRA_TRY(scan_literal(v.boolean ? "true" : "false"));
      break;
    case JsonKind::kString: { KOVRA_ASSIGN_OR_RETURN(v.raw, scan_string()); break; }
    case JsonKind::kNumber: {
      KOVRA_ASSIGN_OR_RETURN(const Number n, scan_number());
      using NK = JsonScalar::NumberKind;
      if (!n.is_float && !n.negative) {
        v.number_kind = NK::kUnsigned;
        v.unsigned_value = n.significand;
      } else if (!n.is_float && n.significand >= 1 && n.significand <= (uint64_t{1} << 63)) {
        // A negative integer is signed when its magnitude is 1..2^63; "-0" and wider
        // magnitudes are floating point, as a typed reader of 64-bit integers sees them.
        v.number_kind = NK::kSigned;
        v.signed_value = static_cast<int64_t>(0 - n.significand);
      } else {
        const std::string lexeme(n.text);
        v.number_kind = NK::kFloat;
        v.float_value = std::strtod(lexeme.c_str(), nullptr);
        if (std::isinf(v.float_value)) return Err(error("number out of range"));
      }
      break;
    }
    case JsonKind::kArray: case JsonKind::kObject: break;
  }
  return v;
}

Result<bool, JsonError> JsonReader::take_null() {
  KOVRA_ASSIGN_OR_RETURN(const JsonKind kind, peek());
  if (kind != JsonKind::kNull) return false;
  KOVRA_TRY(scan_literal("null"));
  return true;
}

Status<JsonError> JsonReader::enter(char open) {
  skip_white_space();
  KOVRA_INVARIANT(!at_end() && current() == open,
                  "an array or object is entered at its opening bracket");
  if (depth_ + 1 >= kJsonRecursionLimit) return Err(error("recursion limit exceeded"));
  ++depth_;
  ++pos_;
  fresh_ = true;
  return {};
}

Status<JsonError> JsonReader::begin_array() { return enter('['); }
Status<JsonError> JsonReader::begin_object() { return enter('{'); }

// Before an element or member of the innermost array or object: passes its closing bracket
// (false), or the comma before the next one and stands there (true).
Result<bool, JsonError> JsonReader::next_in(char close, const char* eof, const char* expected) {
  skip_white_space();
  const bool first = std::exchange(fresh_, false);
  if (!first && at_end()) return Err(error(eof));
  if (!at_end() && current() == close) {
    ++pos_;
    --depth_;
    return false;
  }
  if (!first) {
    if (current() != ',') return Err(error(expected));
    ++pos_;
    skip_white_space();
    if (!at_end() && current() == close) return Err(error("trailing comma"));
  }
  if (at_end()) return Err(error(eof));
  return true;
}

Result<bool, JsonError> JsonReader::next_element() {
  return next_in(']', "EOF while parsing a list", "expected `,` or `]`");
}

Result<bool, JsonError> JsonReader::next_member(JsonKey& key) {
  KOVRA_ASSIGN_OR_RETURN(const bool more,
                         next_in('}', "EOF while parsing an object", "expected `,` or `}`"));
  if (!more) return false;
  if (current() != '"') return Err(error("key must be a string"));
  key.position = position();
  KOVRA_ASSIGN_OR_RETURN(key.raw, scan_string());
  skip_white_space();
  if (at_end()) return Err(error("EOF while parsing an object"));
  if (current() != ':') return Err(error("expected `:`"));
  ++pos_;
  skip_white_space();
  return true;
}

Status<JsonError> JsonReader::skip_scalar(JsonKind kind) {
  switch (kind) {
    case JsonKind::kNull: return scan_literal("null");
    case JsonKind::kBool: return scan_literal(current() == 't' ? "true" : "false");
    case JsonKind::kString: {
      KOVRA_TRY(scan_string());
      return {};
    }
    default: {
      KOVRA_TRY(scan_number());
      return {};
    }
  }
}

// One loop over the skipped value's tokens; which of the containers open since the start is
// an object is kept one bit per depth, so the nesting bound bounds the state as well.
Status<JsonError> JsonReader::skip_value() {
  const int base = depth_;
  std::bitset<kJsonRecursionLimit> is_object;
  JsonKey key;
  while (true) {
    KOVRA_ASSIGN_OR_RETURN(const JsonKind kind, peek());
    if (kind == JsonKind::kArray || kind == JsonKind::kObject) {
      KOVRA_TRY(enter(kind == JsonKind::kArray ? '[' : '{'));
      is_object[static_cast<size_t>(depth_)] = kind == JsonKind::kObject;
    } else {
      KOVRA_TRY(skip_scalar(kind));
    }
    // On to the next value inside, closing the containers that end here.
    while (true) {
      if (depth_ == base) return {};
      bool more = false;
      if (is_object[static_cast<size_t>(depth_)]) {
        KOVRA_ASSIGN_OR_RETURN(more, next_member(key));
      } else {
        KOVRA_ASSIGN_OR_RETURN(more, next_element());
      }
      if (more) break;
    }
  }
}

Status<JsonError> JsonReader::finish() {
  skip_white_space();
  if (!at_end()) return Err(error("trailing characters"));
  return {};
}

// ---- Typed readers ------------------------------------------------------------------------

namespace {

std::string integer_text(const JsonScalar& v) {
  return v.number_kind == JsonScalar::NumberKind::kUnsigned ? std::to_string(v.unsigned_value)
                                                            : std::to_string(v.signed_value);
}

// What a value is, as an error message names it.
std::string found_text(const JsonScalar& v) {
  switch (v.kind) {
    case JsonKind::kNull: return "null";
    case JsonKind::kBool: return v.boolean ? "boolean `true`" : "boolean `false`";
    case JsonKind::kNumber:
      if (v.number_kind == JsonScalar::NumberKind::kFloat) {
        return "floating point `" + float_text(v.float_value) + "`";
      }
      return "integer `" + integer_text(v) + "`";
    case JsonKind::kString: {
      auto text = v.string_text();
      return "string " + quoted(text ? *text : std::string());
    }
    case JsonKind::kArray: return "sequence";
    case JsonKind::kObject: return "map";
  }
  return "value";
}

JsonError invalid_type(const JsonScalar& v, std::string_view expected) {
  return json_error_at(v.position,
                       "invalid type: " + found_text(v) + ", expected " + std::string(expected));
}

JsonError invalid_value(const JsonScalar& v, std::string_view expected) {
  return json_error_at(v.position, "invalid value: integer `" + integer_text(v) +
                                       "`, expected " + std::string(expected));
}

std::string invalid_length_text(size_t found, std::string_view expected) {
  return "invalid length " + std::to_string(found) + ", expected " + std::string(expected);
}

// Integers of a JSON number: the unsigned or signed value, or an error naming `expected`.
template <class T>
Result<T, JsonError> read_integer(JsonReader& reader, std::string_view expected) {
  KOVRA_ASSIGN_OR_RETURN(const JsonScalar v, reader.read_scalar());
  if (v.kind != JsonKind::kNumber || v.number_kind == JsonScalar::NumberKind::kFloat) {
    return Err(invalid_type(v, expected));
  }
  if (v.number_kind == JsonScalar::NumberKind::kUnsigned) {
    if (v.unsigned_value > static_cast<uint64_t>(std::numeric_limits<T>::max())) {
      return Err(invalid_value(v, expected));
    }
    return static_cast<T>(v.unsigned_value);
  }
  if constexpr (std::is_signed_v<T>) {
    return static_cast<T>(v.signed_value);
  } else {
    return Err(invalid_value(v, expected));
  }
}

}  // namespace

JsonError json_invalid_type(JsonReader& reader, std::string_view expected) {
  auto v = reader.read_scalar();
  if (!v) return std::move(v).error();
  return invalid_type(*v, expected);
}

JsonError json_array_length_error(JsonPosition array, size_t found, size_t expected) {
  return json_error_at(array,
                       invalid_length_text(found, "an array of length " + std::to_string(expected)));
}

Result<uint8_t, JsonError> json_u8(JsonReader& reader) {
  return read_integer<uint8_t>(reader, "u8");
}
Result<uint64_t, JsonError> json_u64(JsonReader& reader) {
  return read_integer<uint64_t>(reader, "u64");
}
Result<int64_t, JsonError> json_i64(JsonReader& reader) {
  return read_integer<int64_t>(reader, "i64");
}

Result<std::string, JsonError> json_string(JsonReader& reader) {
  KOVRA_ASSIGN_OR_RETURN(const JsonScalar v, reader.read_scalar());
  if (v.kind != JsonKind::kString) return Err(invalid_type(v, "a string"));
  return v.string_text();
}

Status<JsonError> json_read_record(JsonReader& reader, std::string_view record,
                                   std::span<const JsonField> fields,
                                   const JsonFieldVisitor& visit) {
  KOVRA_INVARIANT(fields.size() <= 64, "a record of at most 64 fields");
  KOVRA_ASSIGN_OR_RETURN(const JsonKind kind, reader.peek());
  const JsonPosition at = reader.position();
  if (kind == JsonKind::kArray) {
    KOVRA_TRY(reader.begin_array());
    for (size_t i = 0; i < fields.size(); ++i) {
      KOVRA_ASSIGN_OR_RETURN(const bool more, reader.next_element());
      if (!more) {
        return Err(json_error_at(
            at, invalid_length_text(i, "struct " + std::string(record) + " with " +
                                           std::to_string(fields.size()) + " elements")));
      }
      KOVRA_TRY(visit(i, reader));
    }
    KOVRA_ASSIGN_OR_RETURN(const bool more, reader.next_element());
    if (more) return Err(reader.error("trailing characters"));
    return {};
  }
  if (kind != JsonKind::kObject) {
    return Err(json_invalid_type(reader, "struct " + std::string(record)));
  }
  KOVRA_TRY(reader.begin_object());
  uint64_t seen = 0;
  JsonKey key;
  std::string scratch;  // a key's text when it is written with escapes
  while (true) {
    KOVRA_ASSIGN_OR_RETURN(const bool more, reader.next_member(key));
    if (!more) break;
    KOVRA_ASSIGN_OR_RETURN(const std::string_view name, key.text(scratch));
    size_t f = 0;
    while (f < fields.size() && fields[f].name != name) ++f;
    if (f == fields.size()) {  // not declared: skipped
      KOVRA_TRY(reader.skip_value());
      continue;
    }
    if ((seen >> f & 1) != 0) {
      return Err(reader.error("duplicate field `" + std::string(name) + "`"));
    }
    seen |= uint64_t{1} << f;
    KOVRA_TRY(visit(f, reader));
  }
  for (size_t f = 0; f < fields.size(); ++f) {
    if (fields[f].required && (seen >> f & 1) == 0) {
      return Err(json_error_at(at, "missing field `" + std::string(fields[f].name) + "`"));
    }
  }
  return {};
}

Status<JsonError> json_read_sequence(JsonReader& reader,
                                     const std::function<Status<JsonError>(JsonReader&)>& visit) {
  KOVRA_ASSIGN_OR_RETURN(const JsonKind kind, reader.peek());
  if (kind != JsonKind::kArray) return Err(json_invalid_type(reader, "a sequence"));
  KOVRA_TRY(reader.begin_array());
  while (true) {
    KOVRA_ASSIGN_OR_RETURN(const bool more, reader.next_element());
    if (!more) return {};
    KOVRA_TRY(visit(reader));
  }
}

std::string json_field_value(std::string_view text, std::string_view key) {
  std::string needle = "\"";
  needle.append(key);
  needle.push_back('"');
  const size_t first = text.find(needle);
  if (first == std::string_view::npos) return "";
  std::string_view piece = text.substr(first + needle.size());
  const size_t next = piece.find(needle);
  if (next != std::string_view::npos) piece = piece.substr(0, next);
  size_t skip = 0;
  while (skip < piece.size() && (piece[skip] == ' ' || piece[skip] == ':')) ++skip;
  piece.remove_prefix(skip);
  if (!piece.empty() && piece.front() == '"') {
    piece.remove_prefix(1);
    return std::string(piece.substr(0, piece.find('"')));
  }
  return std::string(trim_white_space(piece.substr(0, piece.find_first_of(",} \n"))));
}

}  // namespace kovra::base
