// The journal word codec: a guest's committed journal read back as 32-bit words.
//
// Word i of a journal is its bytes 4i..4i+3 read as a little-endian u32 (no alignment is
// needed); a journal whose length is not a multiple of four is not a word sequence. A
// record is its elements in order, with no names, tags or counts beyond these:
//
//   bool            1 word, 0 or 1                  (else InvalidBool)
//   u16             1 word, at most 65535           (else Custom "... expected u16")
//   u32             1 word
//   u64, i64        2 words, low word first
//   i128            4 words, lowest first, two's complement
//   32-byte array   32 words, one byte each, <= 255 (else Custom "... expected u8")
//   option          a tag word, 0 absent, 1 present followed by the element
//                                                   (else InvalidOptionTag)
//   list            a u32 length word n, then n elements
//
// Running out of words inside any element is UnexpectedEnd. A list's length reserves no more
// elements than the words that remain can hold, so a list read to its end is allocated once
// at its exact length. Decoding stops after a record's last element; words that follow are
// never read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/int128.h"
#include "base/result.h"

namespace kovra::receipts {

class WordCodecError {
 public:
  enum class Kind {
    InvalidBool,
    InvalidChar,
    InvalidOptionTag,
    InvalidUtf8,
    UnexpectedEnd,
    Unsupported,
    BufferFull,
    Custom,
  };

  WordCodecError() = default;
  explicit WordCodecError(Kind kind) : kind_(kind) {}
  static WordCodecError custom(std::string text);

  Kind kind() const { return kind_; }
  // The text form: "Found a bool that wasn't 0 or 1", ..., or a Custom error's own text.
  std::string fmt() const;

  friend bool operator==(const WordCodecError&, const WordCodecError&) = default;

 private:
  Kind kind_ = Kind::UnexpectedEnd;
  std::string custom_;
};

class WordReader {
 public:
  // The words of `journal`, which the reader borrows; fails with the Custom text
  // "failed to cast or read slice as [u32]: OutputSliceWouldHaveSlop" when the length is
  // not a multiple of four.
  static base::Result<WordReader, WordCodecError> from_bytes(std::span<const uint8_t> journal);

  size_t position() const { return pos_; }  // in words
  size_t remaining() const { return count_ - pos_; }

  base::Result<bool, WordCodecError> next_bool();
  // One byte of a 32-byte array.
  base::Result<uint8_t, WordCodecError> next_u8();
  base::Result<uint16_t, WordCodecError> next_u16();
  base::Result<uint32_t, WordCodecError> next_u32();
  // Also the reader of signed 64-bit elements (cast the result).
  base::Result<uint64_t, WordCodecError> next_u64();
  base::Result<int64_t, WordCodecError> next_i64();
  base::Result<base::I128, WordCodecError> next_u128();
  // A 32-byte array: 32 words of one byte each.
  base::Result<std::array<uint8_t, 32>, WordCodecError> next_array32();
  // An option's tag word: true when the element follows.
  base::Result<bool, WordCodecError> next_option_tag();
  base::Result<std::vector<uint32_t>, WordCodecError> next_u32_list();
  base::Result<std::vector<base::I128>, WordCodecError> next_u128_list();

 private:
  WordReader(std::span<const uint8_t> bytes) : bytes_(bytes), count_(bytes.size() / 4) {}
  uint32_t word(size_t i) const;

  std::span<const uint8_t> bytes_;
  size_t count_ = 0;
  size_t pos_ = 0;
};

}  // namespace kovra::receipts
