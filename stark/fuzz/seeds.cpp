// Seeds of the STARK seal fuzz target: honest seals of the test prover for both circuit shapes
// under every suite, at a size without FRI rounds (po2 7) and with one (po2 9).
#include <string>

#include "base/invariant.h"
#include "fuzz/seed_corpus.h"
#include "stark/testing/prover.h"
#include "stark/verify.h"
#include "stark_seal.h"

int main(int argc, char** argv) {
  using namespace kovra::stark;
  return kovra::fuzz::seed_main(argc, argv, [](kovra::fuzz::SeedCorpus& corpus) {
    corpus.target("stark_seal_fuzz");
    for (uint8_t selector = 0; selector < 6; ++selector) {
      const auto& circuit = fuzz::fuzz_circuit(selector);
      const auto& suite = fuzz::fuzz_suite(selector);
      for (uint32_t po2 : {7u, 9u}) {
        const auto proof =
            testing::prove(circuit, suite, po2, testing::default_public_words(circuit));
        std::span<const uint32_t> words(proof.seal);
        if (circuit.shape().version_word) words = words.subspan(1);
        KOVRA_INVARIANT(verify_stark_seal(circuit.description(), suite, words).is_ok(),
                        "an honest seed verifies");
        corpus.add(std::string(selector % 2 ? "rv32im-" : "recursion-") + suite.name + "-po2-" +
                       std::to_string(po2),
                   fuzz::seal_input(selector, words));
      }
    }
  });
}
