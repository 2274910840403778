// Test-only writers of journal words for every journal record: the exact inverse of the
// `read_words` readers in kovra-core/journal.h, so that tests build journals in code.
#pragma once

#include <cstdint>
#include <vector>

#include "kovra-core/journal.h"
#include "receipts/testing/word_writer.h"

namespace kovra::core::testing {

using receipts::testing::WordWriter;

void write_words(WordWriter& w, const GateAttestation& gate);
void write_words(WordWriter& w, const TrialLedger& ledger);
void write_words(WordWriter& w, const DsrJournal& j);
void write_words(WordWriter& w, const PboJournal& j);
void write_words(WordWriter& w, const PboAggJournal& j);
void write_words(WordWriter& w, const CpcvJournal& j);
void write_words(WordWriter& w, const ValidationExtJournal& j);
void write_words(WordWriter& w, const ValidationExtGuestJournal& j);
void write_words(WordWriter& w, const LabelSchemaJournal& j);
void write_words(WordWriter& w, const StructuralJournal& j);
void write_words(WordWriter& w, const HrpJournal& j);

// The journal bytes a guest would commit for `record`.
template <class T>
std::vector<uint8_t> journal_bytes(const T& record) {
  WordWriter w;
  write_words(w, record);
  return w.bytes();
}

}  // namespace kovra::core::testing
