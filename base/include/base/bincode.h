// bincode: the fixed-width little-endian binary form of the bundle files.
//
// A value is its members in declaration order with nothing between them:
//   u8, u16, u32, u64, i64   1, 2, 4, 8, 8 bytes, little-endian (two's complement if signed)
//   bool                     one byte, 0 or 1; any other byte is refused
//   option                   one tag byte, 0 absent, 1 present followed by the value
//   enum                     its variant index as a u32, then the variant's members
//   byte string, word list   a u64 count, then that many u8 or u32 elements
//   text                     a u64 byte length, then that many bytes of UTF-8
//   list of records          a u64 count, then the records back to back
//   fixed array, Digest      the elements in order, no count
//
// BincodeReader walks a borrowed buffer front to back over a ByteReader. Every read checks
// its length against the bytes that remain before anything is touched or allocated, so a
// huge count in a short input fails at the end of the input without exhausting memory.
// A list whose elements take at least a known number of bytes each reserves room for no
// more elements than the input can still hold (list_room): the list of a complete input is
// allocated once at its exact length, and one whose count overstates the input, which the
// decode cannot survive, keeps none of its elements. The first failure is returned as a
// BincodeError whose message is the decoder's text as users see it, for example "io error:
// unexpected end of file".
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "base/byte_reader.h"
#include "base/digest.h"
#include "base/invariant.h"
#include "base/result.h"

namespace kovra::base {

enum class BincodeErrorKind {
  UnexpectedEnd,   // a fixed-width value or an element ran past the end of the input
  TextPastEnd,     // a text's declared length exceeds the bytes that remain
  InvalidUtf8,     // a text's bytes are not UTF-8
  InvalidBool,     // a bool byte other than 0 or 1
  InvalidTag,      // an option tag other than 0 or 1
  InvalidValue,    // an enum variant index out of range, or a value that cannot exist
  NestingTooDeep,  // a recursive record nested beyond the reader's fixed bound
};

struct BincodeError {
  BincodeErrorKind kind = BincodeErrorKind::UnexpectedEnd;
  std::string message;

  // "io error: unexpected end of file"
  static BincodeError unexpected_end();
  // "io error: " (nothing follows the colon and blank)
  static BincodeError text_past_end();
  // "string is not valid utf8: {detail}"
  static BincodeError invalid_utf8(const std::string& detail);
  // "invalid u8 while decoding bool, expected 0 or 1, found {found}"
  static BincodeError invalid_bool(uint8_t found);
  // "tag for enum is not valid, found {found}"
  static BincodeError invalid_tag(uint8_t found);
  // "invalid value: integer `{value}`, expected variant index 0 <= i < {count}"
  static BincodeError invalid_variant(uint64_t value, uint32_t count);
  // A member of a type that has no values: "... expected variant index 0 <= i < 0".
  static BincodeError refuse_empty_variant(uint64_t value);
  static BincodeError nesting_too_deep(std::string message);
};

// Where a byte string stops being UTF-8, in the terms of the standard validation: the
// sequence at byte `valid_up_to` is invalid and `error_len` (1 to 3) bytes long, or, when
// `error_len` is 0, cut short by the end of the string.
struct Utf8Error {
  size_t valid_up_to = 0;
  uint8_t error_len = 0;

  // "invalid utf-8 sequence of {error_len} bytes from index {valid_up_to}" or
  // "incomplete utf-8 byte sequence from index {valid_up_to}".
  std::string detail() const;
};

// nullopt when `bytes` is well-formed UTF-8 (no surrogates, no overlong forms, nothing
// above U+10FFFF); else the first error.
std::optional<Utf8Error> check_utf8(std::span<const uint8_t> bytes);

class BincodeReader {
 public:
  explicit BincodeReader(std::span<const uint8_t> data) : in_(data) {}

  size_t position() const { return in_.position(); }
  size_t remaining() const { return in_.remaining(); }
  bool empty() const { return in_.empty(); }

