#include "receipts/stark_receipts.h"

#include "stark/merkle.h"
#include "stark/verify.h"

namespace kovra::receipts {

base::Result<Digest, std::string> read_half_word_digest(std::span<const uint32_t> plain) {
  if (plain.size() < 16) return base::Err(std::string("too few half-words for a digest"));
  std::array<uint8_t, 32> bytes{};
  for (size_t i = 0; i < 16; ++i) {
    if (plain[i] > 0xffff) return base::Err(std::string("half-word out of range"));
    bytes[2 * i] = static_cast<uint8_t>(plain[i]);
    bytes[2 * i + 1] = static_cast<uint8_t>(plain[i] >> 8);
  }
  return Digest::from_bytes(bytes);
}

VerificationError verify_succinct_receipt(const SuccinctReceipt& receipt, const VerifyContext& ctx,
                                          const Digest& claim_digest) {
  if (!ctx.succinct_params) return VerificationError::params_missing();
  const SuccinctReceiptVerifierParameters& params = *ctx.succinct_params;
  const Digest params_digest = params.digest();
  if (params_digest != receipt.params_digest)
    return VerificationError::params_mismatch(params_digest, receipt.params_digest);
  const ProtocolTag proof_system = ProtocolTag::from_text(kProofSystemTag);
  const ProtocolTag circuit_tag = ProtocolTag::from_text(kRecursionCircuitTag);
  if (params.proof_system != proof_system)
    return VerificationError::proof_system_mismatch(proof_system, params.proof_system);
  if (params.circuit != circuit_tag)
    return VerificationError::circuit_mismatch(circuit_tag, params.circuit);
  const stark::HashSuite* suite = ctx.suite(receipt.hash_name);
  if (suite == nullptr) return VerificationError::unknown_hash_suite();
  if (receipt.seal.empty()) return VerificationError::malformed();

  const stark::CircuitDescription& circuit = *ctx.recursion_circuit;
  stark::StarkVerifier v(circuit, *suite, receipt.seal);
  v.mix_protocol_tags();
  auto outputs = v.read_public_words();
  if (!outputs) return outputs.error();
  auto code_root = v.commit_group(stark::kGroupCode);
  if (!code_root) return code_root.error();
  if (*code_root != receipt.code_root) return VerificationError::program_not_allowed(*code_root);
  if (!stark::merkle_inclusion_verify(receipt.code_root_proof.index,
                                      receipt.code_root_proof.siblings, *code_root,
                                      params.program_set_root, *suite->hash)
           .ok())
    return VerificationError::program_not_allowed(*code_root);
  auto data_root = v.commit_group(stark::kGroupData);
  if (!data_root) return data_root.error();
  const std::vector<stark::BabyBearElem> mix = v.draw_mix(0, circuit.mix_count);
  auto accum_root = v.commit_group(stark::kGroupAccum);
  if (!accum_root) return accum_root.error();
  KOVRA_VERIFY_TRY(v.finish(*outputs, mix));
  if (v.remaining() != 0) return VerificationError::malformed();

  // The outputs as plain values: the output root at the even positions 0..14, then the claim
  // digest as sixteen half-words.
  std::vector<uint32_t> plain;
  for (uint32_t w : receipt.seal.size() >= 32 ? std::span<const uint32_t>(receipt.seal).first(32)
                                              : std::span<const uint32_t>())
    plain.push_back(stark::BabyBearElem::from_raw(w).to_u32());
  if (plain.size() < 32) return VerificationError::malformed();
  Digest output_root;
  for (size_t i = 0; i < 8; ++i) output_root.words[i] = plain[2 * i];
  const Digest expected_root = params.output_root.value_or(params.program_set_root);
  if (output_root != expected_root) return VerificationError::program_not_allowed(output_root);
  auto sealed_claim = read_half_word_digest(std::span<const uint32_t>(plain).subspan(16));
  if (!sealed_claim) return VerificationError::malformed();
  if (*sealed_claim != claim_digest) return VerificationError::seal_claim_mismatch();
  return VerificationError::ok();
}

}  // namespace kovra::receipts
