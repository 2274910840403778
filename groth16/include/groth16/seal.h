// The Groth16 seal and the public inputs of a receipt's check.
//
// A seal is exactly 256 bytes, three proof points with every coordinate 32 bytes big-endian:
//
//   0-31 A.x    32-63 A.y (flag bits in byte 32)
//   64-95 B.x.c1   96-127 B.x.c0   128-159 B.y.c1 (flag bits in byte 128)   160-191 B.y.c0
//   192-223 C.x    224-255 C.y (flag bits in byte 224)
//
// Splitting copies the coordinate strings unchanged; the point decoders validate them later.
//
// The five public inputs, in order: the control root's low and high halves, the claim digest's
// low and high halves, and the BN254 control id. The low half of a digest is the little-endian
// integer of its bytes 0..15, the high half that of bytes 16..31 (both below 2^128); the control
// id is the little-endian integer of all 32 bytes and must be below r. For the digest
// 00 01 02 .. 1f the halves are 0x0f0e..0100 and 0x1f1e..1110.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <utility>

#include "base/digest.h"
#include "base/result.h"
#include "bn254/fq.h"
#include "groth16/error.h"
#include "groth16/verifying_key.h"

namespace kovra::groth16 {

inline constexpr size_t kSealBytes = 256;

struct Groth16Seal {
  G1Coords a;  // [x, y]
  G2Coords b;  // [[x.c1, x.c0], [y.c1, y.c0]]
  G1Coords c;  // [x, y]

  // The seal split into its coordinate strings; "Data length mismatch" unless 256 bytes.
  static base::Result<Groth16Seal, Groth16Error> split(std::span<const uint8_t> seal);
};

// A digest's (low, high) scalar pair.
base::Result<std::pair<bn254::Fr, bn254::Fr>, Groth16Error> digest_to_scalar_pair(
    const base::Digest& d);

// A big-endian integer of 32 bytes as a scalar: fewer than 32 bytes is an IoError ("failed to
// fill whole buffer"), a value not below r (longer strings included) InvalidData.
base::Result<bn254::Fr, Groth16Error> scalar_from_be_bytes(std::span<const uint8_t> be);

// The five public inputs of a check, in order; fails only for a control id not below r.
base::Result<std::array<bn254::Fr, 5>, Groth16Error> public_inputs(
    const base::Digest& control_root, const base::Digest& claim_digest,
    const base::Digest& bn254_control_id);

}  // namespace kovra::groth16
