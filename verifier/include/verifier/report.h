// The report toolkit shared by every mode.
//
// A run prints its report on standard output and its status-2 messages on standard error,
// both through one `Report`. Outcomes reach the report only through `check_line`, which
// prints "  [✓] label" or "  [✗] label" and ANDs the outcome into the caller's all-passed
// flag. Colour (ANSI SGR) is used only when standard output is a terminal, NO_COLOR is unset
// (any value, even empty, turns it off) and TERM is not "dumb"; the decision is made once, on
// the first `paint` or `colour_enabled` of the run, and cached for the rest of it.
//
// Style codes: "32" pass, "31" fail mark, "1;31" failed label and failure verdicts, "1;32"
// success verdicts, "36" information, "1" title, "2" dim.
//
// Text that comes from files or the command line (paths, issuer, labels) must pass through
// `escape_control` before it enters a line, so that a file cannot forge or hide report
// lines; `check_line` escapes its label itself.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "kovra-core/records.h"

namespace kovra::verifier {

// Where the report goes: standard output / error in the program, a string in tests.
class Output {
 public:
  virtual ~Output() = default;
  virtual void write(std::string_view bytes) = 0;
};

// The program's standard output and error. A write to standard output that fails ends the
// run (exit_report_lost, program_exit.h); a write to standard error flushes standard output
// first, so that merged streams keep the report's order.
class StdoutOutput final : public Output {
 public:
  void write(std::string_view bytes) override;
};

class StderrOutput final : public Output {
 public:
  void write(std::string_view bytes) override;
};

class StringOutput final : public Output {
 public:
  void write(std::string_view bytes) override { text.append(bytes); }
  std::string text;
};

// The run's environment variables, looked up by name.
class Environment {
 public:
  using Lookup = std::function<std::optional<std::string>(const std::string&)>;
  explicit Environment(Lookup lookup) : lookup_(std::move(lookup)) {}

  static Environment of_process();
  static Environment of(std::map<std::string, std::string> vars);

  // The value as set (any bytes); nullopt when unset.
  std::optional<std::string> raw(const std::string& name) const { return lookup_(name); }
  // The value when it is set and valid UTF-8; nullopt otherwise.
  std::optional<std::string> text(const std::string& name) const;

 private:
  Lookup lookup_;
};

// The colour decision from its inputs: a terminal, NO_COLOR unset, TERM not "dumb".
bool detect_colour(bool stdout_is_terminal, const Environment& env);

class Report {
 public:
  // `detect` is called at most once, on the first colour question of the run.
  Report(Output& out, Output& err, std::function<bool()> detect)
      : out_(out), err_(err), detect_(std::move(detect)) {}

  bool colour_enabled();

  // ESC "[" style "m" text ESC "[0m" with colour on; the text unchanged with colour off.
  std::string paint(std::string_view style, std::string_view text);

  // Prints "  {mark} {label}": a pass "[✓]" painted "32" and the label plain; a fail "[✗]"
  // painted "31" and the label painted "1;31". Then all_passed &= outcome.
  void check_line(bool& all_passed, bool outcome, std::string_view label);

  // One line (a newline is added) on standard output / standard error.
  void line(std::string_view text);
  // Part of a line on standard output, as it stands: a line whose length grows with the
  // input is written in pieces, so that it is never held whole.
  void text(std::string_view part) { out_.write(part); }
  // One line: `prefix` as it stands, then escape_control(`untrusted`) written in pieces of at
  // most about 64 KiB (a long issuer text is never held escaped whole), then the newline.
  void line_escaped(std::string_view prefix, std::string_view untrusted);
  void error_line(std::string_view text);

 private:
  Output& out_;
  Output& err_;
  std::function<bool()> detect_;
  std::once_flag colour_once_;
  bool colour_ = false;
};

// Lower-case hexadecimal, two digits per byte, no separators.
std::string hex_lower(std::span<const uint8_t> bytes);

// hex_lower of the first n bytes (all of them when there are fewer).
std::string hex_prefix(std::span<const uint8_t> bytes, size_t n);

// The regime buckets' labels, in bucket (regime label) order.
inline constexpr std::array<std::string_view, 6> kRegimeBucketLabels = {
    "loVol·down", "loVol·up", "midVol·down", "midVol·up", "hiVol·down", "hiVol·up"};

// One text per bucket, "{label} {return:+.2}%/bar ({bars} bars)": the bucket's mean return in
// basis points shown as a signed percentage with two decimals. The caller joins them with
// " · ".
std::array<std::string, 6> format_regime_buckets(const std::array<std::string_view, 6>& labels,
                                                 const core::RegimePanel& panel);

// The text with every control character escaped and everything else unchanged:
// "\t", "\n", "\r" for those three, "\u{1b}" style for the other C0 and C1 controls, DEL, the
// line and paragraph separators (U+2028, U+2029) and the bidirectional embedding, override and
// isolate characters (U+202A..U+202E, U+2066..U+2069), and "\xff" style for each byte that is
// not part of well-formed UTF-8.
std::string escape_control(std::string_view text);

// escape_control(text), handed to `out` in pieces of at most about 64 KiB, in order.
void escape_control_to(std::string_view text, const std::function<void(std::string_view)>& out);

// The six regime-bucket texts of a panel, in label order: "{label} {return:+.2}%/bar ({n}
// bars)" with the bucket's return in basis points shown as a percentage and the labels
// loVol·down, loVol·up, midVol·down, midVol·up, hiVol·down, hiVol·up.
std::array<std::string, 6> format_regime_buckets(const core::RegimePanel& panel);

}  // namespace kovra::verifier
