#include "verifier/report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "verifier/image_ids.h"

namespace kovra::verifier {
namespace {

struct Captured {
  StringOutput out, err;
  int detections = 0;
  Report report;
  explicit Captured(bool colour)
      : report(out, err, [this, colour] {
          ++detections;
          return colour;
        }) {}
};

TEST(Report, CheckLinesWithoutColour) {
  Captured c(false);
  bool all = true;
  c.report.check_line(all, true, "receipt verifies");
  EXPECT_TRUE(all);
  c.report.check_line(all, false, "data root matches");
  EXPECT_FALSE(all);
  c.report.check_line(all, true, "later pass");
  EXPECT_FALSE(all);  // only ever ANDed
  EXPECT_EQ(c.out.text,
            "  [✓] receipt verifies\n  [✗] data root matches\n  [✓] later pass\n");
  EXPECT_TRUE(c.err.text.empty());
}

TEST(Report, CheckLinesWithColour) {
  Captured c(true);
  bool all = true;
  c.report.check_line(all, true, "ok");
  c.report.check_line(all, false, "bad");
  EXPECT_EQ(c.out.text,
            "  \x1b[32m[✓]\x1b[0m ok\n"
            "  \x1b[31m[✗]\x1b[0m \x1b[1;31mbad\x1b[0m\n");
}

TEST(Report, PaintAndTheCachedDecision) {
  Captured on(true);
  EXPECT_EQ(on.report.paint("2", ""), "\x1b[2m\x1b[0m");
  EXPECT_EQ(on.report.paint("1;32", "yes"), "\x1b[1;32myes\x1b[0m");
  EXPECT_TRUE(on.report.colour_enabled());
  EXPECT_EQ(on.detections, 1);
  Captured off(false);
  EXPECT_EQ(off.report.paint("31", "x"), "x");
  EXPECT_EQ(off.detections, 1);
}

TEST(Report, ColourDecision) {
  const struct {
    bool terminal;
    std::map<std::string, std::string> env;
    bool colour;
  } cases[] = {
      {true, {}, true},
      {false, {}, false},                               // redirected to a file or pipe
      {true, {{"NO_COLOR", ""}}, false},                // any value, even empty
      {true, {{"NO_COLOR", "0"}}, false},
      {true, {{"TERM", "dumb"}}, false},
      {true, {{"TERM", "xterm-256color"}}, true},
      {true, {{"TERM", "Dumb"}}, true},                 // exact match only
      {true, {{"TERM", std::string("dumb\xff", 5)}}, true},  // not UTF-8: as unset
  };
  for (const auto& c : cases) {
    EXPECT_EQ(detect_colour(c.terminal, Environment::of(c.env)), c.colour);
  }
}

TEST(Report, Hex) {
  const std::vector<uint8_t> none;
  EXPECT_EQ(hex_lower(none), "");
  EXPECT_EQ(hex_lower(TRUSTED_IMAGE_ID),
            "3ac3b10b7930324d58948020c827bb2447bdb3d8eff85eb6a2fd10fb5214237b");
  EXPECT_EQ(hex_lower(CARRY_IMAGE_ID),
            "c921f127e0db82fe8d22446903bce8085bb06760222305b783738bd408dd077b");
  EXPECT_EQ(hex_lower(VRP_IMAGE_ID),
            "777a5c6ac14fc707df703e412d9896dd9b4ec13dc85833bb98fe4a4d787f44be");
  EXPECT_EQ(hex_prefix(TRUSTED_IMAGE_ID, 8), "3ac3b10b7930324d");
  const std::vector<uint8_t> three = {0xAB, 0x01, 0xff};
  EXPECT_EQ(hex_prefix(three, 8), "ab01ff");
}

TEST(Report, EscapesControlCharactersOnly) {
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"data/prices.csv", "data/prices.csv"},
      {"données/ÉTÉ — 価格 📈.csv", "données/ÉTÉ — 価格 📈.csv"},  // ordinary UTF-8 unchanged
      {"C:\\data\\x.csv", "C:\\data\\x.csv"},
      {"a\nb\rc\td", "a\\nb\\rc\\td"},
      {"x\x1b[2J\x1b[1;32m  [✓] forged", "x\\u{1b}[2J\\u{1b}[1;32m  [✓] forged"},
      {std::string("nul\0end", 7), "nul\\u{0}end"},
      {"del\x7f", "del\\u{7f}"},
      {"csi\xc2\x9b" "31m", "csi\\u{9b}31m"},            // C1 control U+009B
      {"rlo\xe2\x80\xae" "vsc.exe", "rlo\\u{202e}vsc.exe"},  // bidi override
      {"ls\xe2\x80\xa8  [✓] forged", "ls\\u{2028}  [✓] forged"},  // line separator
      {"ps\xe2\x80\xa9" "end", "ps\\u{2029}end"},                 // paragraph separator
      {"nbsp\xe2\x80\xaf" "ok", "nbsp\xe2\x80\xaf" "ok"},          // U+202F is printable
      {"bad\xff\xfe", "bad\\xff\\xfe"},                   // not UTF-8
      {"cut\xe2\x80", "cut\\xe2\\x80"},
  };
  for (const auto& c : cases) EXPECT_EQ(escape_control(c.in), c.out) << c.out;

