#include "verifier/price_csv.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "fed_pipe.h"
#include "verifier/report.h"
#include "test_files.h"

namespace kovra::verifier {
namespace {

using core::BarRecord;

std::vector<BarRecord> parse(std::string_view body) {
  return parse_price_csv(std::string("header\n") + std::string(body));
}

BarRecord flat(int64_t t, int64_t p) { return {t, p, p, p, p}; }

TEST(PriceCsv, RowsTable) {
  const struct {
    const char* body;  // after the header line
    std::vector<BarRecord> bars;
  } cases[] = {
      {"2024-01-15,100\n", {flat(1705276800, 100000000)}},
      {"2024-1-15,100\n", {flat(1705276800, 100000000)}},
      {"1700000000,42.5\n", {flat(1700000000, 42500000)}},
      {"+1700000000,42.5\n", {flat(1700000000, 42500000)}},
      // A time after the day: the third piece does not read, so the day is 0.
      {"2024-01-15T09:30:00Z,1\n", {flat(1703980800, 1000000)}},
      {"2024/01/15,1\n", {flat(0, 1000000)}},     // no minus sign, not an integer
      {"2024-01,1\n", {flat(0, 1000000)}},        // two pieces
      {"-86400,1\n", {flat(0, 1000000)}},         // a minus sign makes it a date
      {"17e8,1\n", {flat(0, 1000000)}},           // exponent in a timestamp
      {"9223372036854775808,1\n", {flat(0, 1000000)}},  // out of range
      {"2024-13-01,1\n", {flat(1735689600, 1000000)}},  // month 13 = January next year
      {"1970-01-01,1\n1969-12-31,1\n", {flat(0, 1000000), flat(-86400, 1000000)}},
      // Five and more fields: open, high, low, close; volume ignored.
      {"1,1.5,2.5,0.5,2,999\n", {{1, 1500000, 2500000, 500000, 2000000}}},
      // Three or four fields: field 1 only.
      {"1,7,8\n", {flat(1, 7000000)}},
      {"1,7,x,y\n", {flat(1, 7000000)}},
      {"1,,2,3,4\n", {}},          // five fields, open empty
      {"1,1,2,,4\n", {}},          // five fields, low empty: skipped though close reads
      {"1,abc\n", {}},             // price does not read
      {"1,\n", {}},                // empty price
      {"no comma here\n", {}},
      {"   \t \n", {}},
      {"\n\n", {}},
      {"2,1\n1,x\n3,2\n", {flat(2, 1000000), flat(3, 2000000)}},  // bad rows skipped
      {"date,close\n5,1\n", {flat(5, 1000000)}},  // a second header is just a bad row
      {"  7 , 3 \r\n", {flat(7, 3000000)}},       // trimmed fields, CRLF
      {"\u00a07,\u20033\u3000\n", {flat(7, 3000000)}},  // Unicode white space trimmed
      {"1,2", {flat(1, 2000000)}},                // last line without a newline
      {"-5,5", {flat(0, 5000000)}},
  };
  for (const auto& c : cases) EXPECT_EQ(parse(c.body), c.bars) << c.body;
}

TEST(PriceCsv, HeaderAndLineEndings) {
  EXPECT_TRUE(parse_price_csv("").empty());
  EXPECT_TRUE(parse_price_csv("time,close\n").empty());
  EXPECT_TRUE(parse_price_csv("time,close").empty());
  // The first line is skipped even when it is data.
  EXPECT_EQ(parse_price_csv("1,1\n2,2\n"), std::vector<BarRecord>{flat(2, 2000000)});
  // CRLF throughout.
  EXPECT_EQ(parse_price_csv("t,c\r\n1,1\r\n2,2\r\n"),
            (std::vector<BarRecord>{flat(1, 1000000), flat(2, 2000000)}));
  // Carriage returns alone: one line, the header.
  EXPECT_TRUE(parse_price_csv("t,c\r1,1\r2,2\r").empty());
}

TEST(PriceCsv, PriceTable) {
  const struct {
    const char* text;
    std::optional<int64_t> fixed;
  } cases[] = {
      {"100", 100000000},
      {"42.5", 42500000},
      {"+42.5", 42500000},
      {"-42.5", -42500000},
      {"0.0000025", 3},       // 2.5 rounds away from zero
      {"-0.0000025", -3},
      {"0.0000015", 2},
      {"0.0000005", 1},
      {"0.0000004", 0},
      {"1e3", 1000000000},
      {"1E3", 1000000000},
      {"1.", 1000000},
      {".5", 500000},
      {"1e-400", 0},          // underflows to zero
      {"1e400", INT64_MAX},   // overflows to infinity, then saturates
      {"-1e400", INT64_MIN},
      {"inf", INT64_MAX},
      {"+Infinity", INT64_MAX},
      {"-INF", INT64_MIN},
      {"nan", 0},
      {"NaN", 0},
      {"-nan", 0},
      {"9223372036854.775807", INT64_MAX},  // product at 2^63 saturates
      {"9223372036854.774", 9223372036854773760},  // just below 2^63: no saturation
      {"-9223372036854.775808", INT64_MIN},
      {"0", 0},
      {"-0", 0},
      {"", std::nullopt},
      {".", std::nullopt},
      {"+", std::nullopt},
      {"++1", std::nullopt},
      {"+-1", std::nullopt},
      {"--1", std::nullopt},
      {"1e", std::nullopt},
      {"e5", std::nullopt},
      {"0x10", std::nullopt},
      {"nan(1)", std::nullopt},
      {"infin", std::nullopt},
      {"1,5", std::nullopt},
      {"1 5", std::nullopt},
      {"１", std::nullopt},  // a full-width digit
  };
  for (const auto& c : cases) EXPECT_EQ(parse_price(c.text), c.fixed) << c.text;
}

TEST(PriceCsv, ParseI64OrZero) {
  const struct {
    const char* text;
    int64_t v;
  } cases[] = {{"12", 12},          {" +12 ", 12},  {"-12", -12},
               {"", 0},             {"+", 0},       {"-", 0},
               {"1.5", 0},          {"12a", 0},     {"9223372036854775807", INT64_MAX},
               {"-9223372036854775808", INT64_MIN}, {"9223372036854775808", 0}};
  for (const auto& c : cases) EXPECT_EQ(parse_i64_or_zero(c.text), c.v) << c.text;
}

TEST(PriceCsv, DatesExtrapolateAndWrapWithoutTrapping) {
  EXPECT_EQ(utc_midnight(2024, 1, 15), 1705276800);
  EXPECT_EQ(utc_midnight(2000, 3, 1), 951868800);
  EXPECT_EQ(utc_midnight(2024, 3, 0), utc_midnight(2024, 2, 29));  // day 0
  EXPECT_EQ(utc_midnight(-1, 1, 1), -62198755200);                 // year -1
  // Extreme parts wrap (the sanitizer build checks that no signed overflow occurs).
  (void)utc_midnight(INT64_MAX, INT64_MAX, INT64_MAX);
  (void)utc_midnight(INT64_MIN, INT64_MIN, INT64_MIN);
  (void)parse_timestamp("9223372036854775807-9223372036854775807-9223372036854775807");
}

TEST(PriceCsv, UnreadableFiles) {
  testing::TempDir dir;
  auto missing = load_price_csv(dir.file("missing.csv"));
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().message(),
            "cannot read csv " + dir.file("missing.csv") + ": No such file or directory (os error 2)");

