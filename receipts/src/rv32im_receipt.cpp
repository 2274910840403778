#include "receipts/stark_receipts.h"

#include "stark/verify.h"

namespace kovra::receipts {
namespace {

// Where the claim's parts sit among the 90 globals (index g is seal word g + 1).
constexpr size_t kInputDigest = 0;
constexpr size_t kTerminate = 16;
constexpr size_t kOutputDigest = 17;
constexpr size_t kPreStateRoot = 54;
constexpr size_t kPostStateRoot = 70;
constexpr size_t kExitCode = 86;
constexpr size_t kHaltType = 87;
constexpr size_t kGlobalCount = 90;

uint32_t read_global_word(std::span<const uint32_t> globals, size_t g) {
  return stark::BabyBearElem::from_raw(globals[g]).to_u32();
}

// Eight (low, high) half-word pairs from global `base`: digest word i = low + 65536 * high.
base::Result<Digest, std::string> read_global_digest(std::span<const uint32_t> globals,
                                                     size_t base) {
  Digest d;
  for (size_t i = 0; i < 8; ++i) {
    const uint32_t low = read_global_word(globals, base + 2 * i);
    const uint32_t high = read_global_word(globals, base + 2 * i + 1);
    if (low > 0xffff || high > 0xffff)
      return base::Err(std::string("digest half-word out of range"));
    d.words[i] = low | high << 16;
  }
  return d;
}

}  // namespace

base::Result<ReceiptClaim, std::string> decode_segment_claim(std::span<const uint32_t> seal) {
  if (seal.empty() || seal[0] != 2) return base::Err(std::string("seal version mismatch"));
  KOVRA_INVARIANT(seal.size() > kGlobalCount, "the caller has checked the globals");
  const std::span<const uint32_t> globals = seal.subspan(1, kGlobalCount);
  KOVRA_ASSIGN_OR_RETURN(const Digest pre_root, read_global_digest(globals, kPreStateRoot));
  KOVRA_ASSIGN_OR_RETURN(Digest post_root, read_global_digest(globals, kPostStateRoot));
  KOVRA_ASSIGN_OR_RETURN(const Digest input, read_global_digest(globals, kInputDigest));
  KOVRA_ASSIGN_OR_RETURN(const Digest output, read_global_digest(globals, kOutputDigest));
  const uint32_t terminate = read_global_word(globals, kTerminate);
  uint32_t tail[4];
  for (size_t i = 0; i < 4; ++i) tail[i] = read_global_word(globals, kExitCode + i);
  ReceiptClaim claim;
  if (terminate == 1) {
    for (uint32_t v : tail)
      if (v > 0xffff) return base::Err(std::string("exit word out of range"));
    const uint32_t halt_type = tail[kHaltType - kExitCode];
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
