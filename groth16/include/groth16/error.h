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
#include <variant>

#include "bn254/errors.h"

namespace kovra::groth16 {

class Groth16Error {
 public:
  Groth16Error() = default;  // an empty message
  static Groth16Error message(std::string_view text) {
    return Groth16Error(Cause(std::in_place_index<0>, std::string(text)));
  }
  static Groth16Error point(bn254::PointDecodeError e) {
    return Groth16Error(Cause(std::in_place_index<1>, std::move(e)));
  }
  static Groth16Error setup(bn254::Groth16SetupError e) {
    return Groth16Error(Cause(std::in_place_index<2>, e));
  }

  // The message, or the display text of the wrapped error.
  std::string text() const;

  // The wrapped errors; nullptr / nullopt when the error is of another cause.
  const bn254::PointDecodeError* point_error() const {
    return std::get_if<bn254::PointDecodeError>(&cause_);
  }
  std::optional<bn254::Groth16SetupError> setup_error() const {
    if (auto* e = std::get_if<bn254::Groth16SetupError>(&cause_)) return *e;
    return std::nullopt;
  }

  friend bool operator==(const Groth16Error&, const Groth16Error&) = default;

 private:
  using Cause = std::variant<std::string, bn254::PointDecodeError, bn254::Groth16SetupError>;
  explicit Groth16Error(Cause cause) : cause_(std::move(cause)) {}
  Cause cause_;
};

// Message texts of this library.
inline constexpr std::string_view kDataLengthMismatch = "Data length mismatch";
inline constexpr std::string_view kInvalidProof = "Invalid proof";
inline constexpr std::string_view kMalformedG1 = "Malformed G1 field element";
inline constexpr std::string_view kMalformedG2 = "Malformed G2 field element";

}  // namespace kovra::groth16
