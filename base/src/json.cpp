#include "base/json.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>

#include "base/text.h"

namespace kovra::base {

struct JsonValue::Builder {
  static JsonValue make(Kind kind, size_t line, size_t column) {
    JsonValue v;
    v.kind_ = kind;
    v.line_ = line;
    v.column_ = column;
    return v;
  }
  static void set_bool(JsonValue& v, bool b) { v.bool_ = b; }
  static void set_unsigned(JsonValue& v, uint64_t u) {
    v.number_kind_ = NumberKind::kUnsigned;
    v.unsigned_ = u;
  }
  static void set_signed(JsonValue& v, int64_t s) {
    v.number_kind_ = NumberKind::kSigned;
    v.signed_ = s;
  }
  static void set_float(JsonValue& v, double d) {
    v.number_kind_ = NumberKind::kFloat;
    v.float_ = d;
  }
  static std::string& raw(JsonValue& v) { return v.raw_; }
  static std::vector<JsonValue>& elements(JsonValue& v) { return v.elements_; }
  static std::vector<std::string>& keys(JsonValue& v) { return v.keys_; }
};

namespace {

using Builder = JsonValue::Builder;

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
Result<std::string, JsonError> resolve_escapes(std::string_view raw, const JsonError& at) {
  std::string out;
  out.reserve(raw.size());
  auto fail = [&](const char* message) {
    JsonError e = at;
    e.message = message;
    return e;
  };
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

class Parser {
 public:
  explicit Parser(std::string_view text) : s_(text) {}

  Result<JsonValue, JsonError> parse_document() {
    skip_white_space();
    KOVRA_ASSIGN_OR_RETURN(JsonValue value, parse_value());
    skip_white_space();
    if (pos_ < s_.size()) return Err(error("trailing characters"));
    return value;
  }

 private:
  JsonError error(std::string message) const {
    return JsonError{std::move(message), line_, pos_ - line_start_ + 1};
  }
  bool at_end() const { return pos_ >= s_.size(); }
  char peek() const { return s_[pos_]; }

  void skip_white_space() {
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

  JsonValue start(JsonValue::Kind kind) const {
    return Builder::make(kind, line_, pos_ - line_start_ + 1);
  }

  Result<JsonValue, JsonError> parse_value() {
    if (at_end()) return Err(error("EOF while parsing a value"));
    switch (peek()) {
      case 'n': return parse_literal("null", JsonValue::Kind::kNull, false);
      case 't': return parse_literal("true", JsonValue::Kind::kBool, true);
      case 'f': return parse_literal("false", JsonValue::Kind::kBool, false);
      case '"': {
        JsonValue v = start(JsonValue::Kind::kString);
        KOVRA_TRY(parse_string_body(Builder::raw(v)));
        return v;
      }
      case '[': return parse_array();
      case '{': return parse_object();
      default:
        if (peek() == '-' || (peek() >= '0' && peek() <= '9')) return parse_number();
        return Err(error("expected value"));
    }
  }

  Result<JsonValue, JsonError> parse_literal(std::string_view word, JsonValue::Kind kind,
                                             bool b) {
    JsonValue v = start(kind);
    for (const char c : word) {
      if (at_end()) return Err(error("EOF while parsing a value"));
      if (peek() != c) return Err(error("expected ident"));
      ++pos_;
    }
    Builder::set_bool(v, b);
    return v;
  }

  // Reads a string from its opening quote to its closing quote into `raw` (the body with
  // escapes as written), checking escape syntax, control characters and UTF-8.
  Status<JsonError> parse_string_body(std::string& raw) {
    ++pos_;  // opening quote
    const size_t body = pos_;
    while (true) {
      if (at_end()) return Err(error("EOF while parsing a string"));
      const auto c = static_cast<uint8_t>(peek());
      if (c == '"') {
        raw.assign(s_.substr(body, pos_ - body));
        ++pos_;
        return {};
      }
      if (c == '\\') {
        ++pos_;
        if (at_end()) return Err(error("EOF while parsing a string"));
        const char e = peek();
        ++pos_;
        switch (e) {
          case '"': case '\\': case '/': case 'b': case 'f': case 'n': case 'r': case 't':
            break;
          case 'u':
            for (int i = 0; i < 4; ++i) {
              if (at_end()) return Err(error("EOF while parsing a string"));
              if (hex_value(peek()) < 0) return Err(error("invalid escape"));
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

  Result<JsonValue, JsonError> parse_number() {
    JsonValue v = start(JsonValue::Kind::kNumber);
    const size_t begin = pos_;
    const bool negative = peek() == '-';
    if (negative) ++pos_;
    if (at_end()) return Err(error("EOF while parsing a value"));
    if (peek() < '0' || peek() > '9') return Err(error("invalid number"));
    bool overflow = false;
    uint64_t significand = 0;
    if (peek() == '0') {
      ++pos_;
      if (!at_end() && peek() >= '0' && peek() <= '9') return Err(error("invalid number"));
    } else {
      while (!at_end() && peek() >= '0' && peek() <= '9') {
        const auto digit = static_cast<uint64_t>(peek() - '0');
        if (significand > (std::numeric_limits<uint64_t>::max() - digit) / 10) overflow = true;
        significand = significand * 10 + digit;
        ++pos_;
      }
    }
    bool is_float = overflow;
    if (!at_end() && peek() == '.') {
      is_float = true;
      ++pos_;
      if (at_end()) return Err(error("EOF while parsing a value"));
      if (peek() < '0' || peek() > '9') return Err(error("invalid number"));
      while (!at_end() && peek() >= '0' && peek() <= '9') ++pos_;
    }
    if (!at_end() && (peek() == 'e' || peek() == 'E')) {
      is_float = true;
      ++pos_;
      if (!at_end() && (peek() == '+' || peek() == '-')) ++pos_;
      if (at_end()) return Err(error("EOF while parsing a value"));
      if (peek() < '0' || peek() > '9') return Err(error("invalid number"));
      while (!at_end() && peek() >= '0' && peek() <= '9') ++pos_;
    }
    if (!is_float && !negative) {
      Builder::set_unsigned(v, significand);
      return v;
    }
    // A negative integer is signed when its magnitude is 1..2^63; "-0" and wider magnitudes
    // are floating point, as a typed reader of 64-bit integers sees them.
    if (!is_float && significand >= 1 && significand <= (uint64_t{1} << 63)) {
      Builder::set_signed(v, static_cast<int64_t>(0 - significand));
      return v;
    }
    const std::string lexeme(s_.substr(begin, pos_ - begin));
    const double d = std::strtod(lexeme.c_str(), nullptr);
    if (std::isinf(d)) return Err(error("number out of range"));
    Builder::set_float(v, d);
    return v;
  }

  Status<JsonError> enter() {
    if (--remaining_depth_ == 0) return Err(error("recursion limit exceeded"));
    return {};
  }

  Result<JsonValue, JsonError> parse_array() {
    JsonValue v = start(JsonValue::Kind::kArray);
    KOVRA_TRY(enter());
    ++pos_;
    auto& elements = Builder::elements(v);
    skip_white_space();
    if (!at_end() && peek() == ']') {
      ++pos_;
      ++remaining_depth_;
      return v;
    }
    while (true) {
      skip_white_space();
      if (at_end()) return Err(error("EOF while parsing a list"));
      KOVRA_ASSIGN_OR_RETURN(JsonValue element, parse_value());
      elements.push_back(std::move(element));
      skip_white_space();
      if (at_end()) return Err(error("EOF while parsing a list"));
      if (peek() == ']') break;
      if (peek() != ',') return Err(error("expected `,` or `]`"));
      ++pos_;
      skip_white_space();
      if (!at_end() && peek() == ']') return Err(error("trailing comma"));
    }
    ++pos_;
    ++remaining_depth_;
    return v;
  }

  Result<JsonValue, JsonError> parse_object() {
    JsonValue v = start(JsonValue::Kind::kObject);
    KOVRA_TRY(enter());
    ++pos_;
    auto& elements = Builder::elements(v);
    auto& keys = Builder::keys(v);
    skip_white_space();
    if (!at_end() && peek() == '}') {
      ++pos_;
      ++remaining_depth_;
      return v;
    }
    while (true) {
      skip_white_space();
      if (at_end()) return Err(error("EOF while parsing an object"));
      if (peek() != '"') return Err(error("key must be a string"));
      const JsonError key_position = error("");
      std::string raw;
      KOVRA_TRY(parse_string_body(raw));
      KOVRA_ASSIGN_OR_RETURN(std::string key, resolve_escapes(raw, key_position));
      skip_white_space();
      if (at_end()) return Err(error("EOF while parsing an object"));
      if (peek() != ':') return Err(error("expected `:`"));
      ++pos_;
      skip_white_space();
      KOVRA_ASSIGN_OR_RETURN(JsonValue member, parse_value());
      keys.push_back(std::move(key));
      elements.push_back(std::move(member));
      skip_white_space();
      if (at_end()) return Err(error("EOF while parsing an object"));
      if (peek() == '}') break;
      if (peek() != ',') return Err(error("expected `,` or `}`"));
      ++pos_;
      skip_white_space();
      if (!at_end() && peek() == '}') return Err(error("trailing comma"));
    }
    ++pos_;
    ++remaining_depth_;
    return v;
  }

  std::string_view s_;
  size_t pos_ = 0;
  size_t line_ = 1;
  size_t line_start_ = 0;
  int remaining_depth_ = kJsonRecursionLimit;
};

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

std::string integer_text(const JsonValue& v) {
  return v.number_kind() == JsonValue::NumberKind::kUnsigned ? std::to_string(v.as_unsigned())
                                                             : std::to_string(v.as_signed());
}

// What a value is, as an error message names it.
std::string found_text(const JsonValue& v) {
  switch (v.kind()) {
    case JsonValue::Kind::kNull: return "null";
    case JsonValue::Kind::kBool: return v.as_bool() ? "boolean `true`" : "boolean `false`";
    case JsonValue::Kind::kNumber:
      if (v.number_kind() == JsonValue::NumberKind::kFloat) {
        return "floating point `" + float_text(v.as_float()) + "`";
      }
      return "integer `" + integer_text(v) + "`";
    case JsonValue::Kind::kString: {
      auto text = v.string_text();
      return "string " + quoted(text ? *text : std::string());
    }
    case JsonValue::Kind::kArray: return "sequence";
    case JsonValue::Kind::kObject: return "map";
  }
  return "value";
}

JsonError invalid_value(const JsonValue& v, std::string_view expected) {
  return json_error_at(v, "invalid value: integer `" + integer_text(v) + "`, expected " +
                              std::string(expected));
}

}  // namespace

std::string JsonError::to_string() const {
  if (line == 0) return message;
  return message + " at line " + std::to_string(line) + " column " + std::to_string(column);
}

Result<std::string, JsonError> JsonValue::string_text() const {
  return resolve_escapes(raw_, JsonError{"", line_, column_});
}

Result<JsonValue, JsonError> parse_json(std::string_view text) {
  return Parser(text).parse_document();
}

JsonError json_error_at(const JsonValue& value, std::string message) {
  return JsonError{std::move(message), value.line(), value.column()};
}

JsonError json_invalid_type(const JsonValue& value, std::string_view expected) {
  return json_error_at(value,
                       "invalid type: " + found_text(value) + ", expected " + std::string(expected));
}

std::string json_invalid_length_text(size_t found, std::string_view expected) {
  return "invalid length " + std::to_string(found) + ", expected " + std::string(expected);
}

JsonError json_trailing_characters(const JsonValue& value) {
  return json_error_at(value, "trailing characters");
}

namespace {

// Integers of a JSON number: the unsigned or signed value, or an error naming `expected`.
template <class T>
Result<T, JsonError> read_integer(const JsonValue& v, std::string_view expected) {
  if (v.kind() != JsonValue::Kind::kNumber ||
      v.number_kind() == JsonValue::NumberKind::kFloat) {
    return Err(json_invalid_type(v, expected));
  }
  if (v.number_kind() == JsonValue::NumberKind::kUnsigned) {
    if (v.as_unsigned() > static_cast<uint64_t>(std::numeric_limits<T>::max())) {
      return Err(invalid_value(v, expected));
    }
    return static_cast<T>(v.as_unsigned());
  }
  if constexpr (std::is_signed_v<T>) {
    return static_cast<T>(v.as_signed());
  } else {
    return Err(invalid_value(v, expected));
  }
}

}  // namespace

Result<uint8_t, JsonError> json_u8(const JsonValue& value) {
  return read_integer<uint8_t>(value, "u8");
}
Result<uint64_t, JsonError> json_u64(const JsonValue& value) {
  return read_integer<uint64_t>(value, "u64");
}
Result<int64_t, JsonError> json_i64(const JsonValue& value) {
  return read_integer<int64_t>(value, "i64");
}

Result<std::string, JsonError> json_string(const JsonValue& value) {
  if (value.kind() != JsonValue::Kind::kString) return Err(json_invalid_type(value, "a string"));
  return value.string_text();
}

Status<JsonError> json_read_record(const JsonValue& value, std::string_view record,
                                   std::span<const JsonField> fields,
                                   const JsonFieldVisitor& visit) {
  if (value.kind() == JsonValue::Kind::kArray) {
    const auto elements = value.elements();
    for (size_t i = 0; i < fields.size(); ++i) {
      if (i >= elements.size()) {
        return Err(json_error_at(
            value, json_invalid_length_text(i, "struct " + std::string(record) + " with " +
                                                   std::to_string(fields.size()) + " elements")));
      }
      KOVRA_TRY(visit(i, elements[i]));
    }
    if (elements.size() > fields.size()) {
      return Err(json_trailing_characters(elements[fields.size()]));
    }
    return {};
  }
  if (value.kind() != JsonValue::Kind::kObject) {
    return Err(json_invalid_type(value, "struct " + std::string(record)));
  }
  const auto keys = value.keys();
  const auto elements = value.elements();
  std::vector<bool> seen(fields.size(), false);
  for (size_t m = 0; m < keys.size(); ++m) {
    size_t f = 0;
    while (f < fields.size() && fields[f].name != keys[m]) ++f;
    if (f == fields.size()) continue;  // not declared: skipped
    if (seen[f]) return Err(json_error_at(elements[m], "duplicate field `" + keys[m] + "`"));
    seen[f] = true;
    KOVRA_TRY(visit(f, elements[m]));
  }
  for (size_t f = 0; f < fields.size(); ++f) {
    if (fields[f].required && !seen[f]) {
      return Err(json_error_at(value, "missing field `" + std::string(fields[f].name) + "`"));
    }
  }
  return {};
}

Status<JsonError> json_read_sequence(
    const JsonValue& value, const std::function<Status<JsonError>(const JsonValue&)>& visit) {
  if (value.kind() != JsonValue::Kind::kArray) return Err(json_invalid_type(value, "a sequence"));
  for (const JsonValue& element : value.elements()) KOVRA_TRY(visit(element));
  return {};
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
