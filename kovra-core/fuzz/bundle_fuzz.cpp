// Fuzz target for the credential bundle reader.
//
// Any input must end in a bundle or a decode error with its text, never a crash, a read out
// of bounds or an unbounded allocation. A decoded bundle is written back with the test writer:
// the bincode form has exactly one encoding per record, so the bytes must equal the prefix of
// the input that was read (trailing bytes are ignored). The digest check and the gate journal
// reader then run on what was decoded, as the program runs them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "kovra-core/bundle.h"
#include "kovra-core/testing/bundle_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kovra::core;
  const std::span<const uint8_t> input(data, size);
  auto bundle = CredentialBundle::read_bincode(input);
  if (!bundle) {
    if (bundle.error().message.empty()) std::abort();
    return 0;
  }
  const auto written = testing::credential_bundle_bytes(*bundle);
  if (written.size() > size || std::memcmp(written.data(), data, written.size()) != 0) std::abort();
  (void)bundle->digest_intact();
  (void)GateAttestation::from_words(bundle->receipt.journal);
  return 0;
}