  const auto bad = dir.write("bad.csv", "t,c\n1,\xff\n");
  auto not_utf8 = load_price_csv(bad);
  ASSERT_FALSE(not_utf8.ok());
  EXPECT_EQ(not_utf8.error().message(), "cannot read csv " + bad + ": stream did not contain valid UTF-8");

  auto directory = load_price_csv(dir.path().string());
  ASSERT_FALSE(directory.ok());
  EXPECT_NE(directory.error().text.find("Is a directory"), std::string::npos);

  // A path with control characters is shown escaped.
  EXPECT_EQ((CsvReadError{"a\nb\x1b[31m.csv", "x"}).message(), "cannot read csv a\\nb\\u{1b}[31m.csv: x");
}

TEST(PriceCsv, LoadsEveryListInOrderAndStopsAtTheFirstUnreadable) {
  testing::TempDir dir;
  const auto a = dir.write("a.csv", "t,c\n1,1\n");
  const auto e = dir.write("empty.csv", "");
  const auto b = dir.write("b.csv", "t,c\n2,2\n3,3\n");
  auto lists = load_price_csvs({a, e, b});
  ASSERT_TRUE(lists.ok());
  ASSERT_EQ(lists->size(), 3u);
  EXPECT_EQ((*lists)[0].size(), 1u);
  EXPECT_TRUE((*lists)[1].empty());
  EXPECT_EQ((*lists)[2].size(), 2u);
  EXPECT_EQ(close_series(*lists),
            (std::vector<std::vector<int64_t>>{{1000000}, {}, {2000000, 3000000}}));

  auto failed = load_price_csvs({a, dir.file("nope.csv"), dir.file("nope2.csv")});
  ASSERT_FALSE(failed.ok());
  EXPECT_EQ(failed.error().path, dir.file("nope.csv"));
}

// The bar limit counts bars, not lines: the header, empty lines and rows that do not read are
// free. A file at the limit loads; one bar more is the file's read error, from a regular
// file or a stream, even when the extra row is the last line and has no newline.
TEST(PriceCsv, BarLimit) {
  testing::TempDir dir;
  const struct {
    const char* text;
    const char* outcome;  // "ok" or the error's text
  } cases[] = {
      {"t,c\n1,1\n2,2\n3,3\n", "ok"},
      {"t,c\n,1\n\nx\n1,abc\n2,2\n\n3,3", "ok"},
      {"t,c\n1,1\n2,2\n3,3\n4,4\n", "file has more than the 3-bar limit"},
      {"t,c\n1,1\n2,2\n3,3\n,4", "file has more than the 3-bar limit"},
      {"t,c\n1,1\n2,2\n3,3\n4,\xff\n", "stream did not contain valid UTF-8"},
  };
  for (const auto& c : cases) {
    for (const bool stream : {false, true}) {
      std::optional<testing::FedPipe> pipe;
      if (stream) pipe.emplace(c.text);
      const std::string path = stream ? pipe->path() : dir.write("p.csv", c.text);
      auto loaded = PriceCsvLoader(3).load(path);
      const std::string outcome = loaded ? "ok" : loaded.error().text;
      EXPECT_EQ(outcome, c.outcome) << c.text << (stream ? " (stream)" : "");
      if (loaded) {
        EXPECT_EQ(*loaded, parse_price_csv(c.text));
      }
    }
  }
  EXPECT_EQ(kPriceCsvBarLimit, size_t{16777216});
  auto many = PriceCsvLoader(kPriceCsvBarLimit).load(dir.write("q.csv", "t\n1,1\n"));
  ASSERT_TRUE(many.ok());
  EXPECT_EQ(many->size(), 1u);
}

// The same bytes give the same error however they arrive: from a file, from a pipe in short
// pieces, and from a pipe whose writer pauses before the last line (its reader has then taken
// in every row before it). The first fault in the order of the text wins: one bar past the
// limit (the fourth here), or a line that is not UTF-8 (a bad line is never a bar).
TEST(PriceCsv, TheFirstFaultOfTheTextWinsHoweverItArrives) {
  testing::TempDir dir;
  const std::string limit = "file has more than the 3-bar limit";
  const std::string utf8 = "stream did not contain valid UTF-8";
  const struct {
    std::string text, outcome;
  } cases[] = {
      {"t,c\n1,1\n2,2\n3,3\n4,4\n\xff\n", limit},
      {"t,c\n1,1\n2,2\n3,3\n4,4\n5,5\n\xff", limit},
      {"t,c\n1,1\n2,2\n3,3\n4,4\xff\n", utf8},
      {"t,c\n1,1\n2,2\n3,3\n\xff\n4,4\n", utf8},
      {"t,c\n\xff\n1,1\n2,2\n3,3\n4,4\n", utf8},
      {"t,\xff\n1,1\n2,2\n3,3\n4,4\n", utf8},
  };
  for (const auto& c : cases) {
    const size_t last_line = c.text.rfind('\n', c.text.size() - 2) + 1;
    for (const int how : {0, 1, 2}) {
      std::optional<testing::FedPipe> pipe;
      if (how > 0) pipe.emplace(c.text, false, how == 2 ? last_line : SIZE_MAX);
      auto loaded = PriceCsvLoader(3).load(how > 0 ? pipe->path() : dir.write("p.csv", c.text));
      ASSERT_FALSE(loaded.ok());
      EXPECT_EQ(loaded.error().text, c.outcome) << escape_control(c.text) << " read " << how;
    }
  }
}

// A file past the byte limit is refused as such, whatever its text holds: a regular file by
// its size, before it is read; a stream that meets a fault early is read on to its limit.
TEST(PriceCsv, AFilePastTheByteLimitIsRefusedAsSuchWhateverItHolds) {
  testing::TempDir dir;
  const std::string text = "t,c\n\xff\n";
  const std::string path = dir.write("big.csv", text);
  ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(kPriceCsvLimit + 1)), 0);
  testing::FedPipe endless(text, true);
  for (const std::string& p : {path, endless.path()}) {
    auto loaded = load_price_csv(p);
    ASSERT_FALSE(loaded.ok());
    EXPECT_EQ(loaded.error().text, "file is larger than the 256 MiB limit") << p;
  }
}

}  // namespace
}  // namespace kovra::verifier

