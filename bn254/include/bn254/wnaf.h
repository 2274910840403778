// Width-w non-adjacent form of a scalar, for scalar multiplication with a small table of odd
// multiples.
//
// The digits d_i (least significant first) give k = sum d_i·2^i; each is zero or odd with
// |d_i| < 2^(w-1), and of any w consecutive digits at most one is non-zero. The last digit of
// a non-zero scalar is non-zero; zero has no digits. All of it is constexpr, so a fixed scalar
// can be recoded while compiling.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kovra::bn254 {

// Up to 64·Words + 1 digits of a scalar of Words 64-bit words.
template <size_t Words>
struct WnafDigits {
  std::array<int8_t, 64 * Words + 1> digits{};
  size_t size = 0;
};

// The width-w form of k (words least significant first), 2 <= w <= 7.
template <size_t Words>
constexpr WnafDigits<Words> wnaf_digits(const std::array<uint64_t, Words>& k, unsigned w) {
  // One word more than k: subtracting a negative digit can carry past the top word of k.
  std::array<uint64_t, Words + 1> n{};
  for (size_t i = 0; i < Words; ++i) n[i] = k[i];
  const auto is_zero = [&n] {
    for (uint64_t word : n)
      if (word != 0) return false;
    return true;
  };
  const uint64_t window = uint64_t{1} << w;
  WnafDigits<Words> out;
  while (!is_zero()) {
    int8_t d = 0;
    if (n[0] & 1) {
      const uint64_t low = n[0] & (window - 1);
      if (low >= window / 2) {
        // Digit low - 2^w < 0: n += 2^w - low.
        d = static_cast<int8_t>(static_cast<int64_t>(low) - static_cast<int64_t>(window));
        uint64_t carry = window - low;
        for (size_t i = 0; i < n.size() && carry != 0; ++i) {
          n[i] += carry;
          carry = n[i] < carry ? 1 : 0;
        }
      } else {
        d = static_cast<int8_t>(low);
        n[0] -= low;  // only clears low bits: no borrow
      }
    }
    out.digits[out.size++] = d;
    for (size_t i = 0; i + 1 < n.size(); ++i) n[i] = (n[i] >> 1) | (n[i + 1] << 63);
    n[n.size() - 1] >>= 1;
  }
  return out;
}

}  // namespace kovra::bn254
