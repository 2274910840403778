#include "verifier/price_csv.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <charconv>
#include <locale.h>

#include "verifier/block_list.h"
#include "verifier/input_limits.h"
#include "verifier/platform.h"
#include "verifier/report.h"
#include "base/text.h"
#include "verifier/text.h"

namespace kovra::verifier {

std::string CsvReadError::message() const {
  return "cannot read csv " + escape_control(path) + ": " + text;
}

namespace {

// Appends the bars of complete lines to `bars`; the first line of the file (the header) is
// passed over unread. At most `limit` bars are kept: the row that would be one more ends the
// feeding (see `over_limit`). The list is never regrown by copying: bars past its reserved
// room are kept in blocks (all of a stream's, whose list reserves none) and join it, in one
// reservation of their exact number, at `finish`.
class PriceRows {
 public:
  static constexpr size_t kNoLimit = SIZE_MAX;
  PriceRows(std::vector<core::BarRecord>& bars, size_t limit) : bars_(bars), limit_(limit) {}
  void feed(std::string_view text);
  bool over_limit() const { return over_limit_; }
  void finish() { more_.move_into(bars_); }

 private:
  void row(std::string_view raw);
  std::vector<core::BarRecord>& bars_;
  BlockList<core::BarRecord> more_;
  size_t limit_;
  bool header_seen_ = false;
  bool over_limit_ = false;
};

constexpr size_t kBlock = size_t{1} << 20;

// The buffer grown for a long line goes back when its file is done, whatever the outcome.
class LongLineRelease {
 public:
  explicit LongLineRelease(platform::MappedMemory& buf) : buf_(buf) {}
  ~LongLineRelease() {
    if (buf_.size() != kBlock) buf_ = platform::MappedMemory();
  }
  LongLineRelease(const LongLineRelease&) = delete;
  LongLineRelease& operator=(const LongLineRelease&) = delete;

