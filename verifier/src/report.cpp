#include "verifier/report.h"

#include <algorithm>
#include <cstdio>

#include "base/hex.h"
#include "verifier/platform.h"
#include "verifier/program_exit.h"
#include "verifier/text.h"

namespace kovra::verifier {

void StdoutOutput::write(std::string_view bytes) {
  if (const auto e = platform::write_stdout(bytes)) exit_report_lost(*e);
}

void StderrOutput::write(std::string_view bytes) {
  if (const auto e = platform::flush_stdout()) exit_report_lost(*e);
  platform::write_stderr(bytes);
}

Environment Environment::of_process() {
  return Environment([](const std::string& name) { return platform::environment_variable(name); });
}

Environment Environment::of(std::map<std::string, std::string> vars) {
  return Environment([vars = std::move(vars)](const std::string& name) -> std::optional<std::string> {
    const auto it = vars.find(name);
    if (it == vars.end()) return std::nullopt;
    return it->second;
  });
}

std::optional<std::string> Environment::text(const std::string& name) const {
  auto v = raw(name);
  if (v && !is_valid_utf8(*v)) return std::nullopt;
  return v;
}

bool detect_colour(bool stdout_is_terminal, const Environment& env) {
  if (!stdout_is_terminal) return false;
  if (env.raw("NO_COLOR")) return false;
  const auto term = env.text("TERM");
  return !(term && *term == "dumb");
}

bool Report::colour_enabled() {
  std::call_once(colour_once_, [this] { colour_ = detect_ ? detect_() : false; });
  return colour_;
}

std::string Report::paint(std::string_view style, std::string_view text) {
  if (!colour_enabled()) return std::string(text);
  std::string out = "\x1b[";
  out.append(style).append("m").append(text).append("\x1b[0m");
  return out;
}

void Report::check_line(bool& all_passed, bool outcome, std::string_view label) {
  const std::string safe = escape_control(label);
  std::string text = "  ";
  if (outcome) {
    text += paint("32", "[✓]") + " " + safe;
  } else {
    text += paint("31", "[✗]") + " " + paint("1;31", safe);
  }
  line(text);
  all_passed = all_passed && outcome;
}

void Report::line(std::string_view text) {
  std::string l(text);
  l += '\n';
  out_.write(l);
}

void Report::line_escaped(std::string_view prefix, std::string_view untrusted) {
  out_.write(prefix);
  escape_control_to(untrusted, [this](std::string_view piece) { out_.write(piece); });
  out_.write("\n");
}

void Report::error_line(std::string_view text) {
  std::string l(text);
  l += '\n';
  err_.write(l);
}

std::string hex_lower(std::span<const uint8_t> bytes) { return base::hex_lower(bytes); }

std::string hex_prefix(std::span<const uint8_t> bytes, size_t n) {
  return base::hex_lower(bytes.first(std::min(n, bytes.size())));
}

std::array<std::string, 6> format_regime_buckets(const std::array<std::string_view, 6>& labels,
                                                 const core::RegimePanel& panel) {
  std::array<std::string, 6> out;
  for (size_t i = 0; i < 6; ++i) {
    char buf[96];
    std::snprintf(buf, sizeof buf, " %+.2f%%/bar (%u bars)",
                  static_cast<double>(panel.bucket_return_bps[i]) / 100.0,
                  static_cast<unsigned>(panel.bucket_bars[i]));
    out[i] = std::string(labels[i]) + buf;
  }
  return out;
}

namespace {

bool must_escape(uint32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// Escaped text is handed on in pieces of about this size.
constexpr size_t kEscapedPiece = size_t{1} << 16;

// Appends the lower-case hexadecimal digits of `v`, without leading zeros past `min_digits`.
void append_hex(std::string& out, uint32_t v, int min_digits) {
  static constexpr char kDigits[] = "0123456789abcdef";
  char buf[8];
  int n = 0;
  do {
    buf[n++] = kDigits[v & 0xF];
    v >>= 4;
  } while (v != 0 || n < min_digits);
  while (n > 0) out += buf[--n];
}

}  // namespace

void escape_control_to(std::string_view text, const std::function<void(std::string_view)>& out) {
  std::string piece;
  piece.reserve(std::min(text.size(), kEscapedPiece) + 16);
  size_t i = 0;
  while (i < text.size()) {
    // A run of printable ASCII, the common case, is taken whole.
    size_t j = i;
    while (j < text.size() && j - i < kEscapedPiece && text[j] >= 0x20 && text[j] < 0x7F) ++j;
    if (j > i) {
      piece.append(text.substr(i, j - i));
      i = j;
    } else if (const auto c = decode_utf8_at(text, i); !c) {
      piece += "\\x";
      append_hex(piece, uint8_t(text[i]), 2);
      ++i;
    } else {
      if (!must_escape(c->value)) {
        piece.append(text.substr(i, c->length));
      } else if (c->value == '\t') {
        piece += "\\t";
      } else if (c->value == '\n') {
        piece += "\\n";
      } else if (c->value == '\r') {
        piece += "\\r";
      } else {
        piece += "\\u{";
        append_hex(piece, c->value, 1);
        piece += '}';
      }
      i += c->length;
    }
    if (piece.size() >= kEscapedPiece) {
      out(piece);
      piece.clear();
    }
  }
  if (!piece.empty()) out(piece);
}

std::string escape_control(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  escape_control_to(text, [&out](std::string_view piece) { out.append(piece); });
  return out;
}

std::array<std::string, 6> format_regime_buckets(const core::RegimePanel& panel) {
  static constexpr const char* kLabels[6] = {"loVol·down", "loVol·up",   "midVol·down",
                                             "midVol·up",  "hiVol·down", "hiVol·up"};
  std::array<std::string, 6> out;
  for (size_t i = 0; i < 6; ++i) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s %+.2f%%/bar (%u bars)", kLabels[i],
                  static_cast<double>(panel.bucket_return_bps[i]) / 100.0, panel.bucket_bars[i]);
    out[i] = buf;
  }
  return out;
}

}  // namespace kovra::verifier
