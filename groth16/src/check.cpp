#include "groth16/check.h"

#include <algorithm>
#include <array>

#include "base/byte_reader.h"
#include "bn254/final_exponentiation.h"
#include "bn254/fq12.h"
#include "bn254/line_coeffs.h"
#include "bn254/miller_loop.h"

namespace kovra::groth16 {
namespace {

using bn254::Fq;
using bn254::Fq12;
using bn254::G1Affine;
using bn254::G1Projective;
using bn254::G2Affine;
using bn254::G2LineCoeffs;
using bn254::MillerLoopPair;
using bn254::PointDecodeError;

constexpr size_t kG1Bytes = 64;

base::ErrorValue<Groth16Error> point_error(PointDecodeError e) {
  return base::Err(Groth16Error::point(std::move(e)));
}

// f of the pairs whose G1 point is finite and whose line list is not the infinity mark.
Fq12 miller_value(std::span<const MillerLoopPair> pairs) {
  std::vector<MillerLoopPair> kept;
  kept.reserve(pairs.size());
  for (const auto& pair : pairs)
    if (!pair.p.infinity && !pair.q.infinity()) kept.push_back(pair);
  if (kept.empty()) return Fq12::one();
  return bn254::miller_loop(kept);
}

base::Result<G1Affine, PointDecodeError> read_g1_unchecked(base::ByteReader& in) {
  KOVRA_ASSIGN_OR_RETURN(Fq x, Fq::read(in));
  KOVRA_ASSIGN_OR_RETURN(bn254::FqWithFlags y, Fq::read_with_flags(in));
  if (y.flags & 0x40) return G1Affine::identity();
  return G1Affine{x, y.value, false};
}

struct DecodedKey {
  Fq12 alpha_beta;
  G2LineCoeffs neg_gamma_lines;
  G2LineCoeffs neg_delta_lines;
};

// Reads the prepared key: every point is decoded and validated, then only e(alpha, beta) and the
// two line lists are kept.
base::Result<DecodedKey, PointDecodeError> read_prepared_key(std::span<const uint8_t> bytes) {
  base::ByteReader in(bytes);
  KOVRA_ASSIGN_OR_RETURN(G1Affine alpha, read_g1_unchecked(in));
  KOVRA_TRY(alpha.is_on_curve());
  KOVRA_TRY(G2Affine::read(in));  // beta
  KOVRA_TRY(G2Affine::read(in));  // gamma
  KOVRA_TRY(G2Affine::read(in));  // delta

  auto count = in.u64_le();
  if (!count) return base::Err(PointDecodeError::short_read());
  std::vector<G1Affine> ic;
  // Room only for the points that the remaining bytes can hold.
  ic.reserve(static_cast<size_t>(std::min<uint64_t>(*count, in.remaining() / kG1Bytes)));
  for (uint64_t k = 0; k < *count; ++k) {
    KOVRA_ASSIGN_OR_RETURN(G1Affine p, read_g1_unchecked(in));
    ic.push_back(p);
  }
  for (const auto& p : ic) KOVRA_TRY(p.is_on_curve());

  KOVRA_ASSIGN_OR_RETURN(bn254::Fq6 c0, bn254::Fq6::read(in));
  KOVRA_ASSIGN_OR_RETURN(bn254::Fq6 c1, bn254::Fq6::read(in));
  KOVRA_ASSIGN_OR_RETURN(G2LineCoeffs neg_gamma, G2LineCoeffs::read(in));
  KOVRA_ASSIGN_OR_RETURN(G2LineCoeffs neg_delta, G2LineCoeffs::read(in));
  return DecodedKey{Fq12{c0, c1}, std::move(neg_gamma), std::move(neg_delta)};
}

struct DecodedProof {
  G1Affine a;
  G2Affine b;
  G1Affine c;
};

base::Result<DecodedProof, PointDecodeError> read_proof(std::span<const uint8_t> bytes) {
  base::ByteReader in(bytes);
  KOVRA_ASSIGN_OR_RETURN(G1Affine a, G1Affine::read(in));
  KOVRA_ASSIGN_OR_RETURN(G2Affine b, G2Affine::read(in));
  KOVRA_ASSIGN_OR_RETURN(G1Affine c, G1Affine::read(in));
  return DecodedProof{a, b, c};
}

}  // namespace

G1Affine prepared_input_point(std::span<const G1Affine> ic, std::span<const bn254::Fr> scalars) {
  KOVRA_INVARIANT(ic.size() == scalars.size() + 1, "one ic point more than there are inputs");
  std::vector<bn254::Limbs> k;
  k.reserve(scalars.size());
  for (const bn254::Fr& s : scalars) k.push_back(s.to_canonical());
  G1Projective acc = ic[0].to_projective();
  acc.add_assign(bn254::g1_multi_scalar_mul(ic.subspan(1), k));
  return acc.to_affine();
}

base::Result<Groth16Check, Groth16Error> Groth16Check::from_seal(
    std::span<const uint8_t> seal, const base::Digest& control_root,
    const base::Digest& claim_digest, const base::Digest& bn254_control_id,
    const VerifyingKey& vk) {
  KOVRA_ASSIGN_OR_RETURN(Groth16Seal split, Groth16Seal::split(seal));
  KOVRA_ASSIGN_OR_RETURN(auto scalars, public_inputs(control_root, claim_digest, bn254_control_id));
  return prepare(split, scalars, vk);
}

base::Result<Groth16Check, Groth16Error> Groth16Check::prepare(const Groth16Seal& seal,
                                                               std::span<const bn254::Fr> scalars,
                                                               const VerifyingKey& vk) {
  // e(alpha, beta), then the lines of -gamma and -delta.
  const G2LineCoeffs beta_lines = G2LineCoeffs::from_point(vk.beta());
  const MillerLoopPair alpha_beta_pair[] = {{vk.alpha(), beta_lines}};
  auto alpha_beta = bn254::final_exponentiation(miller_value(alpha_beta_pair));
  if (!alpha_beta)
    return base::Err(Groth16Error::setup(bn254::Groth16SetupError::UnexpectedIdentity));
  const G2LineCoeffs neg_gamma_lines = G2LineCoeffs::from_point(vk.gamma().neg());
  const G2LineCoeffs neg_delta_lines = G2LineCoeffs::from_point(vk.delta().neg());

  Groth16Check check;
  std::vector<uint8_t>& key = check.key_bytes;
  const auto lines_size = [](const G2LineCoeffs& l) {
    return 8 + G2LineCoeffs::kEncodedLineSize * l.coeffs().size() + 1;
  };
  key.reserve(64 + 3 * 128 + 8 + kG1Bytes * vk.ic().size() + 384 + lines_size(neg_gamma_lines) +
              lines_size(neg_delta_lines));
  check.proof_bytes.reserve(kSealBytes);
  check.input_bytes.reserve(kG1Bytes);
  vk.alpha().encode(key);
  vk.beta().encode(key);
  vk.gamma().encode(key);
  vk.delta().encode(key);
  const uint64_t n = vk.ic().size();
  for (int b = 0; b < 8; ++b) key.push_back(static_cast<uint8_t>(n >> (8 * b)));
  for (const auto& p : vk.ic()) p.encode(key);
  alpha_beta->write_canonical(key);
  neg_gamma_lines.encode(key);
  neg_delta_lines.encode(key);

  KOVRA_ASSIGN_OR_RETURN(G1Affine a, decode_g1_coords(seal.a));
  KOVRA_ASSIGN_OR_RETURN(G2Affine b, decode_g2_coords(seal.b));
  KOVRA_ASSIGN_OR_RETURN(G1Affine c, decode_g1_coords(seal.c));
  a.encode(check.proof_bytes);
  b.encode(check.proof_bytes);
  c.encode(check.proof_bytes);

  if (vk.ic().size() != scalars.size() + 1)
    return base::Err(Groth16Error::setup(bn254::Groth16SetupError::MalformedVerifyingKey));
  prepared_input_point(vk.ic(), scalars).encode(check.input_bytes);
  return check;
}

base::Status<Groth16Error> Groth16Check::verify() const {
  auto key = read_prepared_key(key_bytes);
  if (!key) return point_error(key.error());
  auto proof = read_proof(proof_bytes);
  if (!proof) return point_error(proof.error());
  auto input = G1Affine::decode(input_bytes);
  if (!input) return point_error(input.error());

  const G2LineCoeffs b_lines = G2LineCoeffs::from_point(proof->b);
  const MillerLoopPair pairs[] = {
      {proof->a, b_lines},
      {*input, key->neg_gamma_lines},
      {proof->c, key->neg_delta_lines},
  };
  auto g = bn254::final_exponentiation(miller_value(pairs));
  if (!g) return base::Err(Groth16Error::setup(bn254::Groth16SetupError::UnexpectedIdentity));
  if (!(*g == key->alpha_beta)) return base::Err(Groth16Error::message(kInvalidProof));
  return {};
}

}  // namespace kovra::groth16
