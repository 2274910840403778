// Miller-loop line coefficients of a G2 point, precomputed once per point.
//
// All of the Miller loop's work on the G2 side depends on the G2 point alone, so
// `G2LineCoeffs::from_point` runs the loop's point arithmetic on Q (in homogeneous projective
// coordinates, free of inversions) and records the line of every step in the order the loop
// consumes them: for each digit index 63..0 of MILLER_LOOP_DIGITS the doubling line and, for a
// non-zero digit, the addition line with ±Q, then the lines with ψ(Q) and -ψ(ψ(Q)). A finite
// point gives exactly 87 lines, the point at infinity none.
//
// A line (c0, c1, c2) is evaluated at a G1 point P as c0·P.y + (c1·P.x)·w + c2·w^3.
//
// Byte form: the count n as u64 little-endian, n lines of six canonical Fq values (c0.c0,
// c0.c1, c1.c0, c1.c1, c2.c0, c2.c1, 32 bytes each), then one byte, 1 for the point at
// infinity and 0 otherwise. Reading accepts only what `from_point` can make: 87 lines with
// the byte 0, or none with the byte 1; anything else is InvalidData, and no room is reserved
// for more lines than the remaining bytes can hold.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "base/byte_reader.h"
#include "base/result.h"
#include "bn254/errors.h"
#include "bn254/fq2.h"
#include "bn254/g2.h"

namespace kovra::bn254 {

// The 65 signed digits of 6x + 2 = 0x19d797039be763ba8, least significant first. Not the
// non-adjacent form (digits 63 and 64 are both 1); the loop uses it exactly as it stands.
inline constexpr std::array<int8_t, 65> MILLER_LOOP_DIGITS = {
    0, 0, 0,  1, 0, 1, 0, -1, 0, 0,  -1, 0, 0, 0,  1, 0,   //
    0, -1, 0, -1, 0, 0, 0, 1, 0, -1, 0, 0, 0, 0, -1, 0,    //
    0, 1, 0,  -1, 0, 0, 1, 0, 0, 0,  0, 0, -1, 0, 0, -1,   //
    0, 1, 0,  -1, 0, 0, 0, -1, 0, -1, 0, 0, 0, 1, 0, 1,    //
    1};

struct LineCoeff {
  Fq2 c0{};  // scaled by P.y
  Fq2 c1{};  // scaled by P.x
  Fq2 c2{};  // constant
  bool operator==(const LineCoeff&) const = default;
};

// The running point of the precomputation: (x/z, y/z), homogeneous, not Jacobian.
struct G2HomogeneousPoint {
  Fq2 x{};
  Fq2 y{};
  Fq2 z{};
};

class G2LineCoeffs {
 public:
  // Lines of a finite point: 64 doublings, 21 additions for the non-zero digits below the
  // top one, and the two lines of ψ(Q) and -ψ(ψ(Q)).
  static constexpr size_t kFiniteCount = 87;
  // Bytes of one encoded line.
  static constexpr size_t kEncodedLineSize = 192;

  // The lines of q, which must be in G2 (not checked here). Never fails.
  static G2LineCoeffs from_point(const G2Affine& q);

  // The tangent line at r; r becomes 2r.
  static LineCoeff doubling_step(G2HomogeneousPoint& r);
  // The line through r and the finite point q; r becomes r + q.
  static LineCoeff addition_step(G2HomogeneousPoint& r, const G2Affine& q);

  void encode(std::vector<uint8_t>& out) const;
  static base::Result<G2LineCoeffs, PointDecodeError> read(base::ByteReader& in);

  // kFiniteCount lines for a finite point, none when infinity() is set.
  const std::vector<LineCoeff>& coeffs() const { return coeffs_; }
  bool infinity() const { return infinity_; }
  bool operator==(const G2LineCoeffs&) const = default;

 private:
  G2LineCoeffs(std::vector<LineCoeff> coeffs, bool infinity)
      : coeffs_(std::move(coeffs)), infinity_(infinity) {}

  std::vector<LineCoeff> coeffs_;
  bool infinity_ = true;
};

}  // namespace kovra::bn254
