#include "stark/poseidon2.h"

#include "base/invariant.h"
#include "poseidon2_constants.h"

namespace kovra::stark {

namespace {

using namespace poseidon2_detail;

BabyBearElem elem(uint32_t montgomery_word) { return BabyBearElem::from_raw(montgomery_word); }

BabyBearElem sbox(BabyBearElem x) {
  const BabyBearElem x2 = x * x;
  const BabyBearElem x4 = x2 * x2;
  const BabyBearElem x6 = x2 * x4;
  return x * x6;
}

// y = M4 x with M4 = [5 7 1 3; 4 6 1 1; 1 3 5 7; 1 1 4 6].
void apply_m4(BabyBearElem* x) {
  static constexpr uint32_t kM4[4][4] = {{5, 7, 1, 3}, {4, 6, 1, 1}, {1, 3, 5, 7}, {1, 1, 4, 6}};
  BabyBearElem y[4];
  for (int r = 0; r < 4; ++r) {
    y[r] = BabyBearElem::zero();
    for (int c = 0; c < 4; ++c) y[r] += BabyBearElem::from_u32(kM4[r][c]) * x[c];
  }
  for (int r = 0; r < 4; ++r) x[r] = y[r];
}

// The 24x24 matrix with 2 M4 on the diagonal blocks and M4 off it: M4 on each block of four
// cells, then lane j of every block gains the sum of lane j over all six blocks.
void external_layer(Poseidon2State& s) {
  for (size_t block = 0; block < 6; ++block) apply_m4(&s[4 * block]);
  for (size_t lane = 0; lane < 4; ++lane) {
    BabyBearElem sum = BabyBearElem::zero();
    for (size_t block = 0; block < 6; ++block) sum += s[4 * block + lane];
    for (size_t block = 0; block < 6; ++block) s[4 * block + lane] += sum;
  }
}

// Every cell becomes cell * D + (sum of all cells).
void internal_layer(Poseidon2State& s) {
  BabyBearElem sum = BabyBearElem::zero();
  for (const auto& cell : s) sum += cell;
  for (size_t i = 0; i < kWidth; ++i) s[i] = s[i] * elem(kDiagonal[i]) + sum;
}

void full_round(Poseidon2State& s, const Row& rc) {
  for (size_t i = 0; i < kWidth; ++i) s[i] = sbox(s[i] + elem(rc[i]));
  external_layer(s);
}

void partial_round(Poseidon2State& s, const Row& rc) {
  s[0] = sbox(s[0] + elem(rc[0]));
  internal_layer(s);
}

using PermuteFn = void (*)(Poseidon2State&);

PermuteFn choose_permutation() {
  if (poseidon2_has_avx512()) return &poseidon2_permute_avx512;
  return poseidon2_has_avx2() ? &poseidon2_permute_avx2 : &poseidon2_permute_scalar;
}

Digest digest_of(const Poseidon2State& s) {
  Digest d;
  for (size_t i = 0; i < 8; ++i) d.words[i] = s[i].raw();
  return d;
}

// Words overwrite the rate cells in turn; a full rate is permuted at once.
class Sponge {
 public:
  void absorb(std::span<const BabyBearElem> words) {
    for (const BabyBearElem w : words) {
      cells_[filled_++] = w;
      if (filled_ == kPoseidon2Rate) {
        poseidon2_permute(cells_);
        filled_ = 0;
      }
    }
    absorbed_ = absorbed_ || !words.empty();
  }

  Digest finish() {
    if (filled_ > 0) {
      for (size_t i = filled_; i < kPoseidon2Rate; ++i) cells_[i] = BabyBearElem::zero();
      poseidon2_permute(cells_);
    } else if (!absorbed_) {
      poseidon2_permute(cells_);
    }
    return digest_of(cells_);
  }

 private:
  Poseidon2State cells_{};
  size_t filled_ = 0;
  bool absorbed_ = false;
};

}  // namespace

void poseidon2_permute_scalar(Poseidon2State& s) {
  external_layer(s);
  for (size_t r = 0; r < kFirstPartial; ++r) full_round(s, kRoundConstants[r]);
  for (size_t r = kFirstPartial; r < kSecondFull; ++r) partial_round(s, kRoundConstants[r]);
  for (size_t r = kSecondFull; r < kRounds; ++r) full_round(s, kRoundConstants[r]);
}

void poseidon2_permute(Poseidon2State& s) {
  static const PermuteFn permute = choose_permutation();
  permute(s);
}

Digest Poseidon2Hasher::hash_pair(const Digest& a, const Digest& b) const {
  Poseidon2State s{};
  for (size_t i = 0; i < 8; ++i) {
    const BabyBearElem x = elem(a.words[i]), y = elem(b.words[i]);
    KOVRA_INVARIANT(x.is_reduced() && y.is_reduced(), "assertion failed: elem.is_reduced()");
    s[i] = x;
    s[8 + i] = y;
  }
  poseidon2_permute(s);
  return digest_of(s);
}

Digest Poseidon2Hasher::hash_elem_slice(std::span<const BabyBearElem> elems) const {
  Sponge sponge;
  sponge.absorb(elems);
  return sponge.finish();
}

Digest Poseidon2Hasher::hash_ext_elem_slice(std::span<const BabyBearExtElem> elems) const {
  Sponge sponge;
  for (const auto& e : elems) sponge.absorb(e.c);
  return sponge.finish();
}

bool Poseidon2Hasher::digest_is_reduced(const Digest& d) const {
  for (const uint32_t w : d.words)
    if (w >= BabyBearElem::P) return false;
  return true;
}

Poseidon2Transcript::Poseidon2Transcript(const Poseidon2State& cells, size_t position)
    : cells_(cells), position_(position) {
  KOVRA_INVARIANT(position <= kPoseidon2Rate, "transcript position beyond the rate");
}

void Poseidon2Transcript::mix(const Digest& d) {
  if (position_ != 0) {
    poseidon2_permute(cells_);
    position_ = 0;
  }
  // Field addition of the Montgomery words. Digests mixed here are reduced; a word of P or
  // more is taken modulo P rather than let the 32-bit sum wrap.
  for (size_t i = 0; i < 8; ++i)
    cells_[i] = elem(uint32_t((uint64_t{cells_[i].raw()} + d.words[i]) % BabyBearElem::P));
  poseidon2_permute(cells_);
}

BabyBearElem Poseidon2Transcript::random_elem() {
  if (position_ == kPoseidon2Rate) {
    poseidon2_permute(cells_);
    position_ = 0;
  }
  return cells_[position_++];
}

BabyBearExtElem Poseidon2Transcript::random_ext_elem() {
  const BabyBearElem c0 = random_elem();
  const BabyBearElem c1 = random_elem();
  const BabyBearElem c2 = random_elem();
  const BabyBearElem c3 = random_elem();
  return {c0, c1, c2, c3};
}

uint32_t Poseidon2Transcript::random_bits(uint32_t bits) {
  KOVRA_INVARIANT(bits < 32, "random_bits takes fewer than 32 bits");
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    const uint32_t plain = random_elem().to_u32();
    if (value == 0) value = plain;
  }
  return value & ((uint32_t{1} << bits) - 1);
}

std::unique_ptr<TranscriptRng> Poseidon2TranscriptFactory::new_rng() const {
  return std::make_unique<Poseidon2Transcript>();
}

HashSuite HashSuite::poseidon2() {
  return HashSuite{"poseidon2", std::make_shared<const Poseidon2Hasher>(),
                   std::make_shared<const Poseidon2TranscriptFactory>()};
}

}  // namespace kovra::stark
