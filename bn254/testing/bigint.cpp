#include "bn254/testing/bigint.h"

#include <algorithm>

namespace kovra::bn254::testing {

__extension__ typedef unsigned __int128 u128;

BigUint::BigUint(uint64_t v) {
  if (v) w_.push_back(v);
}

BigUint::BigUint(std::span<const uint64_t> words_le) : w_(words_le.begin(), words_le.end()) {
  trim();
}

BigUint BigUint::from_hex(std::string_view hex) {
  BigUint r;
  for (char ch : hex) {
    uint64_t d = 0;
    if (ch >= '0' && ch <= '9') d = static_cast<uint64_t>(ch - '0');
    else if (ch >= 'a' && ch <= 'f') d = static_cast<uint64_t>(ch - 'a' + 10);
    else if (ch >= 'A' && ch <= 'F') d = static_cast<uint64_t>(ch - 'A' + 10);
    else continue;
    r = r * BigUint(16) + BigUint(d);
  }
  return r;
}

void BigUint::trim() {
  while (!w_.empty() && w_.back() == 0) w_.pop_back();
}

size_t BigUint::bit_length() const {
  if (w_.empty()) return 0;
  size_t top = 64;
  while (!((w_.back() >> (top - 1)) & 1)) --top;
  return 64 * (w_.size() - 1) + top;
}

bool BigUint::bit(size_t i) const {
  if (i / 64 >= w_.size()) return false;
  return (w_[i / 64] >> (i % 64)) & 1;
}

bool BigUint::operator<(const BigUint& o) const {
  if (w_.size() != o.w_.size()) return w_.size() < o.w_.size();
  for (size_t i = w_.size(); i-- > 0;) {
    if (w_[i] != o.w_[i]) return w_[i] < o.w_[i];
  }
  return false;
}

BigUint BigUint::operator+(const BigUint& o) const {
  BigUint r;
  r.w_.resize(std::max(w_.size(), o.w_.size()) + 1);
  uint64_t carry = 0;
  for (size_t i = 0; i + 1 < r.w_.size(); ++i) {
    const u128 s = u128(i < w_.size() ? w_[i] : 0) + (i < o.w_.size() ? o.w_[i] : 0) + carry;
    r.w_[i] = static_cast<uint64_t>(s);
    carry = static_cast<uint64_t>(s >> 64);
  }
  r.w_.back() = carry;
  r.trim();
  return r;
}

BigUint BigUint::operator-(const BigUint& o) const {
  BigUint r;
  r.w_.resize(w_.size());
  uint64_t borrow = 0;
  for (size_t i = 0; i < w_.size(); ++i) {
    const u128 s = u128(w_[i]) - (i < o.w_.size() ? o.w_[i] : 0) - borrow;
    r.w_[i] = static_cast<uint64_t>(s);
    borrow = static_cast<uint64_t>(s >> 127);
  }
  r.trim();
  return r;
}

BigUint BigUint::operator*(const BigUint& o) const {
  if (is_zero() || o.is_zero()) return BigUint();
  BigUint r;
  r.w_.assign(w_.size() + o.w_.size(), 0);
  for (size_t i = 0; i < w_.size(); ++i) {
    uint64_t carry = 0;
    for (size_t j = 0; j < o.w_.size(); ++j) {
      const u128 t = u128(w_[i]) * o.w_[j] + r.w_[i + j] + carry;
      r.w_[i + j] = static_cast<uint64_t>(t);
      carry = static_cast<uint64_t>(t >> 64);
    }
    r.w_[i + o.w_.size()] = carry;
  }
  r.trim();
  return r;
}

void BigUint::divmod(const BigUint& d, BigUint& q, BigUint& r) const {
  q = BigUint();
  r = BigUint();
  q.w_.assign(w_.size(), 0);
  for (size_t i = bit_length(); i-- > 0;) {
    r = r + r;
    if (bit(i)) r = r + BigUint(1);
    if (!(r < d)) {
      r = r - d;
      q.w_[i / 64] |= uint64_t{1} << (i % 64);
    }
  }
  q.trim();
}

BigUint BigUint::operator/(const BigUint& o) const {
  BigUint q, r;
  divmod(o, q, r);
  return q;
}

BigUint BigUint::operator%(const BigUint& o) const {
  BigUint q, r;
  divmod(o, q, r);
  return r;
}

BigUint BigUint::pow(unsigned e) const {
  BigUint r(1);
  for (unsigned i = 0; i < e; ++i) r = r * *this;
  return r;
}

}  // namespace kovra::bn254::testing
