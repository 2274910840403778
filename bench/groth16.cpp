// Groth16 receipt verification as the program runs it, and its parts.
//
//   BM_Groth16ReceiptAsProgram   Receipt::verify: VerifyContext::new_default() (embedded key
//                                parsed and validated, suites, environment), parameter digest,
//                                Groth16Check::from_seal (e(alpha, beta), lines of -gamma and
//                                -delta, proof points, input point) and Groth16Check::verify.
//                                No valid proof exists for the embedded key, so the seal is a
//                                test proof whose pairing check runs in full and fails only at
//                                the final comparison: the same work as an accepted receipt.
//   BM_Groth16ReceiptValidTest   The same steps for a valid test proof: the default context is
//                                built each time as well, the receipt is checked under a
//                                context holding the test key.
//   BM_PairingCheckOnly          Groth16Check::verify of a prepared check alone.
//   BM_NewDefaultContext, BM_FromSeal: the two other parts, for reference.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "groth16/check.h"
#include "groth16/testing/test_key.h"
#include "receipts/receipt_verify.h"
#include "receipts/testing/test_context.h"
#include "receipts/verify_context.h"

namespace {

using namespace kovra;
using receipts::Digest;

Digest image_id() {
  std::array<uint8_t, 32> b;
  b.fill(0x1d);
  return Digest::from_bytes(b);
}

const std::vector<uint8_t> kJournal(420, 0x5a);

void BM_Groth16ReceiptAsProgram(benchmark::State& state) {
  unsetenv("DURO0_DEV_MODE");
  const auto scalars = groth16::testing::default_test_scalars();
  const receipts::VerifyContext test_ctx = receipts::testing::groth16_test_context(
      scalars, receipts::program_set_root(), receipts::bn254_id());
  receipts::Receipt r =
      receipts::testing::groth16_test_receipt(test_ctx, scalars, image_id(), kJournal);
  const Digest default_params = receipts::VerifyContext::new_default().groth16_params->digest();
  r.params_digest = default_params;
  std::get<receipts::Groth16Receipt>(r.proof.kind).params_digest = default_params;
  if (r.verify(image_id()).kind() != base::VerificationError::Kind::ProofRejected)
    state.SkipWithError("expected the full pairing check to reject the test seal");
  for (auto _ : state) benchmark::DoNotOptimize(r.verify(image_id()));
}
BENCHMARK(BM_Groth16ReceiptAsProgram)->Unit(benchmark::kMicrosecond);

void BM_Groth16ReceiptValidTest(benchmark::State& state) {
  unsetenv("DURO0_DEV_MODE");
  const auto scalars = groth16::testing::default_test_scalars();
  const receipts::VerifyContext test_ctx = receipts::testing::groth16_test_context(
      scalars, receipts::program_set_root(), receipts::bn254_id());
  const receipts::Receipt r =
      receipts::testing::groth16_test_receipt(test_ctx, scalars, image_id(), kJournal);
  if (!r.verify_with(test_ctx, image_id()).is_ok()) state.SkipWithError("test proof must verify");
  for (auto _ : state) {
    benchmark::DoNotOptimize(receipts::VerifyContext::new_default());
    benchmark::DoNotOptimize(r.verify_with(test_ctx, image_id()));
  }
}
BENCHMARK(BM_Groth16ReceiptValidTest)->Unit(benchmark::kMicrosecond);

void BM_PairingCheckOnly(benchmark::State& state) {
  const auto scalars = groth16::testing::default_test_scalars();
  const auto vk = groth16::testing::make_test_key(scalars);
  const Digest root = receipts::program_set_root(), id = receipts::bn254_id();
  const Digest claim = image_id();
  const auto seal = groth16::testing::make_test_seal(scalars, root, claim, id,
                                                     groth16::testing::scalar(5),
                                                     groth16::testing::scalar(6));
  auto check = groth16::Groth16Check::from_seal(seal, root, claim, id, vk);
  if (!check.ok() || !check->verify().ok()) state.SkipWithError("test proof must verify");
  for (auto _ : state) benchmark::DoNotOptimize(check->verify());
}
BENCHMARK(BM_PairingCheckOnly)->Unit(benchmark::kMicrosecond);

void BM_NewDefaultContext(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(receipts::VerifyContext::new_default());
}
BENCHMARK(BM_NewDefaultContext)->Unit(benchmark::kMicrosecond);

void BM_FromSeal(benchmark::State& state) {
  const auto scalars = groth16::testing::default_test_scalars();
  const auto vk = groth16::testing::make_test_key(scalars);
  const Digest root = receipts::program_set_root(), id = receipts::bn254_id();
  const Digest claim = image_id();
  const auto seal = groth16::testing::make_test_seal(scalars, root, claim, id,
                                                     groth16::testing::scalar(5),
                                                     groth16::testing::scalar(6));
  for (auto _ : state)
    benchmark::DoNotOptimize(groth16::Groth16Check::from_seal(seal, root, claim, id, vk));
}
BENCHMARK(BM_FromSeal)->Unit(benchmark::kMicrosecond);

}  // namespace
