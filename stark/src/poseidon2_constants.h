// Poseidon2 constants for width 24 over Baby Bear, all as Montgomery words.
//
// Round constants come from the Grain LFSR parameter generator of the Poseidon design, run
// here at compile time:
//   - an 80-bit register b_0..b_79 is loaded, first bit first and each value most significant
//     bit first, with: 1 (2 bits, prime field), 0 (4 bits, S-box x^a), 31 (12 bits, bit length
//     of P), 24 (12 bits, width), 8 (10 bits, full rounds), 21 (10 bits, partial rounds) and
//     30 one bits;
//   - one clock enters b_62 ^ b_51 ^ b_38 ^ b_23 ^ b_13 ^ b_0 as the new b_79 (b_0 leaves);
//   - the first 160 clocks are discarded; then clocks come in pairs (s, v) and v is an output
//     bit when s = 1;
//   - a candidate is the next 31 output bits, most significant first, kept when below P;
//   - the kept constants fill rows 0..3 entry by entry, entry 0 of rows 4..24 (the partial
//     rounds; their other entries stay zero), then rows 25..28 entry by entry.
#pragma once

#include <array>
#include <cstdint>

#include "stark/baby_bear.h"

namespace kovra::stark::poseidon2_detail {

inline constexpr size_t kWidth = 24;
inline constexpr size_t kRounds = 29;           // 4 full, 21 partial, 4 full
inline constexpr size_t kFirstPartial = 4;      // rows 4..24 are the partial rounds
inline constexpr size_t kSecondFull = 25;       // rows 25..28

using Row = std::array<uint32_t, kWidth>;

// The register is two words, b_0..b_63 in `lo_` and b_64..b_79 in the low bits of `hi_`, so
// that a clock is a few shifts (cheap enough for every compiler's constant evaluation).
class Grain {
 public:
  constexpr Grain() {
    int n = 0;
    auto put = [&](uint32_t value, int width) {
      for (int i = width - 1; i >= 0; --i, ++n) {
        const uint64_t bit = (value >> i) & 1;
        if (n < 64) {
          lo_ |= bit << n;
        } else {
          hi_ |= bit << (n - 64);
        }
      }
    };
    put(1, 2);
    put(0, 4);
    put(31, 12);
    put(kWidth, 12);
    put(8, 10);
    put(21, 10);
    put(0x3fffffff, 30);
    for (int i = 0; i < 160; ++i) clock();
  }

  // The next field constant: 31 output bits, most significant first, below P.
  constexpr uint32_t next_constant() {
    for (;;) {
      uint32_t c = 0;
      for (int i = 0; i < 31; ++i) c = (c << 1) | output_bit();
      if (c < BabyBearElem::P) return c;
    }
  }

 private:
  constexpr uint32_t clock() {
    const uint64_t bit = ((lo_ >> 62) ^ (lo_ >> 51) ^ (lo_ >> 38) ^ (lo_ >> 23) ^ (lo_ >> 13) ^ lo_) & 1;
    // b_0 leaves; the new bit is b_79.
    lo_ = (lo_ >> 1) | (hi_ << 63);
    hi_ = (hi_ >> 1) | (bit << 15);
    return static_cast<uint32_t>(bit);
  }
  constexpr uint32_t output_bit() {
    for (;;) {
      const uint32_t s = clock();
      const uint32_t v = clock();
      if (s == 1) return v;
    }
  }

  uint64_t lo_ = 0;
  uint64_t hi_ = 0;
};

// Plain values of the round constants.
constexpr std::array<Row, kRounds> plain_round_constants() {
  std::array<Row, kRounds> rows{};
  Grain g;
  for (size_t r = 0; r < kFirstPartial; ++r)
    for (size_t i = 0; i < kWidth; ++i) rows[r][i] = g.next_constant();
  for (size_t r = kFirstPartial; r < kSecondFull; ++r) rows[r][0] = g.next_constant();
  for (size_t r = kSecondFull; r < kRounds; ++r)
    for (size_t i = 0; i < kWidth; ++i) rows[r][i] = g.next_constant();
  return rows;
}

inline constexpr std::array<Row, kRounds> kPlainRoundConstants = plain_round_constants();

constexpr std::array<Row, kRounds> to_montgomery(const std::array<Row, kRounds>& plain) {
  std::array<Row, kRounds> rows{};
  for (size_t r = 0; r < kRounds; ++r)
    for (size_t i = 0; i < kWidth; ++i) rows[r][i] = BabyBearElem::from_u32(plain[r][i]).raw();
  return rows;
}

// Round constants, Montgomery words; row r is used by round r.
inline constexpr std::array<Row, kRounds> kRoundConstants = to_montgomery(kPlainRoundConstants);

// The internal layer's diagonal (plain values, cell 0 first) ...
inline constexpr Row kPlainDiagonal = {
    1083257840, 375892129,  111593398,  1867716110, 658182609,  51866717,
    1928969209, 1942928017, 1558116381, 20525701,   1188752902, 106789798,
    1389833583, 98371040,   1001081699, 1792686146, 801504236,  1997365680,
    1461037801, 65998480,   1974912880, 606789471,  13683276,   918610824};

constexpr Row diagonal_montgomery() {
  Row d{};
  for (size_t i = 0; i < kWidth; ++i) d[i] = BabyBearElem::from_u32(kPlainDiagonal[i]).raw();
  return d;
}

// ... and as Montgomery words.
inline constexpr Row kDiagonal = diagonal_montgomery();

// The generator's published check values.
static_assert(kPlainRoundConstants[0][0] == 262278199 && kPlainRoundConstants[0][1] == 127253399 &&
              kPlainRoundConstants[0][2] == 314968988 && kPlainRoundConstants[0][3] == 246143118);
static_assert(kPlainRoundConstants[4][0] == 497520322);
static_assert(kPlainRoundConstants[24][0] == 1810596765);
static_assert(kPlainRoundConstants[28][0] == 1206940496 &&
              kPlainRoundConstants[28][1] == 1896271507 &&
              kPlainRoundConstants[28][2] == 1003792297 && kPlainRoundConstants[28][3] == 738091882);
static_assert(kPlainRoundConstants[4][1] == 0 && kPlainRoundConstants[24][23] == 0);

}  // namespace kovra::stark::poseidon2_detail
