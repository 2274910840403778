#include "groth16/error.h"

namespace kovra::groth16 {

std::string Groth16Error::text() const {
  switch (cause_.index()) {
    case 0: return std::get<0>(cause_);
    case 1: return std::get<1>(cause_).display();
    default: return bn254::display(std::get<2>(cause_));
  }
}

}  // namespace kovra::groth16
