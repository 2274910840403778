// The fixed half of the Groth16 fuzz target, shared with its seed writer: a test key, the
// three digests of the check, and an honest seal for them.
//
// Input form: byte 0 picks what the rest replaces (% 4):
//   0  the 256-byte seal, checked from scratch (Groth16Check::from_seal, then verify)
//   1  the prepared key bytes of the honest check, then verify
//   2  its proof bytes, then verify
//   3  its input point bytes, then verify
#pragma once

#include <cstdint>
#include <vector>

#include "base/digest.h"
#include "groth16/check.h"
#include "groth16/testing/test_key.h"

namespace kovra::groth16::fuzz {

struct CheckSetup {
  testing::TestKeyScalars scalars = testing::default_test_scalars();
  VerifyingKey key = testing::make_test_key(scalars);
  base::Digest control_root = digest(0x11);
  base::Digest claim_digest = digest(0x22);
  base::Digest bn254_id = below_r(digest(0x33));
  std::vector<uint8_t> seal =
      testing::make_test_seal(scalars, control_root, claim_digest, bn254_id,
                              testing::scalar(0x5eed), testing::scalar(0xb0b5));

  base::Result<Groth16Check, Groth16Error> check(std::span<const uint8_t> s) const {
    return Groth16Check::from_seal(s, control_root, claim_digest, bn254_id, key);
  }

 private:
  static base::Digest digest(uint32_t seed) {
    base::Digest d;
    for (uint32_t i = 0; i < 8; ++i) d.words[i] = seed * 0x01000193u + i * 0x9e3779b9u;
    return d;
  }
  static base::Digest below_r(base::Digest d) {
    d.words[7] = 0;
    return d;
  }
};

inline const CheckSetup& check_setup() {
  static const CheckSetup s;
  return s;
}

}  // namespace kovra::groth16::fuzz
