#include "kovra-core/merkle.h"

#include <cstring>
#include <memory>
#include <string_view>

#include "base/sha256.h"

namespace kovra::core {
namespace {

using base::sha256_compress;
using State = std::array<uint32_t, 8>;

void put_u64_le(uint8_t* out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out[i] = uint8_t(v >> (8 * i));
}

void put_u64_be(uint8_t* out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out[i] = uint8_t(v >> (56 - 8 * i));
}

// SHA-256 output bytes are the chaining words big-endian.
void store_state(uint8_t out[32], const State& s) {
  for (int i = 0; i < 8; ++i) {
    out[4 * i] = uint8_t(s[i] >> 24);
    out[4 * i + 1] = uint8_t(s[i] >> 16);
    out[4 * i + 2] = uint8_t(s[i] >> 8);
    out[4 * i + 3] = uint8_t(s[i]);
  }
}

// Leaves and nodes have fixed lengths (49 and 65 bytes), so their padded blocks are laid
// out here directly and fed to the bare compression: one block per leaf, two per node.
constexpr size_t kLeafLen = 49;
constexpr size_t kNodeLen = 65;

void hash_leaf(uint8_t out[32], uint64_t index, const BarRecord& bar) {
  uint8_t block[64] = {};
  block[0] = 0x03;
  put_u64_le(block + 1, index);
  const auto b = bar_bytes(bar);
  std::memcpy(block + 9, b.data(), b.size());
  block[kLeafLen] = 0x80;
  put_u64_be(block + 56, kLeafLen * 8);
  State s = base::kSha256InitialState;
  sha256_compress(s, block);
  store_state(out, s);
}

// `out` may alias `left` (levels are built in place).
void hash_node(uint8_t out[32], const uint8_t left[32], const uint8_t right[32]) {
  uint8_t block[64];
  block[0] = 0x01;
  std::memcpy(block + 1, left, 32);
  std::memcpy(block + 33, right, 31);
  uint8_t tail[64] = {};
  tail[0] = right[31];
  tail[1] = 0x80;
  put_u64_be(tail + 56, kNodeLen * 8);
  State s = base::kSha256InitialState;
  sha256_compress(s, block);
  sha256_compress(s, tail);
  store_state(out, s);
}

DataRoot to_root(const base::Digest& d) { return d.bytes(); }

// Feeds little-endian integers to one SHA-256 context through a small buffer.
class LeStream {
 public:
  void text(std::string_view t) {
    flush();
    hash_.update(t);
  }
  void bytes(std::span<const uint8_t> b) {
    flush();
    hash_.update(b);
  }
  void u64(uint64_t v) {
    if (len_ + 8 > sizeof(buf_)) flush();
    put_u64_le(buf_ + len_, v);
    len_ += 8;
  }
  void i64(int64_t v) { u64(static_cast<uint64_t>(v)); }
  DataRoot finish() {
    flush();
    return to_root(hash_.finish());
  }

 private:
  void flush() {
    if (len_) hash_.update(std::span<const uint8_t>(buf_, len_));
    len_ = 0;
  }
  base::Sha256 hash_;
  uint8_t buf_[4096];
  size_t len_ = 0;
};

}  // namespace

std::array<uint8_t, 40> bar_bytes(const BarRecord& bar) {
  std::array<uint8_t, 40> out;
  const int64_t v[5] = {bar.timestamp, bar.open, bar.high, bar.low, bar.close};
  for (int i = 0; i < 5; ++i) put_u64_le(out.data() + 8 * i, static_cast<uint64_t>(v[i]));
  return out;
}

DataRoot merkle_root(std::span<const BarRecord> bars) {
  if (bars.empty()) {
    static constexpr uint8_t kEmpty[] = {0x02, 'K', 'O', 'V', 'R', 'A', '_',
                                         'E',  'M', 'P', 'T', 'Y'};
    return to_root(base::sha256_digest(kEmpty));
  }
  // Level 0 is the leaves; each further level is built over the front of the same buffer
  // (node j reads only positions 2j and 2j+1, which no earlier node of the level overwrote).
  // Default-initialised: every slot is written before it is read.
  std::unique_ptr<std::array<uint8_t, 32>[]> level(new std::array<uint8_t, 32>[bars.size()]);
  for (size_t i = 0; i < bars.size(); ++i) hash_leaf(level[i].data(), i, bars[i]);
  size_t count = bars.size();
  while (count > 1) {
    const size_t pairs = count / 2;
    for (size_t j = 0; j < pairs; ++j) {
      hash_node(level[j].data(), level[2 * j].data(), level[2 * j + 1].data());
    }
    if (count % 2) level[pairs] = level[count - 1];  // the odd node rises unchanged
    count = pairs + count % 2;
  }
  return level[0];
}

DataRoot portfolio_root(std::span<const std::vector<BarRecord>> assets) {
  if (assets.size() == 1) return merkle_root(assets[0]);
  LeStream h;
  h.text("KOVRA_PORTFOLIO_ROOT_V2");
  h.u64(assets.size());
  for (size_t j = 0; j < assets.size(); ++j) {
    h.u64(j);
    h.bytes(merkle_root(assets[j]));
  }
  return h.finish();
}

DataRoot vrp_root(std::span<const BarRecord> underlying, std::span<const BarRecord> iv_index) {
  LeStream h;
  h.text("KOVRA_VRP_ROOT_V1");
  h.text("UNDERLYING");
  h.bytes(merkle_root(underlying));
  h.text("IV_INDEX");
  h.bytes(merkle_root(iv_index));
  return h.finish();
}

DataRoot carry_root(const FundingSeries& funding) {
  LeStream h;
  h.text("KOVRA_CARRY_ROOT_V2");
  h.u64(funding.timestamps.size());
  for (int64_t t : funding.timestamps) h.i64(t);
  h.u64(funding.rates.size());
  for (size_t j = 0; j < funding.rates.size(); ++j) {
    h.u64(j);
    h.u64(funding.rates[j].size());
    for (int64_t r : funding.rates[j]) h.i64(r);
  }
  return h.finish();
}

}  // namespace kovra::core
