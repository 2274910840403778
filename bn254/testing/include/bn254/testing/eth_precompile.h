// A test-only adapter from the Ethereum BN254 precompiles (EIP-196/197) to this library, so
// that their public vectors exercise our G1 operations and pairing.
//
// Their byte form differs from ours: every coordinate is 32 bytes big-endian, G2 coordinates
// come imaginary part first, and the point at infinity is the all-zero point (no flag bits).
// Inputs are zero-padded (add: 128 bytes, scalar multiplication: 96) or truncated to the
// length the operation reads, as the precompiles do. None means the precompile fails (a
// coordinate not below p, a point off its curve or outside G2, a pairing input whose length
// is not a multiple of 192).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kovra::bn254::testing {

std::optional<std::vector<uint8_t>> eth_g1_add(std::span<const uint8_t> input);
std::optional<std::vector<uint8_t>> eth_g1_scalar_mul(std::span<const uint8_t> input);
// True when the product of the pairings of the input's pairs is one.
std::optional<bool> eth_pairing_check(std::span<const uint8_t> input);

// One entry of a go-ethereum precompile vector file.
struct GethVector {
  std::string name;
  std::vector<uint8_t> input;
  std::vector<uint8_t> expected;
};
// Reads the "Name", "Input" and "Expected" strings of every entry of such a file.
std::vector<GethVector> read_geth_vectors(const std::string& path);

}  // namespace kovra::bn254::testing
