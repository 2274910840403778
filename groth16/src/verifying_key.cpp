#include "groth16/verifying_key.h"

#include <algorithm>

#include "base/byte_reader.h"
#include "base/sha256.h"
#include "base/tagged_digest.h"

namespace kovra::groth16 {
namespace {

void append_reversed(std::vector<uint8_t>& out, const CoordBytes& s) {
  out.insert(out.end(), s.rbegin(), s.rend());
}

void append_be(std::vector<uint8_t>& out, const bn254::Fq& v) {
  const bn254::Limbs c = v.to_canonical();
  for (int w = 3; w >= 0; --w)
    for (int b = 7; b >= 0; --b) out.push_back(static_cast<uint8_t>(c[w] >> (8 * b)));
}

}  // namespace

base::Result<VerifyingKey, Groth16Error> VerifyingKey::from_points(
    bn254::G1Affine alpha, bn254::G2Affine beta, bn254::G2Affine gamma, bn254::G2Affine delta,
    std::vector<bn254::G1Affine> ic) {
  const bool any_identity =
      alpha.infinity || beta.infinity || gamma.infinity || delta.infinity ||
      std::any_of(ic.begin(), ic.end(), [](const bn254::G1Affine& p) { return p.infinity; });
  if (any_identity)
    return base::Err(Groth16Error::setup(bn254::Groth16SetupError::MalformedVerifyingKey));
  VerifyingKey vk;
  vk.alpha_ = alpha;
  vk.beta_ = beta;
  vk.gamma_ = gamma;
  vk.delta_ = delta;
  vk.ic_ = std::move(ic);
  return vk;
}

base::Result<bn254::G1Affine, Groth16Error> decode_g1_coords(std::span<const CoordBytes> coords) {
  if (coords.size() != 2) return base::Err(Groth16Error::message(kMalformedG1));
  std::vector<uint8_t> buf;
  buf.reserve(coords[0].size() + coords[1].size());
  append_reversed(buf, coords[0]);
  append_reversed(buf, coords[1]);
  auto p = bn254::G1Affine::decode(buf);
  if (!p) return base::Err(Groth16Error::point(p.error()));
  return *p;
}

base::Result<bn254::G2Affine, Groth16Error> decode_g2_coords(
    std::span<const std::vector<CoordBytes>> coords) {
  if (coords.size() != 2 || coords[0].size() != 2 || coords[1].size() != 2)
    return base::Err(Groth16Error::message(kMalformedG2));
  std::vector<uint8_t> buf;
  append_reversed(buf, coords[0][1]);  // x.c0
  append_reversed(buf, coords[0][0]);  // x.c1
  append_reversed(buf, coords[1][1]);  // y.c0
  append_reversed(buf, coords[1][0]);  // y.c1, carrying the flag bits
  base::ByteReader in(buf);
  auto p = bn254::G2Affine::read(in);
  if (!p) return base::Err(Groth16Error::point(p.error()));
  return *p;
}

base::Digest hash_g1_point(const bn254::G1Affine& p) {
  std::vector<uint8_t> buf;
  buf.reserve(64);
  append_be(buf, p.x);
  append_be(buf, p.y);
  return base::sha256_digest(buf);
}

base::Digest hash_g2_point(const bn254::G2Affine& p) {
  std::vector<uint8_t> buf;
  buf.reserve(128);
  append_be(buf, p.x.c1);
  append_be(buf, p.x.c0);
  append_be(buf, p.y.c1);
  append_be(buf, p.y.c0);
  return base::sha256_digest(buf);
}

base::Digest verifying_key_digest(const VerifyingKey& vk) {
  std::vector<base::Digest> ic;
  ic.reserve(vk.ic().size());
  for (const auto& p : vk.ic()) ic.push_back(hash_g1_point(p));
  return base::tagged_digest(
      kVerifyingKeyTag,
      {hash_g1_point(vk.alpha()), hash_g2_point(vk.beta()), hash_g2_point(vk.gamma()),
       hash_g2_point(vk.delta()), base::tagged_list_fold(kVerifyingKeyIcTag, ic)});
}

}  // namespace kovra::groth16
