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
// data root that does not match. Only an unreadable file is an error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "kovra-core/merkle.h"

namespace kovra::verifier {

// A price file that cannot be read, is larger than kPriceCsvLimit, or whose bytes are not UTF-8.
struct CsvReadError {
  std::string path;  // as given on the command line
  // The operating system's text, "file is larger than the 256 MiB limit" or "stream did not
  // contain valid UTF-8".
  std::string text;

  // "cannot read csv {path}: {text}", the path with control characters escaped.
  std::string message() const;
};

// The bars of one file, in file order. On failure the caller prints `message()` on standard
// error and ends the run with status 2.
base::Result<std::vector<core::BarRecord>, CsvReadError> load_price_csv(const std::string& path);

// One bar list per path, in order; the first unreadable file is the error.
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
