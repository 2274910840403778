#include "receipts/stark_receipts.h"

#include "receipts/rv32im_globals.h"
#include "stark/verify.h"

namespace kovra::receipts {
namespace {

constexpr size_t kGlobalCount = 90;

}  // namespace

base::Result<ReceiptClaim, std::string> decode_segment_claim(std::span<const uint32_t> seal) {
  if (seal.empty() || seal[0] != 2) return base::Err(std::string("seal version mismatch"));
  KOVRA_INVARIANT(seal.size() > kGlobalCount, "the caller has checked the globals");
  const std::span<const uint32_t> globals = seal.subspan(1, kGlobalCount);
  const Rv32imGlobalsLayout& layout = rv32im_globals_layout();
  KOVRA_ASSIGN_OR_RETURN(const Digest pre_root, read_global_digest(globals, *layout.pre_state));
  KOVRA_ASSIGN_OR_RETURN(Digest post_root, read_global_digest(globals, *layout.post_state));
  KOVRA_ASSIGN_OR_RETURN(const Digest input, read_global_digest(globals, *layout.input));
  KOVRA_ASSIGN_OR_RETURN(const Digest output, read_global_digest(globals, *layout.output));
  const uint32_t terminate = read_global_word(globals, *layout.terminate);
  // exit code, halt type and the two further half-words
  const uint32_t tail[4] = {
      read_global_word(globals, *layout.exit_code), read_global_word(globals, *layout.halt_type),
      read_global_word(globals, *layout.extra_0), read_global_word(globals, *layout.extra_1)};
  ReceiptClaim claim;
  if (terminate == 1) {
    for (uint32_t v : tail)
      if (v > 0xffff) return base::Err(std::string("exit word out of range"));
    const uint32_t halt_type = tail[1];
    if (halt_type == 0) {
      claim.exit_code = ExitCode::halted(tail[0]);
      post_root = Digest::zero();
    } else if (halt_type == 1) {
      claim.exit_code = ExitCode::paused(tail[0]);
    } else {
      return base::Err("Illegal halt type: " + std::to_string(halt_type));
    }
    claim.output = Prunable<std::optional<Output>>::pruned(output);
  } else {
    claim.exit_code = ExitCode::split();
    claim.output = Prunable<std::optional<Output>>::pruned(Digest::zero());
  }
  claim.pre = SystemState{0, pre_root};
  claim.post = SystemState{0, post_root};
  claim.input = Prunable<EmptyInput>::pruned(input);
  return claim;
}

VerificationError verify_rv32im_segment(const Rv32imReceipt& segment, const VerifyContext& ctx) {
  if (!ctx.segment_params) return VerificationError::params_missing();
  const ProtocolTag proof_system = ProtocolTag::from_text(kProofSystemTag);
  const ProtocolTag circuit_tag = ProtocolTag::from_text(kRv32imCircuitTag);
  if (ctx.segment_params->proof_system != proof_system)
    return VerificationError::proof_system_mismatch(proof_system,
                                                    ctx.segment_params->proof_system);
  if (ctx.segment_params->circuit != circuit_tag)
    return VerificationError::circuit_mismatch(circuit_tag, ctx.segment_params->circuit);
  if (segment.hash_name != "poseidon2") return VerificationError::unknown_hash_suite();
  if (segment.seal.empty() || segment.seal[0] != 2) return VerificationError::malformed();

  const stark::HashSuite suite = stark::HashSuite::poseidon2();
  const stark::CircuitDescription& circuit = *ctx.rv32im_circuit;
  KOVRA_INVARIANT(circuit.public_words == kGlobalCount, "an rv32im circuit has 90 globals");
  stark::StarkVerifier v(circuit, suite, std::span<const uint32_t>(segment.seal).subspan(1));
  v.mix_protocol_tags();
  auto globals = v.read_public_words();
  if (!globals) return globals.error();
  for (size_t g : {stark::kGroupCode, stark::kGroupData}) {
    auto root = v.commit_group(g);
    if (!root) return root.error();
  }
  const std::vector<stark::BabyBearElem> mix = v.draw_mix(0, circuit.mix_count);
  auto accum = v.commit_group(stark::kGroupAccum);
  if (!accum) return accum.error();
  KOVRA_VERIFY_TRY(v.finish(*globals, mix));
  if (v.remaining() != 0) return VerificationError::malformed();

  auto decoded = decode_segment_claim(segment.seal);
  if (!decoded) return VerificationError::malformed();
  const Digest stored = segment.claim.digest();
  const Digest received = decoded->digest();
  if (stored != received) return VerificationError::claim_mismatch(stored, received);
  return VerificationError::ok();
}

}  // namespace kovra::receipts
