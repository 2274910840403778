#include "kovra-core/merkle.h"

#include <cstring>
#include <string_view>

#include "base/sha256.h"

namespace kovra::core {
namespace {

using base::sha256_compress;
using State = std::array<uint32_t, 8>;

void put_u64_le(uint8_t* out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out[i] = uint8_t(v >> (8 * i));
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
constexpr uint64_t kLeafLen = 49;
constexpr uint64_t kNodeLen = 65;

// The constant parts of the padded blocks: the tag, the 0x80 end mark and the bit length.
struct LeafTemplate {
  uint8_t block[64] = {};
  constexpr LeafTemplate() {
    block[0] = 0x03;
    block[kLeafLen] = 0x80;
    for (int i = 0; i < 8; ++i) block[56 + i] = uint8_t((kLeafLen * 8) >> (56 - 8 * i));
  }
};
struct NodeTailTemplate {
  uint8_t block[64] = {};
  constexpr NodeTailTemplate() {
    block[1] = 0x80;
    for (int i = 0; i < 8; ++i) block[56 + i] = uint8_t((kNodeLen * 8) >> (56 - 8 * i));
  }
};
constexpr LeafTemplate kLeaf;
constexpr NodeTailTemplate kNodeTail;

void hash_leaf(uint8_t out[32], uint64_t index, const BarRecord& bar) {
  uint8_t block[64];
  std::memcpy(block, kLeaf.block, 64);
  put_u64_le(block + 1, index);
  const auto b = bar_bytes(bar);
  std::memcpy(block + 9, b.data(), b.size());
  State s = base::kSha256InitialState;
  sha256_compress(s, block);
  store_state(out, s);
}

// `out` may alias `left` or `right`: both are read before it is written.
void hash_node(uint8_t out[32], const uint8_t left[32], const uint8_t right[32]) {
  uint8_t block[64];
  block[0] = 0x01;
  std::memcpy(block + 1, left, 32);
  std::memcpy(block + 33, right, 31);
  uint8_t tail[64];
  std::memcpy(tail, kNodeTail.block, 64);
  tail[0] = right[31];
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

// Pairing level by level, left to right, with an odd last node rising unchanged, gives the
// same tree as cutting the series into perfect subtrees by the binary digits of its length
// (largest first) and joining them from the right: node(P_a, node(P_b, ... P_z)). So the
// root is built in one pass with a stack of finished perfect subtrees, as in a binary
// counter: at most 64 entries, no buffer of leaves, the same compressions.
DataRoot merkle_root(std::span<const BarRecord> bars) {
  if (bars.empty()) {
    static constexpr uint8_t kEmpty[] = {0x02, 'K', 'O', 'V', 'R', 'A', '_',
                                         'E',  'M', 'P', 'T', 'Y'};
    return to_root(base::sha256_digest(kEmpty));
  }
  struct Subtree {
    std::array<uint8_t, 32> hash;
    uint64_t size;
  };
  std::array<Subtree, 65> stack;
  size_t depth = 0;
  for (size_t i = 0; i < bars.size(); ++i) {
    Subtree& top = stack[depth++];
    hash_leaf(top.hash.data(), i, bars[i]);
    top.size = 1;
    while (depth >= 2 && stack[depth - 2].size == stack[depth - 1].size) {
      Subtree& left = stack[depth - 2];
      hash_node(left.hash.data(), left.hash.data(), stack[depth - 1].hash.data());
      left.size *= 2;
      --depth;
    }
  }
  std::array<uint8_t, 32> acc = stack[depth - 1].hash;
  for (size_t k = depth - 1; k-- > 0;) hash_node(acc.data(), stack[k].hash.data(), acc.data());
  return acc;
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