namespace kovra::verifier {
namespace {

// The loader reads in 1 MiB blocks; files across several blocks give what the whole text
// gives: lines and UTF-8 sequences that straddle a block edge, a line longer than a block,
// and bytes that are not UTF-8 far past the first block.
TEST(PriceCsv, BlockEdgesDoNotChangeTheResult) {
  testing::TempDir dir;
  std::string text = "t,c\n";
  for (int i = 0; text.size() < (size_t{3} << 20); ++i) {
    text += std::to_string(1700000000 + i) + ", " + std::to_string(i % 1000) + ".25\u00a0\r\n";
    if (i % 4099 == 0) text += "# note é 価格 " + std::string(size_t(i % 97), 'x') + "\n";
  }
  text += std::string(size_t{3} << 20, ' ') + "5,5\n";  // one line of 3 MiB
  text += "6,6";                                       // no final newline
  const auto path = dir.write("big.csv", text);
  auto loaded = load_price_csv(path);
  ASSERT_TRUE(loaded.ok());
  const auto expected = parse_price_csv(text);
  EXPECT_GT(expected.size(), 60000u);
  EXPECT_EQ(*loaded, expected);

  // A three-byte character across the first block edge.
  std::string edge = "t,c\n";
  edge += std::string((size_t{1} << 20) - edge.size() - 1, ' ') + "\u4ef7" + ",1\n9,9\n";
  auto e = load_price_csv(dir.write("edge.csv", edge));
  ASSERT_TRUE(e.ok());
  EXPECT_EQ(*e, parse_price_csv(edge));

  text[(size_t{5} << 19) + 7] = '\xff';  // inside the third block
  auto bad = load_price_csv(dir.write("bad.csv", text));
  ASSERT_FALSE(bad.ok());
  EXPECT_EQ(bad.error().text, "stream did not contain valid UTF-8");
}

}  // namespace
}  // namespace kovra::verifier

