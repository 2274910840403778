#include "verifier/report.h"

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
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) ||
         (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

std::string escape_control(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto c = decode_utf8_at(text, i);
    char buf[16];
    if (!c) {
      std::snprintf(buf, sizeof buf, "\\x%02x", static_cast<unsigned>(uint8_t(text[i])));
      out += buf;
      ++i;
      continue;
    }
    if (!must_escape(c->value)) {
      out.append(text.substr(i, c->length));
    } else if (c->value == '\t') {
      out += "\\t";
    } else if (c->value == '\n') {
      out += "\\n";
    } else if (c->value == '\r') {
      out += "\\r";
    } else {
      std::snprintf(buf, sizeof buf, "\\u{%x}", static_cast<unsigned>(c->value));
      out += buf;
    }
    i += c->length;
  }
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
