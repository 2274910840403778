#include "base/json.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/testing/json_walk.h"
#include "base/text.h"

namespace kovra::base {
namespace {

using testing::json_read_all_text;
using testing::json_skip_text;

std::optional<std::string> error_of(const Status<JsonError>& status) {
  if (status) return std::nullopt;
  return status.error().message;
}

// The error message of `text` read in full, or nullopt when it reads.
std::optional<std::string> read_error(std::string_view text) {
  return error_of(json_read_all_text(text));
}

// The error message of `text` skipped (checked against the grammar), or nullopt.
std::optional<std::string> skip_error(std::string_view text) {
  return error_of(json_skip_text(text));
}

// Runs `read` on a reader over `text` and checks that only white space follows.
template <class Read>
auto read_text(std::string_view text, Read read) -> decltype(read(std::declval<JsonReader&>())) {
  JsonReader reader(text);
  KOVRA_ASSIGN_OR_RETURN(auto value, read(reader));
  KOVRA_TRY(reader.finish());
  return value;
}

Result<JsonScalar, JsonError> scalar(std::string_view text) {
  return read_text(text, [](JsonReader& r) { return r.read_scalar(); });
}

TEST(JsonGrammar, AcceptsTheStrictGrammarAndNamesEachFault) {
  struct Case {
    const char* text;
    const char* error;    // nullptr: reads
    bool skips = false;  // refused only when read: skipping checks the grammar alone
  };
  const Case cases[] = {
      {"null", nullptr},
      {" \t\r\n{ \"a\" : [1, -2, 3.5e-1, true, false, null, \"x\"] } \n", nullptr},
      {"[]", nullptr},
      {"{}", nullptr},
      {"\"\\\"\\\\\\/\\b\\f\\n\\r\\t\\u00e9\"", nullptr},
      {"\"caf\xc3\xa9 \xe2\x80\xa6 \xf0\x9f\x8f\xb7\"", nullptr},
      {"", "EOF while parsing a value"},
      {"   ", "EOF while parsing a value"},
      {"nul", "EOF while parsing a value"},
      {"nulL", "expected ident"},
      {"True", "expected value"},
      {"'a'", "expected value"},
      {"[1,]", "trailing comma"},
      {"{\"a\":1,}", "trailing comma"},
      {"[1 2]", "expected `,` or `]`"},
      {"{\"a\":1 \"b\":2}", "expected `,` or `}`"},
      {"{\"a\" 1}", "expected `:`"},
      {"{a:1}", "key must be a string"},
      {"{1:1}", "key must be a string"},
      {"[1", "EOF while parsing a list"},
      {"[", "EOF while parsing a list"},
      {"{\"a\":1", "EOF while parsing an object"},
      {"\"abc", "EOF while parsing a string"},
      {"\"a\\x\"", "invalid escape"},
      {"\"\\u12g4\"", "invalid escape"},
      {"\"a\nb\"", "control character (\\u0000-\\u001F) found while parsing a string"},
      {"\"a\tb\"", "control character (\\u0000-\\u001F) found while parsing a string"},
      {"\"\xff\"", "invalid unicode code point"},
      {"\"\xc3\"", "invalid unicode code point"},
      {"\"\xed\xa0\x80\"", "invalid unicode code point"},  // an encoded surrogate
      {"\"\xc0\xaf\"", "invalid unicode code point"},      // an overlong form
      {"01", "invalid number"},
      {"-", "EOF while parsing a value"},
      {"-a", "invalid number"},
      {"1.", "EOF while parsing a value"},
      {"1.e5", "invalid number"},
      {"1e", "EOF while parsing a value"},
      {"1e+", "EOF while parsing a value"},
      {"+1", "expected value"},
      {".5", "expected value"},
      {"1e400", "number out of range", true},
      {"-1e400", "number out of range", true},
      {"[0, 1e400]", "number out of range", true},
      {"1e-400", nullptr},  // underflow reads as zero
      {"\"\\udc00\"", "lone leading surrogate in hex escape", true},
      {"{\"\\udc00\": 1}", "lone leading surrogate in hex escape", true},
      {"{} x", "trailing characters"},
      {"1 2", "trailing characters"},
      {"{}\f", "trailing characters"},  // form feed is not JSON white space
      {"/* c */ {}", "expected value"},
  };
  for (const Case& c : cases) {
    const auto read = read_error(c.text);
    const auto skipped = skip_error(c.text);
    if (c.error == nullptr) {
      EXPECT_FALSE(read.has_value()) << c.text << " -> " << read.value_or("");
    } else {
      EXPECT_EQ(read.value_or("(read)"), c.error) << c.text;
    }
    // Skipping and reading share the grammar and its messages.
    EXPECT_EQ(skipped, c.skips ? std::nullopt : read) << c.text;
  }
  EXPECT_EQ(read_error(std::string_view("{}\0", 3)).value_or(""), "trailing characters");
}

TEST(JsonGrammar, ErrorsCarryLineAndColumn) {
  const char* text = "{\n  \"a\": 1,\n  \"b\" 2\n}";
  EXPECT_EQ(json_read_all_text(text).error().to_string(), "expected `:` at line 3 column 7");
  EXPECT_EQ(json_skip_text(text).error().to_string(), "expected `:` at line 3 column 7");
  JsonReader v("{\n  \"size\": -1\n}");
  JsonKey key;
  ASSERT_TRUE(v.begin_object().ok());
  ASSERT_TRUE(v.next_member(key).value());
  EXPECT_EQ(key.raw, "size");
  EXPECT_EQ(key.position.line, 2u);
  EXPECT_EQ(key.position.column, 3u);
  EXPECT_EQ(json_u64(v).error().to_string(),
            "invalid value: integer `-1`, expected u64 at line 2 column 11");
  EXPECT_EQ(json_skip_text("[\"a\",\r\n\t[1 2]]").error().to_string(),
            "expected `,` or `]` at line 2 column 5");
}

TEST(JsonGrammar, NestingIsBoundedBelowTheRecursionLimit) {
  const int deepest = kJsonRecursionLimit - 1;
  const std::string ok = std::string(deepest, '[') + std::string(deepest, ']');
  const std::string too_deep = std::string(deepest + 1, '[') + std::string(deepest + 1, ']');
  // Siblings do not add up: only the depth counts.
  std::string wide = "[";
  for (int i = 0; i < 500; ++i) wide += std::string(100, '[') + std::string(100, ']') + ",";
  wide += "0]";
  std::string objects;
  for (int i = 0; i < deepest; ++i) objects += i % 2 == 0 ? "{\"a\":" : "[";
  objects += "0";
  for (int i = deepest - 1; i >= 0; --i) objects += i % 2 == 0 ? "}" : "]";
  for (auto* check : {&read_error, &skip_error}) {
    EXPECT_EQ(check(ok), std::nullopt);
    EXPECT_EQ(check(too_deep).value_or(""), "recursion limit exceeded");
    EXPECT_EQ(check(wide), std::nullopt);
    EXPECT_EQ(check(objects), std::nullopt);
    EXPECT_EQ(check("[" + objects + "]").value_or(""), "recursion limit exceeded");
    // A hostile file of a million brackets is refused, not a stack overflow.
    EXPECT_EQ(check(std::string(1'000'000, '{')).value_or(""), "key must be a string");
    EXPECT_EQ(check(std::string(1'000'000, '[')).value_or(""), "recursion limit exceeded");
  }
}

TEST(JsonNumbers, KeepIntegersAsWrittenAndEverythingElseAsFloatingPoint) {
  using NK = JsonScalar::NumberKind;
  struct Case {
    const char* text;
    NK kind;
  };
  const Case cases[] = {
      {"0", NK::kUnsigned},
      {"18446744073709551615", NK::kUnsigned},
      {"18446744073709551616", NK::kFloat},
      {"-1", NK::kSigned},
      {"-9223372036854775808", NK::kSigned},
      {"-9223372036854775809", NK::kFloat},
      {"-0", NK::kFloat},
      {"1.0", NK::kFloat},
      {"1e2", NK::kFloat},
      {"1E+2", NK::kFloat},
  };
  for (const Case& c : cases) {
    auto v = scalar(c.text);
    ASSERT_TRUE(v.ok()) << c.text;
    EXPECT_EQ(v->kind, JsonKind::kNumber);
    EXPECT_EQ(v->number_kind, c.kind) << c.text;
  }
  EXPECT_EQ(scalar("18446744073709551615")->unsigned_value, UINT64_MAX);
  EXPECT_EQ(scalar("-9223372036854775808")->signed_value, INT64_MIN);
  EXPECT_EQ(scalar(" 2.5 ")->float_value, 2.5);
  // An array or an object is named by its kind and left unread.
  JsonReader r(" [1]");
  EXPECT_EQ(r.read_scalar()->kind, JsonKind::kArray);
  EXPECT_EQ(r.position().column, 2u);
  EXPECT_TRUE(r.skip_value().ok());
}

TEST(JsonIntegers, AreStrictAboutTypeAndRange) {
  enum Reader { kU8, kU64, kI64 };
  struct Case {
    Reader reader;
    const char* text;
    int64_t value;       // when error is nullptr
    const char* error;
  };
  const Case cases[] = {
      {kU8, "0", 0, nullptr},
      {kU8, "255", 255, nullptr},
      {kU8, "256", 0, "invalid value: integer `256`, expected u8"},
      {kU8, "-1", 0, "invalid value: integer `-1`, expected u8"},
      {kU8, "1.0", 0, "invalid type: floating point `1.0`, expected u8"},
      {kU8, "\"7\"", 0, "invalid type: string \"7\", expected u8"},
      {kU8, "null", 0, "invalid type: null, expected u8"},
      {kU64, "18446744073709551615", -1, nullptr},
      {kU64, "-1", 0, "invalid value: integer `-1`, expected u64"},
      {kU64, "1.5", 0, "invalid type: floating point `1.5`, expected u64"},
      {kU64, "1e3", 0, "invalid type: floating point `1000.0`, expected u64"},
      {kU64, "18446744073709551616", 0, "invalid type: floating point `1.8446744073709552e19`, expected u64"},
      {kU64, "true", 0, "invalid type: boolean `true`, expected u64"},
      {kU64, "[1]", 0, "invalid type: sequence, expected u64"},
      {kU64, "{}", 0, "invalid type: map, expected u64"},
      {kI64, "-9223372036854775808", INT64_MIN, nullptr},
      {kI64, "9223372036854775807", INT64_MAX, nullptr},
      {kI64, "9223372036854775808", 0, "invalid value: integer `9223372036854775808`, expected i64"},
      {kI64, "-0", 0, "invalid type: floating point `-0.0`, expected i64"},
      {kI64, "0.0000015", 0, "invalid type: floating point `1.5e-6`, expected i64"},
      {kI64, "0.00015", 0, "invalid type: floating point `0.00015`, expected i64"},
      {kI64, "-1.5", 0, "invalid type: floating point `-1.5`, expected i64"},
  };
  for (const Case& c : cases) {
    JsonReader v(c.text);
    std::optional<int64_t> got;
    std::string error;
    auto take = [&](auto r) {
      if (r) got = static_cast<int64_t>(*r); else error = r.error().message;
    };
    if (c.reader == kU8) take(json_u8(v));
    if (c.reader == kU64) take(json_u64(v));
    if (c.reader == kI64) take(json_i64(v));
    if (c.error == nullptr) {
      ASSERT_TRUE(got.has_value()) << c.text << ": " << error;
      EXPECT_EQ(*got, c.value) << c.text;
    } else {
      EXPECT_EQ(error, c.error) << c.text;
    }
  }
}

Result<std::string, JsonError> string_of(std::string_view text) {
  return read_text(text, [](JsonReader& r) { return json_string(r); });
}

TEST(JsonStrings, ResolveEscapesAndSurrogatePairsWhenRead) {
  EXPECT_EQ(*string_of("\"a\\u00e9\\ud83c\\udff7\\n\""), "a\xc3\xa9\xf0\x9f\x8f\xb7\n");
  EXPECT_EQ(*string_of("\"\\u0000\""), std::string(1, '\0'));
  const struct {
    const char* text;
    const char* error;
  } lone[] = {
      {"\"\\udc00\"", "lone leading surrogate in hex escape"},
      {"\"\\ud800\"", "unexpected end of hex escape"},
      {"\"\\ud800x\"", "unexpected end of hex escape"},
      {"\"\\ud800\\n\"", "unexpected end of hex escape"},
      {"\"\\ud800\\u0041\"", "lone leading surrogate in hex escape"},
  };
  for (const auto& c : lone) {
    EXPECT_EQ(skip_error(c.text), std::nullopt) << c.text;  // the grammar holds
    EXPECT_EQ(string_of(c.text).error().message, c.error) << c.text;  // refused when read
  }
  EXPECT_EQ(string_of("12").error().message, "invalid type: integer `12`, expected a string");
  EXPECT_EQ(string_of("\"a\\\"b\"").value(), "a\"b");
  JsonReader quoted("\"a\\\"b\\\\\"");
  EXPECT_EQ(json_u8(quoted).error().message,
            "invalid type: string \"a\\\"b\\\\\", expected u8");
}

// A record of three fields, the last one optional, read through json_read_record.
struct Sample {
  uint64_t size = 0;
  std::string name;
  std::optional<std::string> note;
};

constexpr JsonField kSampleFields[] = {{"size"}, {"name"}, {"note", false}};

Result<Sample, JsonError> read_sample(std::string_view text) {
  JsonReader reader(text);
  Sample s;
  KOVRA_TRY(json_read_record(reader, "Sample", kSampleFields,
                             [&](size_t field, JsonReader& value) -> Status<JsonError> {
                               switch (field) {
                                 case 0: { KOVRA_ASSIGN_OR_RETURN(s.size, json_u64(value)); break; }
                                 case 1: { KOVRA_ASSIGN_OR_RETURN(s.name, json_string(value)); break; }
                                 default: {
                                   KOVRA_ASSIGN_OR_RETURN(const bool none, value.take_null());
                                   if (!none) {
                                     KOVRA_ASSIGN_OR_RETURN(s.note, json_string(value));
                                   }
                                 }
                               }
                               return {};
                             }));
  KOVRA_TRY(reader.finish());
  return s;
}

TEST(JsonRecords, ReadFromAnObjectOrAnArrayWithTheRecordRules) {
  struct Case {
    const char* text;
    const char* error;  // nullptr: reads as size 7, name "x"
  };
  const Case cases[] = {
      {"{\"size\":7,\"name\":\"x\"}", nullptr},
      {"{\"name\":\"x\",\"size\":7}", nullptr},
      {"{\"name\":\"x\",\"version\":{\"deep\":[1,{\"size\":\"no\"}]},\"size\":7}", nullptr},
      {"{\"extra\":1,\"extra\":2,\"size\":7,\"name\":\"x\"}", nullptr},  // undeclared twice: skipped
      {"{\"size\":7,\"name\":\"x\",\"note\":null}", nullptr},
      {"[7,\"x\",null]", nullptr},
      {"{\"size\":7}", "missing field `name`"},
      {"{}", "missing field `size`"},
      {"{\"size\":7,\"name\":\"x\",\"size\":8}", "duplicate field `size`"},
      {"{\"size\":7,\"size\":8}", "duplicate field `size`"},  // before the missing name
      {"{\"size\":7,\"name\":\"x\",\"note\":null,\"note\":null}", "duplicate field `note`"},
      {"{\"size\":-7,\"name\":\"x\"}", "invalid value: integer `-7`, expected u64"},
      {"{\"size\":7,\"name\":5}", "invalid type: integer `5`, expected a string"},
      {"[7,\"x\"]", "invalid length 2, expected struct Sample with 3 elements"},
      {"[]", "invalid length 0, expected struct Sample with 3 elements"},
      {"[7,\"x\",null,1]", "trailing characters"},
      {"[\"x\",7,null]", "invalid type: string \"x\", expected u64"},
      {"\"size\"", "invalid type: string \"size\", expected struct Sample"},
      {"null", "invalid type: null, expected struct Sample"},
      {"7", "invalid type: integer `7`, expected struct Sample"},
      {"{\"si\\u007ae\":7,\"name\":\"x\"}", nullptr},  // a key is matched by its text
      {"{\"\\udc00\":7}", "lone leading surrogate in hex escape"},  // a record's keys are read
      {"{\"size\":7,\"name\":\"x\",\"note\":nul", "EOF while parsing a value"},
      {"{\"size\":7,\"name\":\"x\",\"note\":nulL}", "expected ident"},
      // One pass in text order: the first fault found ends the reading.
      {"{\"size\":-7,\"name\":\"x\",}", "invalid value: integer `-7`, expected u64"},
      {"{\"size\":7,\"size\":[}", "duplicate field `size`"},
      {"{\"size\":7,\"name\":\"x\"} [", "trailing characters"},
  };
  for (const Case& c : cases) {
    auto r = read_sample(c.text);
    if (c.error == nullptr) {
      ASSERT_TRUE(r.ok()) << c.text << ": " << r.error().message;
      EXPECT_EQ(r->size, 7u);
      EXPECT_EQ(r->name, "x");
      EXPECT_FALSE(r->note.has_value());
    } else {
      ASSERT_FALSE(r.ok()) << c.text;
      EXPECT_EQ(r.error().message, c.error) << c.text;
    }
  }
  auto with_note = read_sample("[1,\"n\",\"hello\"]");
  ASSERT_TRUE(with_note.ok());
  EXPECT_EQ(with_note->note.value_or(""), "hello");
}

TEST(JsonRecords, SkipUndeclaredValuesOfAnyShapeButRefuseBadGrammar) {
  std::string zeros = "[0";
  for (int i = 1; i < 1'000'000; ++i) zeros += ",0";
  zeros += "]";
  // The record's object is one level, so a member's value may nest 126 more.
  const int deepest = kJsonRecursionLimit - 2;
  std::string deep_objects;
  for (int i = 0; i < deepest; ++i) deep_objects += "{\"size\":";
  deep_objects += "\"no\"" + std::string(deepest, '}');
  struct Case {
    std::string value;  // under the undeclared key "x", between two declared members
    const char* error;  // nullptr: the record reads
  };
  const Case cases[] = {
      {zeros, nullptr},
      {"1e400", nullptr},
      {"-1e400", nullptr},
      {"[1e400, -1e999999999999]", nullptr},
      {"123456789012345678901234567890", nullptr},
      {"\"\\udc00\"", nullptr},
      {"{\"\\ud800\": \"\\ud800\\u0041\", \"a\": 1, \"a\": 2}", nullptr},
      {"[true, false, null, -0.5e-3, \"caf\xc3\xa9\", {}, []]", nullptr},
      {std::string(deepest, '[') + std::string(deepest, ']'), nullptr},
      {deep_objects, nullptr},
      {std::string(deepest + 1, '[') + std::string(deepest + 1, ']'), "recursion limit exceeded"},
      {"{\"a\":" + deep_objects + "}", "recursion limit exceeded"},
      {std::string(1'000'000, '['), "recursion limit exceeded"},
      // Faults inside the skipped value, at some depth.
      {"[0, {\"a\": [1,]}]", "trailing comma"},
      {"{\"a\": {\"b\": 1,}}", "trailing comma"},
      {"[[1 2]]", "expected `,` or `]`"},
      {"[{\"a\":1 \"b\":2}]", "expected `,` or `}`"},
      {"{\"a\": {\"b\" 1}}", "expected `:`"},
      {"{\"a\": [{b:1}]}", "key must be a string"},
      {"[", "expected value"},
      {"[\"ok\", \"a\\x\"]", "invalid escape"},
      {"{\"k\nk\": 1}", "control character (\\u0000-\\u001F) found while parsing a string"},
      {"[[\"\xed\xa0\x80\"]]", "invalid unicode code point"},
      {"[01]", "invalid number"},
      {"[1.]", "invalid number"},
      {"{\"a\": -}", "invalid number"},
      {"[nul]", "expected ident"},
      {"['a']", "expected value"},
  };
  for (const Case& c : cases) {
    const std::string text = "{\"size\":7,\"x\":" + c.value + ",\"name\":\"x\"}";
    auto r = read_sample(text);
    const std::string shown = c.value.substr(0, 40);
    if (c.error == nullptr) {
      ASSERT_TRUE(r.ok()) << shown << ": " << r.error().message;
      EXPECT_EQ(r->size, 7u);
      EXPECT_EQ(r->name, "x");
    } else {
      ASSERT_FALSE(r.ok()) << shown;
      EXPECT_EQ(r.error().message, c.error) << shown;
    }
  }
  // A skipped value that runs off the end of the text.
  EXPECT_EQ(read_sample("{\"x\": [0, {\"a\": ").error().message, "EOF while parsing a value");
  EXPECT_EQ(read_sample("{\"x\": [0, 1").error().message, "EOF while parsing a list");
  EXPECT_EQ(read_sample("{\"x\": {\"a\": 1").error().message, "EOF while parsing an object");
  EXPECT_EQ(read_sample("{\"x\": \"abc").error().message, "EOF while parsing a string");
}

TEST(JsonRecords, FixedByteArraysNeedExactlyTheirLength) {
  std::string ok = "[";
  for (int i = 0; i < 32; ++i) ok += std::to_string(i * 8) + (i < 31 ? "," : "]");
  auto bytes = read_text(ok, [](JsonReader& r) { return json_byte_array<32>(r); });
  ASSERT_TRUE(bytes.ok());
  EXPECT_EQ((*bytes)[0], 0);
  EXPECT_EQ((*bytes)[31], 248);

  std::string zeros31 = "[0";
  for (int i = 0; i < 30; ++i) zeros31 += ",0";
  struct Case {
    std::string text;
    const char* error;
  };
  const Case cases[] = {
      {zeros31 + "]", "invalid length 31, expected an array of length 32"},
      {zeros31 + ",0,0]", "trailing characters"},
      {zeros31 + ",256]", "invalid value: integer `256`, expected u8"},
      {zeros31 + ",-1]", "invalid value: integer `-1`, expected u8"},
      {zeros31 + ",1.0]", "invalid type: floating point `1.0`, expected u8"},
      {"\"00ff\"", "invalid type: string \"00ff\", expected an array of length 32"},
      {"null", "invalid type: null, expected an array of length 32"},
  };
  for (const Case& c : cases) {
    JsonReader v(c.text);
    auto r = json_byte_array<32>(v);
    ASSERT_FALSE(r.ok()) << c.text;
    EXPECT_EQ(r.error().message, c.error) << c.text;
  }
}

TEST(JsonRecords, SequencesVisitEveryElement) {
  int sum = 0;
  JsonReader v("[1,2,3]");
  ASSERT_TRUE(json_read_sequence(v, [&](JsonReader& e) -> Status<JsonError> {
                KOVRA_ASSIGN_OR_RETURN(uint64_t n, json_u64(e));
                sum += static_cast<int>(n);
                return {};
              }).ok());
  EXPECT_TRUE(v.finish().ok());
  EXPECT_EQ(sum, 6);
  JsonReader map("{}");
  EXPECT_EQ(json_read_sequence(map, [](JsonReader&) { return Status<JsonError>{}; }).error().message,
            "invalid type: map, expected a sequence");
}

TEST(JsonFieldValue, LooksUpOneKeyWithoutParsing) {
  struct Case {
    const char* text;
    const char* key;
    const char* value;
  };
  const Case cases[] = {
      {"{\"commitment\": \"ab12\", \"committed_at\": 1700000000}", "commitment", "ab12"},
      {"{\"commitment\": \"ab12\", \"committed_at\": 1700000000}", "committed_at", "1700000000"},
      {"{\"committed_at\":1700000000}", "committed_at", "1700000000"},
      {"{\"committed_at\": \"1700000000\"}", "committed_at", "1700000000"},
      {"{\"committed_at\": -5 }", "committed_at", "-5"},
      {"{\"a\": 1}", "committed_at", ""},
      {"{\"committed_at\":\n 17}", "committed_at", ""},      // value on the next line
      {"{\"k\" :: \"v\"}", "k", "v"},                         // spaces and colons skipped
      {"{\"k\": \"v", "k", "v"},                              // unclosed quote: to the end
      {"{\"k\": \"a\\\"b\"}", "k", "a\\"},                    // no escapes recognised
      {"{\"k\": \" padded \"}", "k", " padded "},             // quoted values are not trimmed
      {"{\"k\":\t7\t}", "k", "7"},                            // unquoted values are trimmed
      {"{\"k\": 1\"k\": 2}", "k", "1"},                       // a second mention bounds the piece
      {"{\"k\"\"k\": 2}", "k", ""},
      {"{\"k\": true}", "k", "true"},
      {"{\"kk\": 1, \"k\": 2}", "k", "2"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(json_field_value(c.text, c.key), c.value) << c.text;
  }
}

TEST(WhiteSpace, TrimsAndSplitsAtUnicodeWhiteSpace) {
  EXPECT_EQ(trim_white_space(" \t\r\n x y \xc2\xa0\xe3\x80\x80"), "x y");
  EXPECT_EQ(trim_white_space("\xe2\x80\x80" "a" "\xe2\x80\xa8"), "a");  // U+2000, U+2028
  EXPECT_EQ(trim_white_space("\xe2\x80\xa6"), "\xe2\x80\xa6");          // U+2026 is not space
  EXPECT_EQ(trim_white_space(""), "");
  EXPECT_EQ(trim_white_space("\xff "), "\xff");
  const auto words = split_white_space("  a\tb   c\xc2\x85" "d\xe2\x80\x8b" "e ");
  ASSERT_EQ(words.size(), 4u);
  EXPECT_EQ(words[0], "a");
  EXPECT_EQ(words[1], "b");
  EXPECT_EQ(words[2], "c");
  EXPECT_EQ(words[3], "d\xe2\x80\x8b" "e");  // U+200B (zero width space) is not White_Space
  EXPECT_TRUE(split_white_space(" \t ").empty());
}

}  // namespace
}  // namespace kovra::base
