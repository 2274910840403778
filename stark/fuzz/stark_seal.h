// The input form of the STARK seal fuzz target, shared with its seed writer: one selector
// byte, then the seal words the verifier reads (an rv32im seal without its version word),
// each little-endian; bytes after the last whole word are ignored.
//
//   selector % 2        the circuit: 0 the recursion-shaped, 1 the rv32im-shaped test circuit
//   (selector / 2) % 3  the suite: poseidon2, sha-256, blake2b
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "stark/hash_suite.h"
#include "stark/testing/synthetic_circuit.h"

namespace kovra::stark::fuzz {

inline const testing::SyntheticCircuit& fuzz_circuit(uint8_t selector) {
  static const testing::SyntheticCircuit recursion(testing::recursion_shape());
  static const testing::SyntheticCircuit rv32im(testing::rv32im_shape());
  return selector % 2 == 0 ? recursion : rv32im;
}

inline const HashSuite& fuzz_suite(uint8_t selector) {
  static const std::array<HashSuite, 3> suites = {HashSuite::poseidon2(), HashSuite::sha256(),
                                                  HashSuite::blake2b()};
  return suites[(selector / 2) % 3];
}

inline std::vector<uint8_t> seal_input(uint8_t selector, std::span<const uint32_t> words) {
  std::vector<uint8_t> out = {selector};
  for (uint32_t w : words)
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(w >> (8 * i)));
  return out;
}

}  // namespace kovra::stark::fuzz
