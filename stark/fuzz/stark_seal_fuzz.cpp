// Fuzz target for STARK seals: the whole check (verify_stark_seal) over the synthetic test
// circuits under each hash suite (input form in stark_seal.h).
//
// Any words must end in a verdict, never a crash, a read out of bounds or an allocation out of
// proportion to the seal. The seeds are honest seals of every suite and both circuit shapes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "stark/verify.h"
#include "stark_seal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kovra::stark;
  if (size == 0) return 0;
  std::vector<uint32_t> words((size - 1) / 4);
  for (size_t i = 0; i < words.size(); ++i) {
    const uint8_t* w = data + 1 + 4 * i;
    words[i] = uint32_t{w[0]} | uint32_t{w[1]} << 8 | uint32_t{w[2]} << 16 | uint32_t{w[3]} << 24;
  }
  (void)verify_stark_seal(fuzz::fuzz_circuit(data[0]).description(), fuzz::fuzz_suite(data[0]),
                          words);
  return 0;
}
