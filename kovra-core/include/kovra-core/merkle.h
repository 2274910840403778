// Bar records and the data roots that commit to market data.
//
// A credential names the data its strategy ran on by one 32-byte root. The verifier rebuilds
// that root from the user's own files with exactly the byte layout the guest used, so every
// layout below is binding to the byte:
//
//   leaf of bar i   SHA-256(0x03 || i as u64 LE || timestamp, open, high, low, close as i64 LE)
//   node            SHA-256(0x01 || left || right)
//   empty series    SHA-256(0x02 || "KOVRA_EMPTY")
//
// `merkle_root` pairs nodes left to right, level by level; an odd last node rises to the next
// level unchanged, and a single bar's root is its leaf. The tagged roots hash a domain tag,
// counts and member roots as one SHA-256 message:
//
//   portfolio_root  one series: its merkle_root; k != 1 series:
//                   SHA-256("KOVRA_PORTFOLIO_ROOT_V2" || k || for each j: j || merkle_root_j)
//   vrp_root        SHA-256("KOVRA_VRP_ROOT_V1" || "UNDERLYING" || root_u || "IV_INDEX" || root_iv)
//   carry_root      SHA-256("KOVRA_CARRY_ROOT_V2" || n || timestamps || m ||
//                           for each list j: j || L_j || its L_j values)
//
// Every integer is little-endian, counts are u64, values i64. Series are hashed exactly as
// given: never sorted, deduplicated or checked. None of these functions fails.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace kovra::core {

// One price bar. Prices are the decimal price times 1,000,000 (rounded half away from zero,
// saturating); a close-only row carries its close in all four prices.
struct BarRecord {
  int64_t timestamp = 0;
  int64_t open = 0;
  int64_t high = 0;
  int64_t low = 0;
  int64_t close = 0;

  friend bool operator==(const BarRecord&, const BarRecord&) = default;
};

// The 40-byte hashed form of a bar: its five members as i64 little-endian, in order.
std::array<uint8_t, 40> bar_bytes(const BarRecord& bar);

// The funding data of a carry credential: one shared time column and one rate list per
// funding file (in path order). The carry root records each list's own length.
struct FundingSeries {
  std::vector<int64_t> timestamps;
  std::vector<std::vector<int64_t>> rates;

  friend bool operator==(const FundingSeries&, const FundingSeries&) = default;
};

// A data root: the SHA-256 digest in its standard byte order, compared as raw bytes.
using DataRoot = std::array<uint8_t, 32>;

DataRoot merkle_root(std::span<const BarRecord> bars);
DataRoot portfolio_root(std::span<const std::vector<BarRecord>> assets);
DataRoot vrp_root(std::span<const BarRecord> underlying, std::span<const BarRecord> iv_index);
DataRoot carry_root(const FundingSeries& funding);

}  // namespace kovra::core
