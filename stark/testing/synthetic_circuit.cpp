#include "stark/testing/synthetic_circuit.h"

#include <utility>

#include "base/invariant.h"

namespace kovra::stark::testing {
namespace {

constexpr uint32_t kP = BabyBearElem::P;

class ProgramBuilder {
 public:
  explicit ProgramBuilder(std::vector<ConstraintStep>& steps) : steps_(steps) {}
  uint64_t fp(StepKind k, uint64_t a = 0, uint64_t b = 0, uint64_t c = 0, uint64_t d = 0) {
    steps_.push_back(ConstraintStep{k, {a, b, c, d}});
    return fp_++;
  }
  uint64_t mix(StepKind k, uint64_t a = 0, uint64_t b = 0, uint64_t c = 0) {
    steps_.push_back(ConstraintStep{k, {a, b, c, 0}});
    return mix_++;
  }
  uint64_t cnst(uint32_t v) { return fp(StepKind::Const, v); }
  uint64_t add(uint64_t x, uint64_t y) { return fp(StepKind::Add, x, y); }
  uint64_t sub(uint64_t x, uint64_t y) { return fp(StepKind::Sub, x, y); }
  uint64_t mul(uint64_t x, uint64_t y) { return fp(StepKind::Mul, x, y); }
  uint64_t start() { return mix(StepKind::MixStart); }
  uint64_t zero(uint64_t a, uint64_t v) { return mix(StepKind::MixZero, a, v); }
  uint64_t cond(uint64_t a, uint64_t c, uint64_t inner) { return mix(StepKind::MixCond, a, c, inner); }

