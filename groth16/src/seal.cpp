#include "groth16/seal.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/hex.h"
#include "groth16/u256.h"

namespace kovra::groth16 {
namespace {

CoordBytes coord(std::span<const uint8_t> seal, size_t offset) {
  return CoordBytes(seal.begin() + static_cast<std::ptrdiff_t>(offset),
                    seal.begin() + static_cast<std::ptrdiff_t>(offset + 32));
}

// Big-endian bytes as lower-case hexadecimal text, read back as a 32-byte value and then as a
// scalar: the route every public input takes.
base::Result<bn254::Fr, Groth16Error> scalar_from_hex_of(std::span<const uint8_t> be) {
  KOVRA_ASSIGN_OR_RETURN(U256Bytes bytes, parse_hex_u256(base::hex_lower(be)));
  return scalar_from_be_bytes(bytes);
}

}  // namespace

base::Result<Groth16Seal, Groth16Error> Groth16Seal::split(std::span<const uint8_t> seal) {
  if (seal.size() != kSealBytes) return base::Err(Groth16Error::message(kDataLengthMismatch));
  Groth16Seal s;
  s.a = {coord(seal, 0), coord(seal, 32)};
  s.b = {{coord(seal, 64), coord(seal, 96)}, {coord(seal, 128), coord(seal, 160)}};
  s.c = {coord(seal, 192), coord(seal, 224)};
  return s;
}

base::Result<bn254::Fr, Groth16Error> scalar_from_be_bytes(std::span<const uint8_t> be) {
  std::vector<uint8_t> le(be.rbegin(), be.rend());
  if (le.size() < 32) return base::Err(Groth16Error::point(bn254::PointDecodeError::short_read()));
  // Bytes beyond the first 32 (little-endian) are more significant: any non-zero one makes the
  // value 2^256 or more, not below r.
  for (size_t i = 32; i < le.size(); ++i)
    if (le[i] != 0) return base::Err(Groth16Error::point(bn254::PointDecodeError::invalid_data()));
  bn254::Limbs words{};
  for (size_t w = 0; w < 4; ++w)
    for (size_t b = 0; b < 8; ++b) words[w] |= uint64_t(le[8 * w + b]) << (8 * b);
  auto fr = bn254::Fr::from_canonical(words);
  if (!fr) return base::Err(Groth16Error::point(bn254::PointDecodeError::invalid_data()));
  return *fr;
}

base::Result<std::pair<bn254::Fr, bn254::Fr>, Groth16Error> digest_to_scalar_pair(
    const base::Digest& d) {
  std::array<uint8_t, 32> rev = d.bytes();
  std::reverse(rev.begin(), rev.end());
  KOVRA_ASSIGN_OR_RETURN(bn254::Fr low, scalar_from_hex_of(std::span(rev).subspan(16, 16)));
  KOVRA_ASSIGN_OR_RETURN(bn254::Fr high, scalar_from_hex_of(std::span(rev).subspan(0, 16)));
  return std::pair{low, high};
}

base::Result<std::array<bn254::Fr, 5>, Groth16Error> public_inputs(
    const base::Digest& control_root, const base::Digest& claim_digest,
    const base::Digest& bn254_control_id) {
  KOVRA_ASSIGN_OR_RETURN(auto root, digest_to_scalar_pair(control_root));
  KOVRA_ASSIGN_OR_RETURN(auto claim, digest_to_scalar_pair(claim_digest));
  std::array<uint8_t, 32> id = bn254_control_id.bytes();
  std::reverse(id.begin(), id.end());
  KOVRA_ASSIGN_OR_RETURN(bn254::Fr id_scalar, scalar_from_hex_of(id));
  return std::array<bn254::Fr, 5>{root.first, root.second, claim.first, claim.second, id_scalar};
}

}  // namespace kovra::groth16
