// Seeds of the Groth16 fuzz target: the honest seal and each prepared string of its check,
// and seals whose points are refused for different reasons.
#include <vector>

#include "fuzz/seed_corpus.h"
#include "groth16/testing/test_key.h"
#include "groth16_check.h"

int main(int argc, char** argv) {
  using namespace kovra::groth16;
  return kovra::fuzz::seed_main(argc, argv, [](kovra::fuzz::SeedCorpus& corpus) {
    const auto& setup = fuzz::check_setup();
    const Groth16Check honest = *setup.check(setup.seal);
    KOVRA_INVARIANT(honest.verify().ok(), "the honest seed verifies");
    const auto with = [](uint8_t selector, const std::vector<uint8_t>& bytes) {
      std::vector<uint8_t> out = {selector};
      out.insert(out.end(), bytes.begin(), bytes.end());
      return out;
    };
    corpus.target("groth16_seal_fuzz");
    corpus.add("seal", with(0, setup.seal));
    corpus.add("key-bytes", with(1, honest.key_bytes));
    corpus.add("proof-bytes", with(2, honest.proof_bytes));
    corpus.add("input-bytes", with(3, honest.input_bytes));
    const auto a = testing::g1_mul(testing::scalar(7));
    const auto b = testing::g2_mul(testing::scalar(9));
    corpus.add("seal-outside-subgroup",
               with(0, testing::encode_seal(a, testing::twist_point_outside_subgroup(), a)));
    corpus.add("seal-infinity",
               with(0, testing::encode_seal(kovra::bn254::G1Affine::identity(), b, a)));
  });
}
