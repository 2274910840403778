// Fuzz target for the JSON side records read in kovra-core: the track head and the aux parts.
//
// Any text must end in a record or a JsonError with its text, never a crash or a deep
// recursion. A record that reads is written again in its array form and must read back equal;
// the aux aggregate of parts that read is taken.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "kovra-core/aux_parts.h"
#include "kovra-core/track_head.h"

namespace {

// The array form of a record from its members' JSON texts.
class ArrayText {
 public:
  ArrayText& bytes(const std::array<uint8_t, 32>& b) {
    item();
    text_.push_back('[');
    for (size_t i = 0; i < b.size(); ++i) {
      if (i) text_.push_back(',');
      text_.append(std::to_string(b[i]));
    }
    text_.push_back(']');
    return *this;
  }
  ArrayText& part(const std::optional<std::array<uint8_t, 32>>& p) {
    if (p) return bytes(*p);
    item();
    text_.append("null");
    return *this;
  }
  template <class Int>
  ArrayText& number(Int v) {
    item();
    text_.append(std::to_string(v));
    return *this;
  }
  std::string done() { return text_ + "]"; }

 private:
  void item() { text_.push_back(text_.size() == 1 ? ' ' : ','); }
  std::string text_ = "[";
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kovra::core;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  if (auto head = read_track_head(text)) {
    const std::string again = ArrayText()
                                  .bytes(head->model_commitment)
                                  .number(head->size)
                                  .bytes(head->merkle_root)
                                  .bytes(head->chain_head)
                                  .number(head->first_ts)
                                  .number(head->last_ts)
                                  .done();
    if (TrackHead::from_json(again) != *head) std::abort();
  } else if (head.error().message.empty()) {
    std::abort();
  }

  if (auto parts = read_aux_parts(text)) {
    const std::string again = ArrayText()
                                  .part(parts->trial_ledger)
                                  .part(parts->provenance)
                                  .part(parts->live_chain)
                                  .part(parts->black_box_track)
                                  .part(parts->zkml_weights)
                                  .done();
    if (AuxParts::from_json(again) != *parts) std::abort();
    (void)AuxParts::binding(*parts);
  } else if (parts.error().message.empty()) {
    std::abort();
  }
  return 0;
}
