// The funding directory of a carry credential into a `FundingSeries`.
//
// Every entry of the directory whose name has the extension "csv" (after the last "." that is
// not the name's first character; case-sensitive) is read, in the byte order of the names.
// Each file is UTF-8 text: a header line, never read, then rows whose first two
// comma-separated fields are a timestamp and a funding rate, both plain integers. A file that
// yields fewer than 50 rows is dropped. The kept files are cut to the shortest one's length,
// keeping their last rows; if their cut timestamp columns differ in any entry, the result is
// empty. Nothing is ever reported: a missing directory or bad file (one larger than
// kFundingCsvLimit, or anything but a regular file, reads as empty) gives fewer rows or empty
// lists, and a wrong result shows as a carry root that does not match. The files read
// (regular, each within its own limit) may hold kFundingDirLimit bytes together; a directory
// whose files pass it holds no funding data (empty lists), known from their sizes before any
// is read.
//
// Memory: a row takes 16 bytes (two 64-bit numbers) and a file's text is held only while its
// rows are parsed, so the directory costs at most 16 bytes for every 4 bytes of its files
// (4 times their size) and the text of one file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kovra-core/merkle.h"
#include "verifier/platform.h"

namespace kovra::verifier {

// A file needs at least this many rows to be kept.
inline constexpr size_t kMinFundingRows = 50;

core::FundingSeries load_funding_dir(const std::string& dir);

// True when the name's extension is exactly "csv".
bool has_csv_extension(std::string_view file_name);

// The path (directory joined with the name) of the listing's next "csv" entry, or nullopt at
// the end of the listing.
std::optional<std::string> next_csv_entry(platform::DirectoryListing& listing,
                                          const std::string& dir);

// The rows of one funding file's text: timestamps and rates, in file order.
struct FundingRows {
  std::vector<int64_t> timestamps;
  std::vector<int64_t> rates;
};
FundingRows parse_funding_csv(std::string_view text);

}  // namespace kovra::verifier