 private:
  platform::MappedMemory& buf_;
};

}  // namespace

// The file is read in blocks and parsed as it arrives: only whole lines are parsed (a line
// left open at the end of a block waits for the next), so the text is held a line at a time.
// Lines end at "\n", which never occurs inside a multi-byte UTF-8 sequence, so checking
// each run of whole lines checks the file. The reader stops a file at kPriceCsvLimit bytes,
// which bounds the longest line the buffer holds.
//
// The same bytes give the same outcome however the reads split them. A file past the byte
// limit is refused as such, whatever it holds (a regular file's size tells at its open; a
// stream that meets another fault is read through to its end or its limit, its bars let go
// first). Otherwise the first fault in the order of the text wins: the lines before a line
// that is not UTF-8 are parsed before it is refused, so that a bar limit they pass comes
// first.
base::Result<std::vector<core::BarRecord>, CsvReadError> PriceCsvLoader::load(
    const std::string& path) {
  auto file = platform::FileReader::open(path, kPriceCsvLimit);
  if (!file) return base::Err(CsvReadError{path, file.error().text()});
  if (buf_.size() != kBlock) buf_ = platform::MappedMemory(kBlock);
  const LongLineRelease release(buf_);
  const auto read_error = [&path](const platform::ReadError& e) {
    return base::Err(CsvReadError{path, e.text()});
  };
  std::vector<core::BarRecord> bars;
  // A regular file is counted first: the header ends at the first line end and every bar's
  // row but the last at one more, so the list is reserved for its line ends (at most the bar
  // limit). A stream's bars, and those of a file that grows while it is read, are kept in
  // blocks as they arrive and join the list at the end.
  if (file->is_regular()) {
    size_t line_ends = 0;
    while (line_ends <= bar_limit_) {
      auto got = file->read(buf_.data(), kBlock);
      if (!got) return read_error(got.error());
      if (*got == 0) break;
      line_ends += static_cast<size_t>(std::count(buf_.data(), buf_.data() + *got, '\n'));
    }
    if (auto back = file->rewind(); !back) return read_error(back.error());
    bars.reserve(std::min(line_ends, bar_limit_));
  }
  std::string fault;  // the first fault of the text, once met
  {
    PriceRows rows(bars, bar_limit_);
    // True, with the fault kept, once the rows have passed the bar limit.
    const auto past_bar_limit = [&] {
      if (!rows.over_limit()) return false;
      fault = "file has more than the " + std::to_string(bar_limit_) + "-bar limit";
      return true;
    };
    size_t held = 0;  // bytes of an unfinished line at the front of buf_
    for (;;) {
      // A very long line: the buffer doubles, up to its largest size (all the reader can
      // yield, and a block). Its pages move as it grows, so it never holds the line twice.
      if (buf_.size() - held < kBlock / 2) {
        buf_.grow(std::min(buf_.size() * 2, kPriceCsvLimit + kBlock));
      }
      char* const buf = buf_.data();
      auto got = file->read(buf + held, buf_.size() - held);
      if (!got) return read_error(got.error());
      const size_t end = held + *got;
      const bool last = *got == 0;
      // The held bytes hold no line end, so only the new ones are searched: a long line that
      // arrives in short reads is scanned once, not once per read.
      const size_t line_end = std::string_view(buf + held, *got).rfind('\n');
      const size_t cut =
          last ? end : line_end == std::string_view::npos ? 0 : held + line_end + 1;
      const std::string_view whole(buf, cut);
      const size_t valid = valid_utf8_prefix(whole);
      if (valid < whole.size()) {
        // The whole lines before the bad byte's line come first.
        const size_t before = whole.rfind('\n', valid);
        rows.feed(whole.substr(0, before == std::string_view::npos ? 0 : before + 1));
        if (!past_bar_limit()) fault = "stream did not contain valid UTF-8";
        break;
      }
      rows.feed(whole);
      if (past_bar_limit() || last) break;
      held = end - cut;
      if (cut > 0) std::memmove(buf, buf + cut, held);
    }
    if (fault.empty()) {
      rows.finish();
      return bars;
    }
  }
  // A fault: the bars go, and the rest of a stream is read through, in case it passes the
  // byte limit (a regular file was measured at its open). Any other failure of those reads
  // leaves the fault as it was.
  std::vector<core::BarRecord>().swap(bars);
  while (!file->is_regular()) {
    auto got = file->read(buf_.data(), buf_.size());
    if (!got) {
      if (got.error().past_limit()) return read_error(got.error());
      break;
    }
    if (*got == 0) break;
  }
  return base::Err(CsvReadError{path, fault});
}

base::Result<std::vector<core::BarRecord>, CsvReadError> load_price_csv(const std::string& path) {
  return PriceCsvLoader().load(path);
}

base::Result<std::vector<std::vector<core::BarRecord>>, CsvReadError> load_price_csvs(
    const std::vector<std::string>& paths) {
  std::vector<std::vector<core::BarRecord>> out;
  out.reserve(paths.size());
  PriceCsvLoader loader;
  for (const auto& p : paths) {
    KOVRA_ASSIGN_OR_RETURN(auto bars, loader.load(p));
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
  piece = base::trim_white_space(piece);
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

// The common plain form "[-]digits[.digits]" with at most 15 digits in all: the digits make
// an integer m < 2^53 and the value is m / 10^k (k <= 15), one correctly rounded division of
// two exact doubles, hence the same nearest double as the general reader gives. nullopt for
// any other form, which then takes the general reader.
std::optional<double> plain_decimal(std::string_view t) {
  static constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  size_t i = 0;
  const bool negative = t[0] == '-';
  if (negative) ++i;
  uint64_t m = 0;
  int digits = 0;
  int fraction = -1;  // digits after the point, once a point was seen
  for (; i < t.size(); ++i) {
    const char c = t[i];
    if (c >= '0' && c <= '9') {
      if (++digits > 15) return std::nullopt;
      m = m * 10 + static_cast<uint64_t>(c - '0');
      if (fraction >= 0) ++fraction;
    } else if (c == '.' && fraction < 0) {
      fraction = 0;
    } else {
      return std::nullopt;
    }
  }
  if (digits == 0) return std::nullopt;
  double v = static_cast<double>(m);
  if (fraction > 0) v /= kPow10[fraction];
  return negative ? -v : v;
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
  if (const auto v = plain_decimal(body)) return v;
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
  PriceRows rows(bars, PriceRows::kNoLimit);
  rows.feed(text);
  rows.finish();
  return bars;
}

void PriceRows::feed(std::string_view text) {
  LineCursor lines(text);
  while (!over_limit_) {
    const auto raw = lines.next();
    if (!raw) break;
    if (!header_seen_) {
      header_seen_ = true;
      continue;
    }
    row(*raw);
  }
}

// Most fields begin and end with an ASCII character that is not white space, and need no
// trimming at all.
std::string_view trim(std::string_view t) {
  if (t.empty()) return t;
  const auto first = static_cast<uint8_t>(t.front());
  const auto last = static_cast<uint8_t>(t.back());
  if (first > 0x20 && first < 0x80 && last > 0x20 && last < 0x80) return t;
  return base::trim_white_space(t);
}

void PriceRows::row(std::string_view raw) {
  const std::string_view line = trim(raw);
  if (line.empty()) return;
  std::string_view fields[5];
  size_t count = 0;
  size_t start = 0;
  for (;;) {
    size_t comma = start;  // fields are short: a plain scan beats a library search
    while (comma < line.size() && line[comma] != ',') ++comma;
    if (count < 5) fields[count] = trim(line.substr(start, comma - start));
    ++count;
    if (comma == line.size()) break;
    start = comma + 1;
  }
  if (count < 2) return;
  core::BarRecord bar;
  bar.timestamp = parse_timestamp(fields[0]);
  if (count < 5) {
    const auto p = parse_price(fields[1]);
    if (!p) return;
    bar.open = bar.high = bar.low = bar.close = *p;
  } else {
    const auto o = parse_price(fields[1]);
    const auto h = parse_price(fields[2]);
    const auto l = parse_price(fields[3]);
    const auto c = parse_price(fields[4]);
    if (!o || !h || !l || !c) return;
    bar = {bar.timestamp, *o, *h, *l, *c};
  }
  if (bars_.size() + more_.size() == limit_) {
    over_limit_ = true;
    return;
  }
  if (bars_.size() < bars_.capacity()) {
    bars_.push_back(bar);
  } else {
    more_.push_back(bar);
  }
}

}  // namespace kovra::verifier