 private:
  std::vector<ConstraintStep>& steps_;
  uint64_t fp_ = 0;
  uint64_t mix_ = 0;
};

}  // namespace

uint64_t splitmix64(uint64_t& state) {
  uint64_t z = (state += 0x9e3779b97f4a7c15ull);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  return z ^ (z >> 31);
}

BabyBearElem random_elem(uint64_t& state) {
  return BabyBearElem::from_u32(static_cast<uint32_t>(splitmix64(state) % kP));
}

SyntheticShape recursion_shape(std::array<uint16_t, 3> widths) {
  return SyntheticShape{"RECURSION:rev1v1", 32, 20, false, widths,
                        {{0}, {0, 1}, {0, 1, 2, 3, 4, 68}, {0, 1, 2, 7, 15, 16}, {0, 2, 7, 15, 16}}};
}

SyntheticShape rv32im_shape(std::array<uint16_t, 3> widths) {
  return SyntheticShape{"RV32IM:v2rev2___", 90, 36, true, widths,
                        {{0}, {0, 1}, {0, 1, 2, 3, 4, 68}, {0, 2, 7, 15, 16}}};
}

SyntheticCircuit::SyntheticCircuit(SyntheticShape shape) : shape_(std::move(shape)) {
  KOVRA_INVARIANT(shape_.widths[0] >= 2 && shape_.widths[1] >= 3 && shape_.widths[2] >= 7,
                  "synthetic circuits need 2 accum, 3 code and 7 data columns");
  const uint8_t last_combo = static_cast<uint8_t>(shape_.combos.size() - 1);
  auto combo_of = [&](size_t g, uint16_t col) -> uint8_t {
    if (g == kGroupAccum) return col == 0 ? 1 : 0;
    if (g == kGroupCode) return 0;
    switch (col) {
      case 0: case 1: return 1;
      case 2: return 2;
      case 4: return 3;
      case 5: return last_combo;
      default: return 0;
    }
  };
  tables_.circuit_tag = shape_.tag;
  tables_.combo_patterns = shape_.combos;
  for (size_t g = 0; g < 3; ++g) {
    for (uint16_t col = 0; col < shape_.widths[g]; ++col) {
      const uint8_t combo = combo_of(g, col);
      const auto& pattern = shape_.combos[combo];
      for (uint16_t back : pattern)
        tables_.taps.push_back(TapRecord{g, col, back, combo, static_cast<uint8_t>(pattern.size())});
    }
  }
  auto tap = [&](size_t g, uint16_t col, uint16_t back) -> uint64_t {
    for (size_t i = 0; i < tables_.taps.size(); ++i) {
      const TapRecord& r = tables_.taps[i];
      if (r.group == g && r.column == col && r.back == back) return i;
    }
    KOVRA_INVARIANT(false, "synthetic circuit: no such tap");
    return 0;
  };

  ProgramBuilder b(tables_.steps);
  auto T = [&](size_t g, uint16_t col, uint16_t back) { return b.fp(StepKind::Tap, tap(g, col, back)); };
  auto G = [&](uint64_t list, uint64_t i) { return b.fp(StepKind::Global, list, i); };
  b.cnst(0);
  b.cnst(1);
  const uint64_t minus_one = b.cnst(kP - 1);
  const uint64_t ext = b.fp(StepKind::ConstExt, 1, 2, 3, kP - 11);
  const uint64_t first = T(kGroupCode, 0, 0);
  const uint64_t not_first = T(kGroupCode, 1, 0);
  const uint64_t even = T(kGroupCode, 2, 0);
  const uint64_t pub0 = G(0, 0), pub1 = G(0, 1), pub_last = G(0, shape_.public_words - 1);
  const uint64_t mix0 = G(1, 0), mix1 = G(1, 1), mix_last = G(1, shape_.mix_count - 1);
  const uint64_t a0 = T(kGroupData, 0, 0), a1 = T(kGroupData, 0, 1);
  const uint64_t b0 = T(kGroupData, 1, 0), b1 = T(kGroupData, 1, 1);
  const uint64_t x0 = T(kGroupData, 2, 0), x1 = T(kGroupData, 2, 1);
  const uint64_t x4 = T(kGroupData, 2, 4), x68 = T(kGroupData, 2, 68);
  const uint64_t sq = T(kGroupData, 3, 0), y = T(kGroupData, 4, 0), w = T(kGroupData, 5, 0);
  const uint64_t acc0 = T(kGroupAccum, 0, 0), acc1 = T(kGroupAccum, 0, 1);
  const uint64_t accc = T(kGroupAccum, 1, 0);
  const uint64_t step = b.add(b.mul(mix0, x0), mix1);

  uint64_t root = b.start();
  uint64_t boundary = b.start();
  boundary = b.zero(boundary, b.sub(a0, pub0));
  boundary = b.zero(boundary, b.sub(b0, pub1));
  boundary = b.zero(boundary, b.sub(acc0, step));
  root = b.cond(root, first, boundary);
  uint64_t transition = b.start();
  transition = b.zero(transition, b.sub(a0, b1));
  transition = b.zero(transition, b.add(b0, b.mul(minus_one, b.add(a1, b1))));
  transition = b.zero(transition, b.sub(b.sub(acc0, acc1), step));
  root = b.cond(root, not_first, transition);
  root = b.zero(root, b.mul(ext, b.sub(y, b.add(x68, x4))));
  root = b.zero(root, b.sub(w, b.mul(x0, x1)));
  root = b.zero(root, b.sub(accc, b.mul(pub_last, mix_last)));
  uint64_t on_even = b.start();
  on_even = b.zero(on_even, b.sub(sq, b.mul(x0, x0)));
  root = b.cond(root, even, on_even);
  tables_.result = root;
  tables_.derive();
  layout_ = tables_.layout();
  program_ = tables_.program();
  description_ = describe_circuit(ProtocolTag::from_text(shape_.tag), shape_.public_words,
                                  shape_.mix_count, layout_, program_);
}

std::vector<Column> SyntheticCircuit::code_columns(uint32_t po2, uint64_t seed) const {
  const size_t n = size_t{1} << po2;
  std::vector<Column> cols(shape_.widths[kGroupCode], Column(n));
  uint64_t s = seed ^ 0xc0de;
  for (size_t i = 0; i < n; ++i) {
    cols[0][i] = i == 0 ? BabyBearElem::one() : BabyBearElem::zero();
    cols[1][i] = i == 0 ? BabyBearElem::zero() : BabyBearElem::one();
    cols[2][i] = i % 2 == 0 ? BabyBearElem::one() : BabyBearElem::zero();
    for (size_t c = 3; c < cols.size(); ++c) cols[c][i] = random_elem(s);
  }
  return cols;
}

std::vector<Column> SyntheticCircuit::data_columns(uint32_t po2,
                                                   std::span<const uint32_t> public_words,
                                                   uint64_t seed) const {
  const size_t n = size_t{1} << po2;
  std::vector<Column> cols(shape_.widths[kGroupData], Column(n));
  uint64_t s = seed ^ 0xda7a;
  auto back = [n](size_t i, size_t b) { return (i + n * 128 - b) % n; };
  for (size_t i = 0; i < n; ++i) {
    if (i == 0) {
      cols[0][0] = BabyBearElem::from_raw(public_words[0]);
      cols[1][0] = BabyBearElem::from_raw(public_words[1]);
    } else {
      cols[0][i] = cols[1][i - 1];
      cols[1][i] = cols[0][i - 1] + cols[1][i - 1];
    }
    cols[2][i] = random_elem(s);
  }
  for (size_t i = 0; i < n; ++i) {
    const BabyBearElem x = cols[2][i];
    cols[3][i] = i % 2 == 0 ? x * x : random_elem(s);
    cols[4][i] = cols[2][back(i, 68)] + cols[2][back(i, 4)];
    cols[5][i] = x * cols[2][back(i, 1)];
    for (size_t c = kFirstFree; c < cols.size(); ++c) cols[c][i] = random_elem(s);
  }
  return cols;
}

std::vector<Column> SyntheticCircuit::accum_columns(uint32_t po2,
                                                    std::span<const uint32_t> public_words,
                                                    const std::vector<Column>& data,
                                                    std::span<const BabyBearElem> mix,
                                                    uint64_t seed) const {
  const size_t n = size_t{1} << po2;
  std::vector<Column> cols(shape_.widths[kGroupAccum], Column(n));
  uint64_t s = seed ^ 0xacc;
  const BabyBearElem c =
      BabyBearElem::from_raw(public_words[shape_.public_words - 1]) * mix[shape_.mix_count - 1];
  BabyBearElem sum;
  for (size_t i = 0; i < n; ++i) {
    sum += mix[0] * data[2][i] + mix[1];
    cols[0][i] = sum;
    cols[1][i] = c;
    for (size_t k = 2; k < cols.size(); ++k) cols[k][i] = random_elem(s);
  }
  return cols;
}

}  // namespace kovra::stark::testing
