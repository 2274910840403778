// Groth16Error: the error value of the Groth16 operations.
//
// It carries a message text of its own ("Data length mismatch", "Invalid proof", ...), or a
// wrapped point-decoding or setup error of the BN254 library, whose display text is then its
// message. Groth16 errors are returned, never printed; the receipt checks map them to a
// verification kind and drop the message.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <cstdint>

#include "bn254/errors.h"

namespace kovra::groth16 {

class Groth16Error {
 public:
  Groth16Error() = default;  // an empty message

  static Groth16Error message(std::string_view text) {
    Groth16Error e;
    e.message_ = std::string(text);
    return e;
  }
  static Groth16Error point(bn254::PointDecodeError p) {
    Groth16Error e;
    e.cause_ = Cause::Point;
    e.point_ = std::move(p);
    return e;
  }
  static Groth16Error setup(bn254::Groth16SetupError s) {
    Groth16Error e;
    e.cause_ = Cause::Setup;
    e.setup_ = s;
    return e;
  }

  // The message, or the display text of the wrapped error.
  std::string text() const;

  // The wrapped errors; nullptr / nullopt when the error is of another cause.
  const bn254::PointDecodeError* point_error() const {
    return cause_ == Cause::Point ? &point_ : nullptr;
  }
  std::optional<bn254::Groth16SetupError> setup_error() const {
    if (cause_ == Cause::Setup) return setup_;
    return std::nullopt;
  }

  friend bool operator==(const Groth16Error&, const Groth16Error&) = default;

 private:
  enum class Cause : uint8_t { Message, Point, Setup };
  Cause cause_ = Cause::Message;
  std::string message_;
  bn254::PointDecodeError point_;
  bn254::Groth16SetupError setup_ = bn254::Groth16SetupError::MalformedVerifyingKey;
};

// Message texts of this library.
inline constexpr std::string_view kDataLengthMismatch = "Data length mismatch";
inline constexpr std::string_view kInvalidProof = "Invalid proof";
inline constexpr std::string_view kMalformedG1 = "Malformed G1 field element";
inline constexpr std::string_view kMalformedG2 = "Malformed G2 field element";

}  // namespace kovra::groth16
