// A small unsigned big integer for tests: exponents such as p^k or (p^12 - 1)/r, and a
// generic square-and-multiply over it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace kovra::bn254::testing {

class BigUint {
 public:
  BigUint() = default;
  explicit BigUint(uint64_t v);
  explicit BigUint(std::span<const uint64_t> words_le);
  // Hexadecimal digits, most significant first, no prefix.
  static BigUint from_hex(std::string_view hex);

  size_t bit_length() const;
  bool bit(size_t i) const;
  const std::vector<uint64_t>& words() const { return w_; }
  bool is_zero() const { return w_.empty(); }

  BigUint operator+(const BigUint& o) const;
  BigUint operator-(const BigUint& o) const;  // requires *this >= o
  BigUint operator*(const BigUint& o) const;
  BigUint operator/(const BigUint& o) const;
  BigUint operator%(const BigUint& o) const;
  BigUint pow(unsigned e) const;
  bool operator==(const BigUint& o) const = default;
  bool operator<(const BigUint& o) const;

 private:
  void trim();
  void divmod(const BigUint& d, BigUint& q, BigUint& r) const;
  std::vector<uint64_t> w_;  // least significant first, no leading zero words
};

// base^e by square-and-multiply, for any type with `mul` and a `one()`.
template <class T>
T pow(const T& base, const BigUint& e) {
  T r = T::one();
  for (size_t i = e.bit_length(); i-- > 0;) {
    r = r.mul(r);
    if (e.bit(i)) r = r.mul(base);
  }
  return r;
}

}  // namespace kovra::bn254::testing
