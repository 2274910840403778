#include "receipts/testing/receipt_samples.h"

#include <map>

#include "base/invariant.h"
#include "groth16/testing/test_key.h"
#include "receipts/receipt_verify.h"
#include "receipts/stark_receipts.h"
#include "receipts/testing/receipt_writer.h"
#include "receipts/testing/stark_receipts.h"
#include "receipts/testing/test_context.h"

namespace kovra::receipts::testing {
namespace {

constexpr uint32_t kPo2 = 7;

const std::vector<stark::HashSuite>& suites() {
  static const std::vector<stark::HashSuite> s = {
      stark::HashSuite::poseidon2(), stark::HashSuite::sha256(), stark::HashSuite::blake2b()};
  return s;
}

// The chain's first pre-state root; sample_image_id is its state's digest.
Digest chain_start() { return sample_digest(0x300); }

struct SuiteSetup {
  stark::HashSuite suite;
  TestProgramSet set;
  VerifyContext ctx;
};

struct Setups {
  std::map<std::string, SuiteSetup, std::less<>> by_name;
  groth16::testing::TestKeyScalars scalars = groth16::testing::default_test_scalars();

  Setups() {
    const auto& poseidon2 = suites().front();
    const TestProgramSet groth16_set = make_program_set(poseidon2, test_code_root(poseidon2, kPo2));
    Digest bn254_id = sample_digest(0x900);
    bn254_id.words[7] = 0;  // an element of the BN254 scalar field
    const auto groth16 = groth16_test_context(scalars, groth16_set.root, bn254_id).groth16_params;
    for (const auto& suite : suites()) {
      SuiteSetup s{suite, make_program_set(suite, test_code_root(suite, kPo2)), {}};
      s.ctx = stark_test_context(s.set.root, /*dev_mode=*/true);
      s.ctx.groth16_params = groth16;
      by_name.emplace(suite.name, std::move(s));
    }
  }
  const SuiteSetup& of(std::string_view name) const {
    auto it = by_name.find(name);
    return it == by_name.end() ? by_name.at("poseidon2") : it->second;
  }
};

const Setups& setups() {
  static const Setups s;
  return s;
}

SuccinctReceipt succinct(const SuiteSetup& s, const Digest& claim_digest,
                         const Prunable<ReceiptClaim>& claim) {
  return make_succinct_receipt(s.suite, kPo2, s.set, claim_digest, claim);
}

// Two segments; the last one's assumptions are proven by a receipt of every kind.
ChainedReceipt chained_sample(const std::vector<uint8_t>& journal) {
  const Setups& all = setups();
  const SuiteSetup& main = all.of("poseidon2");
  std::vector<AssumptionReceipt> receipts;
  Assumptions assumptions;
  const auto add = [&](ProofKind proof, const Digest& claim, const Digest& root) {
    receipts.push_back(AssumptionReceipt{std::move(proof)});
    assumptions.emplace_back(Assumption{claim, root});
  };

  const Receipt g = groth16_test_receipt(main.ctx, all.scalars, sample_digest(0x110), {1});
  add(std::get<Groth16Receipt>(g.proof.kind),
      expected_claim(sample_digest(0x110), std::vector<uint8_t>{1}).digest(), Digest::zero());
  uint32_t seed = 0x120;
  for (const auto& suite : suites()) {
    const SuiteSetup& s = all.of(suite.name);
    const Digest claim = sample_digest(seed += 0x10);
    // Under the current context for the chain's own suite, else under the suite's tree.
    add(succinct(s, claim, Prunable<ReceiptClaim>::pruned(claim)), claim,
        &s == &main ? Digest::zero() : s.set.root);
  }
  const Digest fake_claim = sample_digest(0x160);
  add(FakeReceipt{Prunable<ReceiptClaim>::pruned(fake_claim)}, fake_claim, Digest::zero());

  Output inner_out{Prunable<std::vector<uint8_t>>(std::vector<uint8_t>{2}),
                   Prunable<Assumptions>(Assumptions{})};
  Rv32imReceipt inner_seg = make_segment(
      {sample_digest(0x170), Digest::zero(), Digest::zero(), inner_out.digest(), 1});
  inner_seg.claim.output = std::optional<Output>(inner_out);
  ChainedReceipt inner;
  inner.segments = {inner_seg};
  const Digest inner_claim = chained_receipt_claim(inner)->digest();
  add(std::move(inner), inner_claim, Digest::zero());

  const Digest mid = sample_digest(0x310);
  Output out{Prunable<std::vector<uint8_t>>(journal), Prunable<Assumptions>(assumptions)};
  const Rv32imReceipt first = make_segment({chain_start(), mid, Digest::zero(), Digest::zero(), 0});
  Rv32imReceipt last =
      make_segment({mid, Digest::zero(), Digest::zero(), out.digest(), 1}, kPo2, 2);
  last.claim.output = std::optional<Output>(out);
  ChainedReceipt chain;
  chain.segments = {first, last};
  chain.assumption_receipts = std::move(receipts);
  chain.params_digest = sample_digest(0x400);
  return chain;
}

}  // namespace

Digest sample_image_id() { return SystemState{0, chain_start()}.digest(); }

const VerifyContext& sample_context(std::string_view suite_name) {
  return setups().of(suite_name).ctx;
}

std::vector<NamedReceipt> sample_receipts(const std::vector<uint8_t>& journal) {
  const Setups& all = setups();
  const Digest image_id = sample_image_id();
  const ReceiptClaim claim = expected_claim(image_id, journal);
  const VerifyContext& main = all.of("poseidon2").ctx;
  std::vector<NamedReceipt> out;
  out.push_back({"fake", fake_receipt(claim, journal, Digest::zero())});
  for (bool pruned : {true, false}) {
    out.push_back({pruned ? "groth16" : "groth16-claim-value",
                   groth16_test_receipt(main, all.scalars, image_id, journal, pruned)});
  }
  for (const auto& suite : suites()) {
    const SuccinctReceipt s = succinct(all.of(suite.name), claim.digest(),
                                       Prunable<ReceiptClaim>::pruned(claim.digest()));
    out.push_back({"succinct-" + suite.name, receipt_of(s, journal, s.params_digest)});
  }
  ChainedReceipt chain = chained_sample(journal);
  const Digest params = chain.params_digest;
  out.push_back({"chained", receipt_of(std::move(chain), journal, params)});
  for (const auto& r : out) {
    const std::string_view suite =
        std::holds_alternative<SuccinctReceipt>(r.receipt.proof.kind)
            ? std::string_view(std::get<SuccinctReceipt>(r.receipt.proof.kind).hash_name)
            : std::string_view("poseidon2");
    KOVRA_INVARIANT(r.receipt.verify_with(sample_context(suite), image_id).is_ok(),
                    "a sample receipt verifies");
  }
  return out;
}

}  // namespace kovra::receipts::testing