namespace kovra::verifier {
namespace {

// Plain decimals take a shorter road than other numbers; both must give the nearest double.
// Compared here with the C library's correctly rounded strtod (the tests run in the "C"
// locale) over many random plain decimals of up to 15 digits, signs and edge forms included.
TEST(PriceCsv, PlainDecimalsAgreeWithTheGeneralReader) {
  uint64_t state = 0x9e3779b97f4a7c15ull;
  auto next = [&] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  for (int n = 0; n < 200000; ++n) {
    std::string s = (next() % 3 == 0) ? "-" : "";
    const int digits = 1 + static_cast<int>(next() % 15);
    const int point = static_cast<int>(next() % static_cast<uint64_t>(digits + 2)) - 1;  // -1: none
    for (int d = 0; d < digits; ++d) {
      if (d == point) s += '.';
      s += static_cast<char>('0' + next() % 10);
    }
    if (point == digits) s += '.';
    const double expected = std::strtod(s.c_str(), nullptr);
    const double scaled = std::round(expected * 1e6);
    const int64_t fixed = scaled >= 9223372036854775808.0    ? INT64_MAX
                          : scaled <= -9223372036854775808.0 ? INT64_MIN
                                                              : static_cast<int64_t>(scaled);
    ASSERT_EQ(parse_price(s), fixed) << s;
  }
}

}  // namespace
}  // namespace kovra::verifier
