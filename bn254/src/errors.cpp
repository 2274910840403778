#include "bn254/errors.h"

namespace kovra::bn254 {

IoError IoError::unexpected_eof() {
  return IoError{Kind::UnexpectedEof, "failed to fill whole buffer"};
}

std::string IoError::debug() const {
  return "Error { kind: UnexpectedEof, message: \"" + message + "\" }";
}

std::string PointDecodeError::display() const {
  switch (kind_) {
    case Kind::NotEnoughSpace:
      return "the last byte does not have enough space to encode the extra info bits";
    case Kind::InvalidData:
      return "the input buffer contained invalid data";
    case Kind::UnexpectedFlags:
      return "the call expects empty flags";
    case Kind::IoError:
      return "I/O error: " + io_.display();
  }
  return {};
}

std::string PointDecodeError::debug() const {
  switch (kind_) {
    case Kind::NotEnoughSpace:
      return "NotEnoughSpace";
    case Kind::InvalidData:
      return "InvalidData";
    case Kind::UnexpectedFlags:
      return "UnexpectedFlags";
    case Kind::IoError:
      return "IoError(" + io_.debug() + ")";
  }
  return {};
}

const char* display(Groth16SetupError e) {
  switch (e) {
    case Groth16SetupError::MissingCS:
      return "the constraint system was `None`";
    case Groth16SetupError::AssignmentMissing:
      return "an assignment for a variable could not be computed";
    case Groth16SetupError::DivisionByZero:
      return "division by zero";
    case Groth16SetupError::Unsatisfiable:
      return "unsatisfiable constraint system";
    case Groth16SetupError::PolynomialDegreeTooLarge:
      return "polynomial degree is too large";
    case Groth16SetupError::UnexpectedIdentity:
      return "encountered an identity element in the CRS";
    case Groth16SetupError::MalformedVerifyingKey:
      return "malformed verifying key";
    case Groth16SetupError::UnconstrainedVariable:
      return "auxiliary variable was unconstrained";
  }
  return "";
}

const char* debug(Groth16SetupError e) {
  switch (e) {
    case Groth16SetupError::MissingCS:
      return "MissingCS";
    case Groth16SetupError::AssignmentMissing:
      return "AssignmentMissing";
    case Groth16SetupError::DivisionByZero:
      return "DivisionByZero";
    case Groth16SetupError::Unsatisfiable:
      return "Unsatisfiable";
    case Groth16SetupError::PolynomialDegreeTooLarge:
      return "PolynomialDegreeTooLarge";
    case Groth16SetupError::UnexpectedIdentity:
      return "UnexpectedIdentity";
    case Groth16SetupError::MalformedVerifyingKey:
      return "MalformedVerifyingKey";
    case Groth16SetupError::UnconstrainedVariable:
      return "UnconstrainedVariable";
  }
  return "";
}

}  // namespace kovra::bn254
