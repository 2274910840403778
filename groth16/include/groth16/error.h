// Groth16Error: the error value of the Groth16 operations.
//
// It carries a message text of its own ("Data length mismatch", "Invalid proof", ...), or a
// wrapped point-decoding or setup error of the BN254 library, whose text is then its message.
// Groth16 errors are returned, never printed; the receipt checks map them to a verification
// kind and drop the message.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace kovra::groth16 {

class Groth16Error {
 public:
  static Groth16Error message(std::string_view text) { return Groth16Error(std::string(text)); }

  const std::string& text() const { return text_; }

  friend bool operator==(const Groth16Error&, const Groth16Error&) = default;

 private:
  explicit Groth16Error(std::string text) : text_(std::move(text)) {}
  std::string text_;
};

}  // namespace kovra::groth16
