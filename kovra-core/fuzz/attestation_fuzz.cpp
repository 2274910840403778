// Fuzz target for the attestation bundle reader.
//
// Any input must end in a bundle, the prefix refusal or a decode error with its text. A
// decoded bundle is written back with the test writer and must equal the prefix of the input
// that was read; then the digest check, the journal's SHA-256 and the journal reader of the
// bundle's own family run, as the attestation mode runs them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "kovra-core/bundle.h"
#include "kovra-core/credential.h"
#include "kovra-core/journal.h"
#include "kovra-core/testing/bundle_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kovra::core;
  const std::span<const uint8_t> input(data, size);
  auto bundle = AttestationBundle::read_bincode(input);
  if (!bundle) {
    if (!bundle.error().missing_prefix && bundle.error().decode.message.empty()) std::abort();
    return 0;
  }
  const auto written = testing::attestation_bundle_bytes(*bundle);
  if (written.size() > size || std::memcmp(written.data(), data, written.size()) != 0) std::abort();
  (void)bundle->digest_intact();
  const auto& journal = bundle->receipt.journal;
  (void)sha256_bytes(journal);
  switch (bundle->core.family) {
    case AttestationFamily::LabelSchema: (void)LabelSchemaJournal::from_words(journal); break;
    case AttestationFamily::Structural: (void)StructuralJournal::from_words(journal); break;
    case AttestationFamily::Hrp: (void)HrpJournal::from_words(journal); break;
  }
  return 0;
}