  Result<uint8_t, BincodeError> u8();
  Result<uint16_t, BincodeError> u16();
  Result<uint32_t, BincodeError> u32();
  Result<uint64_t, BincodeError> u64();
  Result<int64_t, BincodeError> i64();
  Result<bool, BincodeError> boolean();
  // An option's tag byte: true when the value follows.
  Result<bool, BincodeError> option_tag();
  // An enum's u32 variant index, refused unless below `count`.
  Result<uint32_t, BincodeError> variant_index(uint32_t count);
  // A list's (or string's) u64 element count; the caller checks it against what arrives.
  Result<uint64_t, BincodeError> count() { return u64(); }

  template <size_t N>
  Result<std::array<uint8_t, N>, BincodeError> array() {
    auto a = in_.template array<N>();
    if (!a.ok()) return Err(BincodeError::unexpected_end());
    return *a;
  }
  Result<Digest, BincodeError> digest();

  Result<std::vector<uint8_t>, BincodeError> byte_string();
  Result<std::vector<uint32_t>, BincodeError> word_list();
  Result<std::string, BincodeError> text();

  // A u64 count, then that many elements, each read by `read_one(*this)`, which returns a
  // Result<T, BincodeError>, and each takes at least `min_bytes` (> 0) bytes of input:
  // reserves list_room(count, min_bytes) elements, which is the whole count whenever the
  // input holds it, and while an element is read, the elements still to come count as
  // taken, so that lists nested in it reserve only what is left.
  //
  // A count beyond list_room cannot be met by the input: the decode is bound to fail,
  // in this list or in one around it. Its elements are still read one by one, so that the
  // failure is the same, but none is kept (the list then comes back empty, and the error
  // of a list around it follows). Should the outermost list succeed all the same, a
  // `min_bytes` was wrong: an internal invariant.
  template <class T, class ReadOne>
  Result<std::vector<T>, BincodeError> list(size_t min_bytes, ReadOne&& read_one) {
    KOVRA_ASSIGN_OR_RETURN(const uint64_t n, count());
    const size_t room = list_room(n, min_bytes);
    const bool unmet = n > room;
    std::vector<T> out;
    if (!unmet) out.reserve(room);
    const ListScope scope(*this);
    for (uint64_t i = 0; i < n; ++i) {
      pending_ = scope.outer_pending +
                 static_cast<size_t>(std::min<uint64_t>(n - 1 - i, room)) * min_bytes;
      KOVRA_ASSIGN_OR_RETURN(T item, read_one(*this));
      if (!unmet) out.push_back(std::move(item));
    }
    if (unmet) dropped_ = true;
    KOVRA_INVARIANT(!(dropped_ && list_depth_ == 1),
                    "a decode that dropped the elements of an unmet list succeeded");
    return out;
  }

  // How many of `count` elements of at least `min_bytes` bytes each the remaining input can
  // hold, less the bytes that the elements still to come of the lists being read take.
  size_t list_room(uint64_t count, size_t min_bytes) const {
    const size_t free = remaining() > pending_ ? remaining() - pending_ : 0;
    return static_cast<size_t>(std::min<uint64_t>(count, free / min_bytes));
  }

 private:
  // One list being read: restores the enclosing lists' pending bytes when it ends, by
  // error or not, and forgets dropped elements once the outermost list ends.
  struct ListScope {
    explicit ListScope(BincodeReader& r) : reader(r), outer_pending(r.pending_) {
      ++reader.list_depth_;
    }
    ~ListScope() {
      reader.pending_ = outer_pending;
      if (--reader.list_depth_ == 0) reader.dropped_ = false;
    }
    ListScope(const ListScope&) = delete;
    ListScope& operator=(const ListScope&) = delete;
    BincodeReader& reader;
    const size_t outer_pending;
  };

  ByteReader in_;
  size_t pending_ = 0;     // bytes the unread elements of the enclosing lists take at least
  int list_depth_ = 0;     // lists of known minimum being read, one inside the other
  bool dropped_ = false;   // an unmet list inside the outermost one dropped its elements
};

}  // namespace kovra::base
