#include "verifier/funding.h"

#include <algorithm>
#include <charconv>

#include "base/text.h"
#include "verifier/input_limits.h"
#include "verifier/text.h"

namespace kovra::verifier {

bool has_csv_extension(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return false;
  return name.substr(dot + 1) == "csv";
}

std::optional<std::string> next_csv_entry(platform::DirectoryListing& listing,
                                          const std::string& dir) {
  while (auto name = listing.next_name()) {
    if (!has_csv_extension(*name)) continue;
    if (dir.empty() || dir.back() == '/') return dir + *name;
    return dir + "/" + *name;
  }
  return std::nullopt;
}

namespace {

// "+" or "-" then one or more digits, within the signed 64-bit range.
std::optional<int64_t> read_integer(std::string_view t) {
  t = base::trim_white_space(t);
  bool negative = false;
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
    negative = t[0] == '-';
    t.remove_prefix(1);
  }
  if (t.empty() || !std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  uint64_t magnitude = 0;
  const auto r = std::from_chars(t.data(), t.data() + t.size(), magnitude);
  if (r.ec != std::errc() || r.ptr != t.data() + t.size()) return std::nullopt;
  if (negative) {
    if (magnitude > uint64_t{1} << 63) return std::nullopt;
    return static_cast<int64_t>(0 - magnitude);
  }
  if (magnitude > uint64_t(INT64_MAX)) return std::nullopt;
  return static_cast<int64_t>(magnitude);
}

}  // namespace

FundingRows parse_funding_csv(std::string_view text) {
  FundingRows rows;
  // Exact storage, never regrown: a row is a line (the header is one more), and it takes at
  // least 4 bytes ("1,1" and its line end; the header at least one), so the smaller of the
  // two counts is never short, and a text of empty lines reserves no more than a quarter.
  const size_t line_ends = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  const size_t rows_at_most = std::min(line_ends, text.size() / 4);
  rows.timestamps.reserve(rows_at_most);
  rows.rates.reserve(rows_at_most);
  LineCursor lines(text);
  if (!lines.next()) return rows;  // the header, unread
  while (const auto line = lines.next()) {
    const size_t c1 = line->find(',');
    if (c1 == std::string_view::npos) continue;
    const size_t c2 = line->find(',', c1 + 1);
    const auto t = read_integer(line->substr(0, c1));
    const auto r = read_integer(
        line->substr(c1 + 1, c2 == std::string_view::npos ? line->npos : c2 - c1 - 1));
    if (!t || !r) continue;
    rows.timestamps.push_back(*t);
    rows.rates.push_back(*r);
  }
  return rows;
}

core::FundingSeries load_funding_dir(const std::string& dir) {
  std::vector<std::string> paths;
  {
    platform::DirectoryListing listing(dir);
    while (auto p = next_csv_entry(listing, dir)) paths.push_back(std::move(*p));
  }
  // One directory: path order is the byte order of the names.
  std::sort(paths.begin(), paths.end());

  // Only regular files within their own limit are read, so the directory's total is known
  // from their sizes before any is read: past it, the directory holds no funding data. (Any
  // failure to open reads as an empty file: one larger than its limit, or anything but a
  // regular file, where a named pipe would wait for its writer and a device could be
  // endless.)
  const auto open_csv = [](const std::string& p) {
    return platform::FileReader::open(p, kFundingCsvLimit, platform::FileKinds::kRegularOnly);
  };
  size_t total = 0;
  for (const auto& p : paths) {
    auto file = open_csv(p);
    if (!file) continue;
    if (file->size_hint() > kFundingDirLimit - total) return {};
    total += file->size_hint();
  }
  std::vector<FundingRows> kept;
  size_t bytes_read = 0;  // from the directory's files so far
  for (const auto& p : paths) {
    auto file = open_csv(p);
    if (!file) continue;
    auto bytes = platform::read_rest(*file);
    if (!bytes) continue;
    bytes_read += bytes->size();  // a file that grew since it was measured counts what was read
    if (bytes_read > kFundingDirLimit) return {};
    auto rows = parse_funding_csv(is_valid_utf8(bytes->text()) ? bytes->text() : "");
    if (rows.timestamps.size() >= kMinFundingRows) kept.push_back(std::move(rows));
  }
  core::FundingSeries out;
  if (kept.empty()) return out;

  // Each kept file is cut to its last n rows in place, and its lists move into the result.
  size_t n = kept[0].timestamps.size();
  for (const auto& k : kept) n = std::min(n, k.timestamps.size());
  auto keep_last_n = [n](std::vector<int64_t>& v) {
    v.erase(v.begin(), v.end() - static_cast<std::ptrdiff_t>(n));
  };
  for (auto& k : kept) {
    keep_last_n(k.timestamps);
    keep_last_n(k.rates);
    if (k.timestamps != kept[0].timestamps) return {};
  }
  out.timestamps = std::move(kept[0].timestamps);
  out.rates.reserve(kept.size());
  for (auto& k : kept) out.rates.push_back(std::move(k.rates));
  return out;
}

}  // namespace kovra::verifier
