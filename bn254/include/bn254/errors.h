// Error values of the BN254 arithmetic and of the Groth16 check built on it.
//
// `PointDecodeError` is the result of every failed read of a field element, point or line
// list, and of a failed curve or subgroup test. `Groth16SetupError` names the failures of the
// Groth16 key and pairing. Both are plain values; `display()` gives the text shown to a user,
// `debug()` the variant name.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace kovra::bn254 {

// An input/output failure. The only one raised here is the short read.
struct IoError {
  enum class Kind : uint8_t { UnexpectedEof };
  Kind kind = Kind::UnexpectedEof;
  std::string message;

  // A read that needed more bytes than remained: "failed to fill whole buffer".
  static IoError unexpected_eof();

  const std::string& display() const { return message; }
  std::string debug() const;
  bool operator==(const IoError&) const = default;
};

class PointDecodeError {
 public:
  enum class Kind : uint8_t { NotEnoughSpace = 0, InvalidData = 1, UnexpectedFlags = 2, IoError = 3 };

  PointDecodeError() = default;
  static PointDecodeError not_enough_space() { return PointDecodeError(Kind::NotEnoughSpace); }
  static PointDecodeError invalid_data() { return PointDecodeError(Kind::InvalidData); }
  static PointDecodeError unexpected_flags() { return PointDecodeError(Kind::UnexpectedFlags); }
  static PointDecodeError io_error(IoError e) {
    PointDecodeError r(Kind::IoError);
    r.io_ = std::move(e);
    return r;
  }
  // The short read, the only I/O error of this library.
  static PointDecodeError short_read() { return io_error(IoError::unexpected_eof()); }

  Kind kind() const { return kind_; }
  // The carried I/O error; meaningful only for Kind::IoError.
  const IoError& io() const { return io_; }

  std::string display() const;
  std::string debug() const;
  bool operator==(const PointDecodeError&) const = default;

 private:
  explicit PointDecodeError(Kind k) : kind_(k) {}
  Kind kind_ = Kind::InvalidData;
  IoError io_{};
};

enum class Groth16SetupError : uint8_t {
  MissingCS = 0,
  AssignmentMissing = 1,
  DivisionByZero = 2,
  Unsatisfiable = 3,
  PolynomialDegreeTooLarge = 4,
  UnexpectedIdentity = 5,
  MalformedVerifyingKey = 6,
  UnconstrainedVariable = 7,
};

const char* display(Groth16SetupError e);
const char* debug(Groth16SetupError e);

}  // namespace kovra::bn254
