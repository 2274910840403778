#include "groth16/error.h"

namespace kovra::groth16 {

std::string Groth16Error::text() const {
  switch (cause_) {
    case Cause::Point: return point_.display();
    case Cause::Setup: return bn254::display(setup_);
    case Cause::Message: break;
  }
  return message_;
}

}  // namespace kovra::groth16
