// The G1 multi-scalar product, with every scalar of more than 128 bits split in two by the
// endomorphism φ(x, y) = (β·x, y), which is the product by λ on G1 (all of the curve: its
// cofactor is 1). With k = k1 + k2·λ mod r and |k1|, |k2| < 2^128, [k]P = [k1]P + [k2]φ(P),
// so the shared doublings run over 128 bits instead of 254.
#include <vector>

#include "bn254/g1.h"
#include "jacobian.h"

namespace kovra::bn254 {

namespace {

// β: the primitive cube root of unity in Fq for which φ(P) = [λ]P, with
// λ = 0xb3c4d79d41a917585bfc41088d8daaa78b17ea66b99c90dd, a cube root of unity mod r.
constexpr Fq kBeta = fq_const({0x5763473177fffffe, 0xd4f263f1acdb5c4f, 0x59e26bcea0d48bac, 0});

// Two short vectors (a1, -b1n) and (a2, b2) of the lattice {(a, b) : a + b·λ = 0 mod r}, and
// g1 = round(2^256·b2/r), g2 = round(2^256·b1n/r) for the rounding of k's coordinates.
constexpr Limbs kA1 = {0x89d3256894d213e3, 0, 0, 0};
constexpr Limbs kB1Neg = {0x8211bbeb7d4f1128, 0x6f4d8248eeb859fc, 0, 0};
constexpr Limbs kA2 = {0x0be4e1541221250b, 0x6f4d8248eeb859fd, 0, 0};
constexpr Limbs kB2 = {0x89d3256894d213e3, 0, 0, 0};
constexpr Limbs kG1 = {0xd91d232ec7e0b3d7, 0x2, 0, 0};
constexpr Limbs kG2 = {0x7a7bd9d4391eb18e, 0x4ccef014a773d2cf, 0x2, 0};

// The eight-word product a·b.
std::array<uint64_t, 8> mul_full(const Limbs& a, const Limbs& b) {
  std::array<uint64_t, 8> out{};
  for (size_t i = 0; i < 4; ++i) {
    uint64_t carry = 0;
    for (size_t j = 0; j < 4; ++j) out[i + j] = detail::mac(out[i + j], a[i], b[j], carry);
    out[i + 4] = carry;
  }
  return out;
}

// floor(a·b / 2^256) and a·b mod 2^256.
Limbs mul_high(const Limbs& a, const Limbs& b) {
  const auto p = mul_full(a, b);
  return {p[4], p[5], p[6], p[7]};
}
Limbs mul_low(const Limbs& a, const Limbs& b) {
  const auto p = mul_full(a, b);
  return {p[0], p[1], p[2], p[3]};
}

// a - b mod 2^256 (two's complement for the signed halves).
Limbs sub_wrap(const Limbs& a, const Limbs& b) {
  Limbs r;
  uint64_t borrow = 0;
  for (size_t i = 0; i < 4; ++i) r[i] = detail::sbb(a[i], b[i], borrow);
  return r;
}

struct SignedHalf {
  Limbs magnitude;
  bool negative;
};

SignedHalf signed_half(const Limbs& v) {
  if ((v[3] >> 63) == 0) return {v, false};
  return {sub_wrap(Limbs{}, v), true};
}

// k = k1 + k2·λ mod r: c1 = floor(k·g1/2^256), c2 = floor(k·g2/2^256), k1 = k - c1·a1 - c2·a2,
// k2 = c1·b1n - c2·b2. The identity holds for any c1, c2 (both vectors lie on the lattice); the
// rounding only keeps k1 and k2 short, below 2^128 for k below 2^256.
void split(const Limbs& k, SignedHalf& k1, SignedHalf& k2) {
  const Limbs c1 = mul_high(k, kG1);
  const Limbs c2 = mul_high(k, kG2);
  k1 = signed_half(sub_wrap(sub_wrap(k, mul_low(c1, kA1)), mul_low(c2, kA2)));
  k2 = signed_half(sub_wrap(mul_low(c1, kB1Neg), mul_low(c2, kB2)));
}

G1Affine with_sign(const G1Affine& p, bool negative) { return negative ? p.neg() : p; }

}  // namespace

G1Projective g1_multi_scalar_mul(std::span<const G1Affine> points, std::span<const Limbs> k) {
  KOVRA_INVARIANT(points.size() == k.size(), "one scalar per point");
  std::vector<G1Affine> split_points;
  std::vector<Limbs> split_k;
  split_points.reserve(2 * points.size());
  split_k.reserve(2 * points.size());
  for (size_t j = 0; j < points.size(); ++j) {
    if ((k[j][2] | k[j][3]) == 0) {
      split_points.push_back(points[j]);
      split_k.push_back(k[j]);
      continue;
    }
    SignedHalf k1, k2;
    split(k[j], k1, k2);
    const G1Affine& p = points[j];
    const G1Affine phi_p{p.x.mul(kBeta), p.y, p.infinity};
    split_points.push_back(with_sign(p, k1.negative));
    split_k.push_back(k1.magnitude);
    split_points.push_back(with_sign(phi_p, k2.negative));
    split_k.push_back(k2.magnitude);
  }
  return detail::multi_scalar_mul_wnaf<4, G1Projective>(std::span<const G1Affine>(split_points),
                                                       std::span<const Limbs>(split_k));
}

}  // namespace kovra::bn254
