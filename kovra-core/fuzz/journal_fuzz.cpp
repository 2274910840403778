// Fuzz target for the journal records: every reader of kovra-core/journal.h and the gate
// journal over the same journal bytes.
//
// Any input must end in a record or a WordCodecError, never a crash or an unbounded
// allocation. A record that reads is written back with the test writer and must give exactly
// the words that were read: the input's prefix of that length.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "kovra-core/journal.h"
#include "kovra-core/testing/journal_writer.h"

namespace {

template <class Record>
void read_back(std::span<const uint8_t> input) {
  auto record = Record::from_words(input);
  if (!record) return;
  const auto written = kovra::core::testing::journal_bytes(*record);
  if (written.size() > input.size() ||
      std::memcmp(written.data(), input.data(), written.size()) != 0) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kovra::core;
  const std::span<const uint8_t> input(data, size);
  read_back<GateAttestation>(input);
  read_back<DsrJournal>(input);
  read_back<PboJournal>(input);
  read_back<PboAggJournal>(input);
  read_back<CpcvJournal>(input);
  read_back<ValidationExtGuestJournal>(input);
  read_back<LabelSchemaJournal>(input);
  read_back<StructuralJournal>(input);
  read_back<HrpJournal>(input);
  return 0;
}
