// SealReader: the cursor over a STARK seal and the Fiat-Shamir transcript that goes with it.
//
// A seal is a flat list of u32 words consumed strictly from front to back while the suite's
// transcript is fed and drained in the protocol's fixed order. The reader never rewinds; it
// borrows the seal words (they must outlive it) and owns the transcript.
//
// `read_words` checks only that enough words remain; the caller tests the reducedness of what
// it took before treating a word as a field element. `read_ext_elems` tests it itself.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "base/result.h"
#include "base/verification_error.h"
#include "stark/baby_bear.h"
#include "stark/hash_suite.h"

namespace kovra::stark {

using base::VerificationError;

template <class T>
using VResult = base::Result<T, VerificationError>;

class SealReader {
 public:
  SealReader(std::span<const uint32_t> words, std::unique_ptr<TranscriptRng> transcript);

  // The next n words, or Malformed (nothing consumed) when fewer remain.
  VResult<std::span<const uint32_t>> read_words(size_t n);
  // The next n extension elements (4n words, c0..c3 of each in turn). Too few words: Malformed
  // with nothing consumed; a word at or above P: Malformed after the cursor moved past all 4n.
  VResult<std::vector<BabyBearExtElem>> read_ext_elems(size_t n);

  size_t remaining() const { return words_.size(); }
  TranscriptRng& transcript() { return *transcript_; }

 private:
  std::span<const uint32_t> words_;
  std::unique_ptr<TranscriptRng> transcript_;
};

// Words taken from a seal as field elements (the caller has checked them with is_reduced).
std::vector<BabyBearElem> elems_of(std::span<const uint32_t> words);
// Whether every word is below P.
bool all_reduced(std::span<const uint32_t> words);

}  // namespace kovra::stark
