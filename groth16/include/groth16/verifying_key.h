// The Groth16 verifying key, the point decoders for big-endian coordinate strings, and the
// key's digest.
//
// Coordinate strings hold a field element's canonical integer big-endian (most significant
// byte first), 32 bytes. A G1 point is the list [x, y]; a G2 point the list of two lists
// [[x.c1, x.c0], [y.c1, y.c0]], each Fq2 coordinate imaginary part (the coefficient of u)
// first. The decoders reverse every string by itself, join them into the little-endian point
// encoding of the BN254 library (x.c0, x.c1, y.c0, y.c1 for G2) and read that with full
// validation: each coordinate below p once the two flag bits (the top bits of the first byte of
// the y (y.c1) string) are cleared, 0x40 the point at infinity, 0x80 ignored, both refused,
// the curve equation, and for G2 the prime-order subgroup.
//
// Digest of a key (hash_g1_point and hash_g2_point hash the coordinates big-endian, c1 first):
//   ic = 0; for i = n-1 .. 0: ic = tagged_list_digest("duro0_groth16.VerifyingKey.IC",
//                                                    hash_g1_point(ic[i]), ic)
//   tagged_digest("duro0_groth16.VerifyingKey", [g1(alpha), g2(beta), g2(gamma), g2(delta), ic])
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "base/digest.h"
#include "base/result.h"
#include "bn254/g1.h"
#include "bn254/g2.h"
#include "groth16/error.h"

namespace kovra::groth16 {

using CoordBytes = std::vector<uint8_t>;
using G1Coords = std::vector<CoordBytes>;               // [x, y]
using G2Coords = std::vector<std::vector<CoordBytes>>;  // [[x.c1, x.c0], [y.c1, y.c0]]

inline constexpr std::string_view kVerifyingKeyTag = "duro0_groth16.VerifyingKey";
inline constexpr std::string_view kVerifyingKeyIcTag = "duro0_groth16.VerifyingKey.IC";

// A verifying key: alpha in G1, beta, gamma and delta in G2, and the input-commitment points
// ic[0..n) in G1 (ic[0], then one point per public input). Every point of a key is finite:
// a key holding the point at infinity is refused when it is made (such a key would accept
// trivial proofs, e.g. alpha at infinity makes e(alpha, beta) one). The number of ic points is
// checked by the Groth16 check, not here.
class VerifyingKey {
 public:
  static base::Result<VerifyingKey, Groth16Error> from_points(bn254::G1Affine alpha,
                                                              bn254::G2Affine beta,
                                                              bn254::G2Affine gamma,
                                                              bn254::G2Affine delta,
                                                              std::vector<bn254::G1Affine> ic);

  const bn254::G1Affine& alpha() const { return alpha_; }
  const bn254::G2Affine& beta() const { return beta_; }
  const bn254::G2Affine& gamma() const { return gamma_; }
  const bn254::G2Affine& delta() const { return delta_; }
  const std::vector<bn254::G1Affine>& ic() const { return ic_; }

  friend bool operator==(const VerifyingKey&, const VerifyingKey&) = default;

 private:
  VerifyingKey() = default;
  bn254::G1Affine alpha_;
  bn254::G2Affine beta_;
  bn254::G2Affine gamma_;
  bn254::G2Affine delta_;
  std::vector<bn254::G1Affine> ic_;
};

// Not exactly two strings: "Malformed G1 field element". Otherwise the decoded point or the
// wrapped PointDecodeError (IoError when the joined bytes are fewer than 64).
base::Result<bn254::G1Affine, Groth16Error> decode_g1_coords(std::span<const CoordBytes> coords);
// Not two lists of two strings: "Malformed G2 field element"; otherwise as above (128 bytes).
base::Result<bn254::G2Affine, Groth16Error> decode_g2_coords(
    std::span<const std::vector<CoordBytes>> coords);

// SHA-256 of x then y, 32 bytes big-endian each (64 bytes).
base::Digest hash_g1_point(const bn254::G1Affine& p);
// SHA-256 of x.c1, x.c0, y.c1, y.c0, 32 bytes big-endian each (128 bytes).
base::Digest hash_g2_point(const bn254::G2Affine& p);

base::Digest verifying_key_digest(const VerifyingKey& vk);

}  // namespace kovra::groth16
