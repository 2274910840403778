#include "verifier/price_csv.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <charconv>
#include <locale.h>

#include "verifier/platform.h"
#include "verifier/report.h"
#include "verifier/text.h"

namespace kovra::verifier {

std::string CsvReadError::message() const {
  return "cannot read csv " + escape_control(path) + ": " + text;
}

base::Result<std::vector<core::BarRecord>, CsvReadError> load_price_csv(const std::string& path) {
  auto bytes = platform::read_file(path);
  if (!bytes) return base::Err(CsvReadError{path, bytes.error().text()});
  if (!is_valid_utf8(*bytes)) {
    return base::Err(CsvReadError{path, "stream did not contain valid UTF-8"});
  }
  return parse_price_csv(*bytes);
}

base::Result<std::vector<std::vector<core::BarRecord>>, CsvReadError> load_price_csvs(
    const std::vector<std::string>& paths) {
  std::vector<std::vector<core::BarRecord>> out;
  out.reserve(paths.size());
  for (const auto& p : paths) {
    KOVRA_ASSIGN_OR_RETURN(auto bars, load_price_csv(p));
    out.push_back(std::move(bars));
  }
  return out;
}

std::vector<std::vector<int64_t>> close_series(
    const std::vector<std::vector<core::BarRecord>>& bar_lists) {
  std::vector<std::vector<int64_t>> out;
  out.reserve(bar_lists.size());
  for (const auto& bars : bar_lists) {
    auto& closes = out.emplace_back();
    closes.reserve(bars.size());
    for (const auto& b : bars) closes.push_back(b.close);
  }
  return out;
}

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Digits only (at least one), within the signed 64-bit range, with the sign already split
// off: `negative` selects the sign.
std::optional<int64_t> read_digits(std::string_view digits, bool negative) {
  if (digits.empty()) return std::nullopt;
  for (char c : digits) {
    if (!is_digit(c)) return std::nullopt;
  }
  // from_chars reads the sign itself; rebuilding "-digits" keeps INT64_MIN in range.
  int64_t v = 0;
  std::from_chars_result r;
  if (negative) {
    std::string s = "-";
    s.append(digits);
    r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return std::nullopt;
  } else {
    r = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (r.ec != std::errc() || r.ptr != digits.data() + digits.size()) return std::nullopt;
  }
  return v;
}

// Wrapping arithmetic on signed 64-bit values (never undefined behaviour).
int64_t wrap(uint64_t v) { return static_cast<int64_t>(v); }
int64_t wadd(int64_t a, int64_t b) { return wrap(uint64_t(a) + uint64_t(b)); }
int64_t wsub(int64_t a, int64_t b) { return wrap(uint64_t(a) - uint64_t(b)); }
int64_t wmul(int64_t a, int64_t b) { return wrap(uint64_t(a) * uint64_t(b)); }

}  // namespace

int64_t parse_i64_or_zero(std::string_view piece) {
  piece = trim_white_space(piece);
  bool negative = false;
  if (!piece.empty() && (piece[0] == '+' || piece[0] == '-')) {
    negative = piece[0] == '-';
    piece.remove_prefix(1);
  }
  return read_digits(piece, negative).value_or(0);
}

int64_t utc_midnight(int64_t y, int64_t m, int64_t d) {
  // Days from the civil date, counted in 400-year eras that start on 1 March.
  const int64_t yy = m < 3 ? wsub(y, 1) : y;
  const int64_t q = yy >= 0 ? yy : wsub(yy, 399);
  const int64_t era = q / 400;
  const int64_t yoe = wsub(yy, wmul(400, era));
  const int64_t mp = m >= 3 ? wsub(m, 3) : wadd(m, 9);
  const int64_t doy = wsub(wadd(wadd(wmul(153, mp), 2) / 5, d), 1);
  const int64_t doe = wadd(wsub(wadd(wmul(365, yoe), yoe / 4), yoe / 100), doy);
  const int64_t days = wsub(wadd(wmul(146097, era), doe), 719468);
  return wmul(days, 86400);
}