  Captured r(false);
  bool all = true;
  r.report.check_line(all, false, "allowlist (roots\n  [✓] everything fine)");
  EXPECT_EQ(r.out.text, "  [✗] allowlist (roots\\n  [✓] everything fine)\n");
}

// Writes of one output, each kept apart.
class PieceOutput final : public Output {
 public:
  void write(std::string_view bytes) override { pieces.emplace_back(bytes); }
  std::vector<std::string> pieces;
};

// A long untrusted text is escaped and written in bounded pieces, never held escaped whole;
// the pieces make up exactly what escape_control gives, whatever is cut between them.
TEST(Report, LongTextIsEscapedInPieces) {
  std::string issuer;
  for (int i = 0; i < 40000; ++i) issuer += i % 3 == 0 ? "\x01" : i % 3 == 1 ? "é—" : "a\xff";
  PieceOutput out;
  StringOutput err;
  Report report(out, err, [] { return false; });
  report.line_escaped("  Issuer        : ", issuer);
  ASSERT_GT(out.pieces.size(), 3u);
  std::string joined;
  for (const auto& p : out.pieces) {
    EXPECT_LE(p.size(), (size_t{64} << 10) + 16);
    joined += p;
  }
  EXPECT_EQ(joined, "  Issuer        : " + escape_control(issuer) + "\n");
  EXPECT_TRUE(escape_control(issuer).starts_with("\\u{1}é—a\\xff\\u{1}"));
}

TEST(Report, RegimeBuckets) {
  core::RegimePanel panel;
  panel.bucket_return_bps = {-12, 0, 5, 123456, -1, INT64_MIN};
  panel.bucket_bars = {40, 0, 7, 1, 2, UINT32_MAX};
  const auto t = format_regime_buckets(kRegimeBucketLabels, panel);
  EXPECT_EQ(t[0], "loVol·down -0.12%/bar (40 bars)");
  EXPECT_EQ(t[1], "loVol·up +0.00%/bar (0 bars)");
  EXPECT_EQ(t[2], "midVol·down +0.05%/bar (7 bars)");
  EXPECT_EQ(t[3], "midVol·up +1234.56%/bar (1 bars)");
  EXPECT_EQ(t[4], "hiVol·down -0.01%/bar (2 bars)");
  // The i64 minimum is shown through the nearest double, as every figure is.
  EXPECT_EQ(t[5], "hiVol·up -92233720368547760.00%/bar (4294967295 bars)");
}

}  // namespace
}  // namespace kovra::verifier
