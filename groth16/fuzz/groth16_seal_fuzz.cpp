// Fuzz target for Groth16 seals and the prepared strings of a check (input form in
// groth16_check.h), with a test key whose honest seals verify.
//
// Any bytes must end in success or a Groth16Error, never a crash. With the honest proof and
// key, only the honest input point verifies (the pairing is non-degenerate), so a replaced
// input string that verifies must decode to that point.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "bn254/g1.h"
#include "groth16_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kovra::groth16;
  using kovra::bn254::G1Affine;
  if (size == 0) return 0;
  const auto& setup = fuzz::check_setup();
  static const Groth16Check honest = *setup.check(setup.seal);
  const std::span<const uint8_t> part(data + 1, size - 1);
  Groth16Check check = honest;
  switch (data[0] % 4) {
    case 0: {
      auto from_seal = setup.check(part);
      if (!from_seal) return 0;
      check = std::move(*from_seal);
      break;
    }
    case 1: check.key_bytes.assign(part.begin(), part.end()); break;
    case 2: check.proof_bytes.assign(part.begin(), part.end()); break;
    default: {
      check.input_bytes.assign(part.begin(), part.end());
      if (check.verify().ok() && *G1Affine::decode(part) != *G1Affine::decode(honest.input_bytes))
        std::abort();
      return 0;
    }
  }
  (void)check.verify();
  return 0;
}
