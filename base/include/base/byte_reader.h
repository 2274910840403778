// ByteReader: the one bounded cursor that untrusted bytes pass through.
//
// Every read checks its length against the bytes that remain before touching them, and a
// read past the end is an error value (EndOfInput), never a read out of bounds. The reader
// borrows its buffer; the buffer must outlive it.
//
// Counts read from a file never size an allocation directly: a list reserves no more
// elements than the bytes that remain can hold (BincodeReader::list_room, base/bincode.h).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "base/result.h"

namespace kovra::base {

// A read wanted more bytes than remained.
struct EndOfInput {
  size_t wanted = 0;
  size_t remaining = 0;
};

class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> data) : data_(data) {}

  size_t remaining() const { return data_.size() - pos_; }
  size_t position() const { return pos_; }
  bool empty() const { return remaining() == 0; }
  std::span<const uint8_t> rest() const { return data_.subspan(pos_); }

  Result<std::span<const uint8_t>, EndOfInput> bytes(size_t n) {
    if (n > remaining()) return Err(EndOfInput{n, remaining()});
    auto out = data_.subspan(pos_, n);
    pos_ += n;
    return out;
  }

  Result<uint8_t, EndOfInput> u8() {
    if (remaining() < 1) return Err(EndOfInput{1, remaining()});
    return data_[pos_++];
  }
  Result<uint16_t, EndOfInput> u16_le() { return le<uint16_t>(); }
  Result<uint32_t, EndOfInput> u32_le() { return le<uint32_t>(); }
  Result<uint64_t, EndOfInput> u64_le() { return le<uint64_t>(); }
  Result<uint32_t, EndOfInput> u32_be() { return be<uint32_t>(); }
  Result<uint64_t, EndOfInput> u64_be() { return be<uint64_t>(); }

  template <size_t N>
  Result<std::array<uint8_t, N>, EndOfInput> array() {
    if (N > remaining()) return Err(EndOfInput{N, remaining()});
    std::array<uint8_t, N> out;
    std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(pos_), N, out.begin());
    pos_ += N;
    return out;
  }

 private:
  template <class U>
  Result<U, EndOfInput> le() {
    if (sizeof(U) > remaining()) return Err(EndOfInput{sizeof(U), remaining()});
    U v = 0;
    for (size_t i = 0; i < sizeof(U); ++i) v |= static_cast<U>(U(data_[pos_ + i]) << (8 * i));
    pos_ += sizeof(U);
    return v;
  }
  template <class U>
  Result<U, EndOfInput> be() {
    if (sizeof(U) > remaining()) return Err(EndOfInput{sizeof(U), remaining()});
    U v = 0;
    for (size_t i = 0; i < sizeof(U); ++i) v = static_cast<U>((v << 8) | data_[pos_ + i]);
    pos_ += sizeof(U);
    return v;
  }

  std::span<const uint8_t> data_;
  size_t pos_ = 0;
};

}  // namespace kovra::base
