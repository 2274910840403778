// Fuzz target for the credential and attestation bundle readers.
//
// Any input must end in a record or an error value, never a crash, a read out of bounds or
// an unbounded allocation. A decoded bundle is written back with the test writers: the
// bincode form has exactly one encoding per record, so the bytes must equal the input's
// prefix that was read. The receipt's journal also goes through the gate journal reader,
// and the digests are taken, so that every reader of a decoded bundle runs.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "kovra-core/bundle.h"
#include "kovra-core/credential.h"
#include "kovra-core/journal.h"
#include "kovra-core/testing/bundle_writer.h"

namespace {

void expect_prefix(const std::vector<uint8_t>& written, std::span<const uint8_t> input) {
  if (written.size() > input.size() ||
      std::memcmp(written.data(), input.data(), written.size()) != 0) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kovra::core;
  const std::span<const uint8_t> input(data, size);

  if (auto b = CredentialBundle::read_bincode(input); b.ok()) {
    expect_prefix(testing::credential_bundle_bytes(*b), input);
    (void)b->digest_intact();
    (void)GateAttestation::from_words(b->receipt.journal);
  } else if (b.error().message.empty()) {
    std::abort();  // every decode error has its text
  }

  if (auto a = AttestationBundle::read_bincode(input); a.ok()) {
    expect_prefix(testing::attestation_bundle_bytes(*a), input);
    (void)a->digest_intact();
    (void)HrpJournal::from_words(a->receipt.journal);
  }

  // The input as journal words, for the statistic journal readers.
  (void)ValidationExtGuestJournal::from_words(input);
  (void)DsrJournal::from_words(input);
  return 0;
}
