#include "receipts/verify_context.h"

#include <cstdlib>

#include "base/tagged_digest.h"

namespace kovra::receipts {

Digest Groth16ReceiptVerifierParameters::digest() const {
  return base::tagged_digest(kGroth16ParamsTag,
                             {program_set_root, bn254_id,
                              groth16::verifying_key_digest(verifying_key)});
}

bool fake_receipts_allowed(std::optional<std::string_view> value) {
  if (!value) return false;
  // Lower-casing only matters for ASCII letters here: no other character lower-cases to a
  // letter of "yes" or "true", so any other byte makes the value differ from all three.
  std::string lower(*value);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower == "1" || lower == "yes" || lower == "true";
}

VerifyContext VerifyContext::new_default() {
  VerifyContext ctx;
  for (stark::HashSuite suite :
       {stark::HashSuite::blake2b(), stark::HashSuite::poseidon2(), stark::HashSuite::sha256()}) {
    std::string name = suite.name;
    ctx.hash_suites.emplace(std::move(name), std::move(suite));
  }
  ctx.segment_params = Rv32imReceiptVerifierParameters{ProtocolTag::from_text(kProofSystemTag),
                                                       ProtocolTag::from_text(kRv32imCircuitTag)};
  ctx.groth16_params =
      Groth16ReceiptVerifierParameters{embedded_verifying_key(), program_set_root(), bn254_id()};
  ctx.succinct_params = SuccinctReceiptVerifierParameters{
      std::nullopt, program_set_root(), ProtocolTag::from_text(kProofSystemTag),
      ProtocolTag::from_text(kRecursionCircuitTag)};
  const char* dev = std::getenv("DURO0_DEV_MODE");
  ctx.dev_mode = fake_receipts_allowed(dev ? std::optional<std::string_view>(dev) : std::nullopt);
  return ctx;
}

VerifyContext VerifyContext::for_assumption(const VerifyContext& current, const Digest& root) {
  VerifyContext ctx;
  ctx.hash_suites = current.hash_suites;
  ctx.succinct_params = SuccinctReceiptVerifierParameters{
      std::nullopt, root, ProtocolTag::from_text(kProofSystemTag),
      ProtocolTag::from_text(kRecursionCircuitTag)};
  ctx.dev_mode = current.dev_mode;
  ctx.recursion_circuit = current.recursion_circuit;
  ctx.rv32im_circuit = current.rv32im_circuit;
  return ctx;
}

const stark::HashSuite* VerifyContext::suite(std::string_view name) const {
  auto it = hash_suites.find(name);
  return it == hash_suites.end() ? nullptr : &it->second;
}

}  // namespace kovra::receipts
