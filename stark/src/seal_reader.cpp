#include "stark/seal_reader.h"

#include <utility>

#include "base/invariant.h"

namespace kovra::stark {

SealReader::SealReader(std::span<const uint32_t> words, std::unique_ptr<TranscriptRng> transcript)
    : words_(words), transcript_(std::move(transcript)) {
  KOVRA_INVARIANT(transcript_ != nullptr, "a seal reader needs a transcript");
}

VResult<std::span<const uint32_t>> SealReader::read_words(size_t n) {
  if (n > words_.size()) return base::Err(VerificationError::malformed());
  auto out = words_.first(n);
  words_ = words_.subspan(n);
  return out;
}

VResult<std::vector<BabyBearExtElem>> SealReader::read_ext_elems(size_t n) {
  if (n > words_.size() / 4) return base::Err(VerificationError::malformed());
  auto w = words_.first(4 * n);
  words_ = words_.subspan(4 * n);
  if (!all_reduced(w)) return base::Err(VerificationError::malformed());
  std::vector<BabyBearExtElem> out(n);
  for (size_t i = 0; i < n; ++i)
    out[i] = BabyBearExtElem(BabyBearElem::from_raw(w[4 * i]), BabyBearElem::from_raw(w[4 * i + 1]),
                             BabyBearElem::from_raw(w[4 * i + 2]),
                             BabyBearElem::from_raw(w[4 * i + 3]));
  return out;
}

std::vector<BabyBearElem> elems_of(std::span<const uint32_t> words) {
  std::vector<BabyBearElem> out(words.size());
  for (size_t i = 0; i < words.size(); ++i) out[i] = BabyBearElem::from_raw(words[i]);
  return out;
}

bool all_reduced(std::span<const uint32_t> words) {
  uint32_t bad = 0;
  for (uint32_t w : words) bad |= static_cast<uint32_t>(w >= BabyBearElem::P);
  return bad == 0;
}

}  // namespace kovra::stark
