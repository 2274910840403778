#include "groth16/testing/test_key.h"

#include "base/invariant.h"
#include "groth16/seal.h"
#include "groth16/u256.h"

namespace kovra::groth16::testing {
namespace {

__extension__ typedef unsigned __int128 u128;

constexpr Scalar kR = {0x43e1f593f0000001, 0x2833e84879b97091, 0xb85045b68181585d,
                       0x30644e72e131a029};

bool less(const Scalar& a, const Scalar& b) {
  for (int i = 3; i >= 0; --i)
    if (a[i] != b[i]) return a[i] < b[i];
  return false;
}

// a - b for a >= b.
Scalar sub_raw(const Scalar& a, const Scalar& b) {
  Scalar out;
  uint64_t borrow = 0;
  for (int i = 0; i < 4; ++i) {
    const u128 t = u128(a[i]) - b[i] - borrow;
    out[i] = uint64_t(t);
    borrow = uint64_t(t >> 127);
  }
  return out;
}

bn254::Fq fq_of_decimal(const char* text) {
  auto be = parse_u256(text);
  KOVRA_INVARIANT(be.ok(), "decimal constant");
  bn254::Limbs limbs{};
  for (int i = 0; i < 32; ++i) limbs[3 - i / 8] |= uint64_t((*be)[i]) << (8 * (7 - i % 8));
  auto fq = bn254::Fq::from_canonical(limbs);
  KOVRA_INVARIANT(fq.has_value(), "constant below p");
  return *fq;
}

void append_be(std::vector<uint8_t>& out, const bn254::Fq& v) {
  const bn254::Limbs c = v.to_canonical();
  for (int w = 3; w >= 0; --w)
    for (int b = 7; b >= 0; --b) out.push_back(static_cast<uint8_t>(c[w] >> (8 * b)));
}

Scalar canonical(const bn254::Fr& s) { return s.to_canonical(); }

}  // namespace

Scalar scalar(uint64_t v) { return {v, 0, 0, 0}; }
Scalar r_minus_one() { return sub_raw(kR, scalar(1)); }

Scalar add_mod_r(const Scalar& a, const Scalar& b) {
  Scalar out;
  uint64_t carry = 0;
  for (int i = 0; i < 4; ++i) {
    const u128 t = u128(a[i]) + b[i] + carry;
    out[i] = uint64_t(t);
    carry = uint64_t(t >> 64);
  }
  // r < 2^254, so the sum of two values below r has no carry out of the top word.
  if (!less(out, kR)) out = sub_raw(out, kR);
  return out;
}

Scalar sub_mod_r(const Scalar& a, const Scalar& b) {
  if (!less(a, b)) return sub_raw(a, b);
  return add_mod_r(a, sub_raw(kR, b));
}

Scalar mul_mod_r(const Scalar& a, const Scalar& b) {
  uint64_t prod[8] = {};
  for (int i = 0; i < 4; ++i) {
    uint64_t carry = 0;
    for (int j = 0; j < 4; ++j) {
      const u128 t = u128(a[i]) * b[j] + prod[i + j] + carry;
      prod[i + j] = uint64_t(t);
      carry = uint64_t(t >> 64);
    }
    prod[i + 4] = carry;
  }
  // Binary long division: the remainder stays below 2r < 2^255.
  Scalar rem{};
  for (int bit = 511; bit >= 0; --bit) {
    rem[3] = rem[3] << 1 | rem[2] >> 63;
    rem[2] = rem[2] << 1 | rem[1] >> 63;
    rem[1] = rem[1] << 1 | rem[0] >> 63;
    rem[0] = rem[0] << 1 | ((prod[bit / 64] >> (bit % 64)) & 1);
    if (!less(rem, kR)) rem = sub_raw(rem, kR);
  }
  return rem;
}

Scalar inv_mod_r(const Scalar& a) {
  const Scalar e = sub_raw(kR, scalar(2));
  Scalar result = scalar(1);
  for (int bit = 255; bit >= 0; --bit) {
    result = mul_mod_r(result, result);
    if ((e[bit / 64] >> (bit % 64)) & 1) result = mul_mod_r(result, a);
  }
  return result;
}

bn254::G1Affine g1_generator() {
  return bn254::G1Affine{fq_of_decimal("1"), fq_of_decimal("2"), false};
}

bn254::G2Affine g2_generator() {
  bn254::G2Affine g;
  g.x.c0 = fq_of_decimal(
      "10857046999023057135944570762232829481370756359578518086990519993285655852781");
  g.x.c1 = fq_of_decimal(
      "11559732032986387107991004021392285783925812861821192530917403151452391805634");
  g.y.c0 = fq_of_decimal(
      "8495653923123431417604973247489272438418190587263600148770280649306958101930");
  g.y.c1 = fq_of_decimal(
      "4082367875863433681332203403145435568316851327593401208105741076214120093531");
  g.infinity = false;
  return g;
}

bn254::G1Affine g1_mul(const Scalar& k) { return g1_generator().scalar_mul(k).to_affine(); }
bn254::G2Affine g2_mul(const Scalar& k) { return g2_generator().scalar_mul(k).to_affine(); }

TestKeyScalars default_test_scalars() {
  TestKeyScalars s;
  s.alpha = {0x0123456789abcdef, 0x1111, 0x2222, 0x0333};
  s.beta = scalar(0xb0b);
  s.gamma = scalar(0x6a33a);
  s.delta = {0xfedcba9876543210, 0, 0x4444, 0x0555};
  for (int i = 0; i < 6; ++i) s.ic[i] = scalar(1000 + 17 * uint64_t(i) * uint64_t(i) + 3);
  return s;
}

VerifyingKey make_test_key(const TestKeyScalars& s) {
  std::vector<bn254::G1Affine> ic;
  for (const auto& k : s.ic) ic.push_back(g1_mul(k));
  auto vk = VerifyingKey::from_points(g1_mul(s.alpha), g2_mul(s.beta), g2_mul(s.gamma),
                                      g2_mul(s.delta), std::move(ic));
  KOVRA_INVARIANT(vk.ok(), "test key scalars must be non-zero");
  return *vk;
}

std::vector<uint8_t> encode_seal(const bn254::G1Affine& a, const bn254::G2Affine& b,
                                 const bn254::G1Affine& c) {
  std::vector<uint8_t> seal;
  seal.reserve(256);
  append_be(seal, a.x);
  append_be(seal, a.y);
  append_be(seal, b.x.c1);
  append_be(seal, b.x.c0);
  append_be(seal, b.y.c1);
  append_be(seal, b.y.c0);
  append_be(seal, c.x);
  append_be(seal, c.y);
  if (a.infinity) seal[32] |= 0x40;
  if (b.infinity) seal[128] |= 0x40;
  if (c.infinity) seal[224] |= 0x40;
  return seal;
}

std::vector<uint8_t> make_test_seal(const TestKeyScalars& s, const base::Digest& control_root,
                                    const base::Digest& claim_digest,
                                    const base::Digest& bn254_control_id, const Scalar& a,
                                    const Scalar& b) {
  auto inputs = public_inputs(control_root, claim_digest, bn254_control_id);
  KOVRA_INVARIANT(inputs.ok(), "test inputs must form scalars");
  Scalar iota = s.ic[0];
  for (size_t i = 0; i < 5; ++i)
    iota = add_mod_r(iota, mul_mod_r(canonical((*inputs)[i]), s.ic[i + 1]));
  Scalar num = sub_mod_r(mul_mod_r(a, b), mul_mod_r(s.alpha, s.beta));
  num = sub_mod_r(num, mul_mod_r(iota, s.gamma));
  const Scalar c = mul_mod_r(num, inv_mod_r(s.delta));
  return encode_seal(g1_mul(a), g2_mul(b), g1_mul(c));
}

}  // namespace kovra::groth16::testing