int64_t parse_timestamp(std::string_view field) {
  if (field.find('-') != std::string_view::npos) {
    int64_t parts[3] = {0, 0, 0};
    size_t count = 0;
    size_t start = 0;
    for (;;) {
      const size_t dash = field.find('-', start);
      const auto piece = field.substr(start, dash == std::string_view::npos ? field.npos : dash - start);
      if (count < 3) parts[count] = parse_i64_or_zero(piece);
      ++count;
      if (dash == std::string_view::npos) break;
      start = dash + 1;
    }
    if (count < 3) return 0;
    return utc_midnight(parts[0], parts[1], parts[2]);
  }
  if (!field.empty() && field[0] == '+') field.remove_prefix(1);
  return read_digits(field, false).value_or(0);
}

namespace {

// Locale-independent strtod for the rare texts that from_chars reports out of range
// (overflow to infinity, underflow to zero or a subnormal).
double strtod_c_locale(std::string_view text) {
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t{});
  const std::string s(text);
  return strtod_l(s.c_str(), nullptr, c_locale);
}

// The nearest double to a decimal text: an optional sign, digits with an optional point
// (digits on at least one side) and an optional exponent; or inf, infinity, nan in any case.
std::optional<double> parse_decimal(std::string_view text) {
  std::string_view body = text;
  if (!body.empty() && body[0] == '+') {
    body.remove_prefix(1);
    if (!body.empty() && (body[0] == '+' || body[0] == '-')) return std::nullopt;
  }
  if (body.empty()) return std::nullopt;
  // from_chars would also take "nan(...)"; hexadecimal needs chars_format::hex, so the
  // general format rejects it as trailing text.
  if (body.find('(') != std::string_view::npos) return std::nullopt;
  double v = 0;
  const auto r = std::from_chars(body.data(), body.data() + body.size(), v);
  if (r.ptr != body.data() + body.size()) return std::nullopt;
  if (r.ec == std::errc::result_out_of_range) return strtod_c_locale(body);
  if (r.ec != std::errc()) return std::nullopt;
  return v;
}

int64_t saturate(double x) {
  if (std::isnan(x)) return 0;
  if (x >= 9223372036854775808.0) return INT64_MAX;
  if (x <= -9223372036854775808.0) return INT64_MIN;
  return static_cast<int64_t>(x);
}

}  // namespace

std::optional<int64_t> parse_price(std::string_view field) {
  const auto v = parse_decimal(field);
  if (!v) return std::nullopt;
  return saturate(std::round(*v * 1e6));
}

std::vector<core::BarRecord> parse_price_csv(std::string_view text) {
  std::vector<core::BarRecord> bars;
  bars.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')));
  LineCursor lines(text);
  if (!lines.next()) return bars;  // the header, unread
  while (const auto raw = lines.next()) {
    const std::string_view line = trim_white_space(*raw);
    if (line.empty()) continue;
    std::string_view fields[5];
    size_t count = 0;
    size_t start = 0;
    for (;;) {
      const size_t comma = line.find(',', start);
      if (count < 5) {
        fields[count] = trim_white_space(
            line.substr(start, comma == std::string_view::npos ? line.npos : comma - start));
      }
      ++count;
      if (comma == std::string_view::npos) break;
      start = comma + 1;
    }
    if (count < 2) continue;
    core::BarRecord bar;
    bar.timestamp = parse_timestamp(fields[0]);
    if (count < 5) {
      const auto p = parse_price(fields[1]);
      if (!p) continue;
      bar.open = bar.high = bar.low = bar.close = *p;
    } else {
      const auto o = parse_price(fields[1]);
      const auto h = parse_price(fields[2]);
      const auto l = parse_price(fields[3]);
      const auto c = parse_price(fields[4]);
      if (!o || !h || !l || !c) continue;
      bar = {bar.timestamp, *o, *h, *l, *c};
    }
    bars.push_back(bar);
  }
  return bars;
}

}  // namespace kovra::verifier
