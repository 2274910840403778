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

  std::vector<FundingRows> kept;
  for (const auto& p : paths) {
    auto bytes = platform::read_file(p, kFundingCsvLimit);
    std::string_view text;
    // Any failure reads as empty, a file over the limit (an endless device too) included.
    if (bytes && is_valid_utf8(*bytes)) text = *bytes;
    auto rows = parse_funding_csv(text);
    if (rows.timestamps.size() >= kMinFundingRows) kept.push_back(std::move(rows));
  }
  core::FundingSeries out;
  if (kept.empty()) return out;

  size_t n = kept[0].timestamps.size();
  for (const auto& k : kept) n = std::min(n, k.timestamps.size());
  auto last_n = [n](const std::vector<int64_t>& v) {
    return std::vector<int64_t>(v.end() - static_cast<std::ptrdiff_t>(n), v.end());
  };
  out.timestamps = last_n(kept[0].timestamps);
  for (const auto& k : kept) {
    if (last_n(k.timestamps) != out.timestamps) return {};
    out.rates.push_back(last_n(k.rates));
  }
  return out;
}

}  // namespace kovra::verifier
