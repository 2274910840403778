// Price CSV files into bar records.
//
// A price file is UTF-8 text read whole. Its first line is a header and is skipped
// unconditionally. Every further line is trimmed (Unicode White_Space) and split at ","
// into trimmed fields; empty lines and rows of fewer than two fields are skipped.
//
//   field 0       the timestamp: a date y-m-d (any field containing "-") as UTC midnight in
//                 Unix seconds, or a plain integer with an optional "+"; what does not read
//                 is 0, and the row stays
//   2 to 4 fields field 1 is the price, used for open, high, low and close
//   5 or more     fields 1..4 are open, high, low, close; all four must read
//
// A price is a decimal floating-point text (or inf / infinity / nan in any case) times
// 1,000,000, rounded half away from zero and saturated to 64 bits (NaN is 0). A row whose
// prices do not read is skipped. Bad rows are never reported: wrong data shows later as a
// data root that does not match. Only an unreadable file is an error; a file with more than
// kPriceCsvBarLimit bars is one. The same bytes give the same error however they arrive: a
// file past kPriceCsvLimit bytes is refused as such, and otherwise the first fault in the
// order of the text wins (a line that is not UTF-8, or the row of one bar past the limit).
//
// Memory: a bar takes 40 bytes (five 64-bit numbers), held for the whole run; the file's text
// is read in 1 MiB blocks and held a line at a time (a longer line is held whole while it is
// read). A stream costs what it has delivered: its bars are kept in mapped blocks as they
// arrive (block_list.h) and move into their list at its end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "kovra-core/merkle.h"
#include "verifier/input_limits.h"
#include "verifier/platform.h"

namespace kovra::verifier {

// A price file that cannot be read, is larger than kPriceCsvLimit, holds more than
// kPriceCsvBarLimit bars, or whose bytes are not UTF-8.
struct CsvReadError {
  std::string path;  // as given on the command line
  // The operating system's text, "file is larger than the 256 MiB limit", "file has more than
  // the 16777216-bar limit" or "stream did not contain valid UTF-8".
  std::string text;

  // "cannot read csv {path}: {text}", the path with control characters escaped.
  std::string message() const;
};

// Loads price files one after another through one block buffer, mapped (never filled) for
// the first file and kept for the next ones; a buffer grown for a very long line is let go at
// the end of its file, however the file ended. Not for use by two threads at once.
class PriceCsvLoader {
 public:
  // `bar_limit` is kPriceCsvBarLimit but in tests.
  explicit PriceCsvLoader(size_t bar_limit = kPriceCsvBarLimit) : bar_limit_(bar_limit) {}

  // The bars of one file, in file order. The list is never copied to grow: a regular file's
  // is reserved from a first pass that counts its line ends; a stream's bars (and those of a
  // file that grows while it is read) are kept in mapped blocks as they arrive and join the
  // list, reserved for their exact number, at the end.
  base::Result<std::vector<core::BarRecord>, CsvReadError> load(const std::string& path);

 private:
  platform::MappedMemory buf_;
  size_t bar_limit_;
};

// The bars of one file, in file order. On failure the caller prints `message()` on standard
// error and ends the run with status 2.
base::Result<std::vector<core::BarRecord>, CsvReadError> load_price_csv(const std::string& path);

// One bar list per path, in order, read with one loader; the first unreadable file is the
// error.
base::Result<std::vector<std::vector<core::BarRecord>>, CsvReadError> load_price_csvs(
    const std::vector<std::string>& paths);

// The bars of a price text that is already known to be UTF-8.
std::vector<core::BarRecord> parse_price_csv(std::string_view text);

// Each list's close prices (still times 1,000,000), in order.
std::vector<std::vector<int64_t>> close_series(
    const std::vector<std::vector<core::BarRecord>>& bar_lists);

// The trimmed piece as a signed decimal integer ("+" or "-", then digits, within 64 bits);
// 0 for anything else.
int64_t parse_i64_or_zero(std::string_view piece);

// Field 0 of a row as a timestamp (see above).
int64_t parse_timestamp(std::string_view field);

// Unix time of 00:00:00 UTC on the proleptic Gregorian date y-m-d. No range checks: parts out
// of range extrapolate (month 13 is January of the next year, day 0 the last day of the month
// before), and the arithmetic wraps modulo 2^64.
int64_t utc_midnight(int64_t year, int64_t month, int64_t day);

// A price field as fixed point times 1,000,000; nullopt when it does not read as a number.
std::optional<int64_t> parse_price(std::string_view field);

}  // namespace kovra::verifier
