// TrackHead: the published head of a live track, read from its JSON file.
//
// A black-box credential belongs to a live track of forward-committed positions. The track's
// publisher gives its head as JSON, either an object with the six member names below (any
// order, undeclared keys skipped, none repeated, all required) or an array of the six values
// in member order. 32-byte values are arrays of exactly 32 integers 0..255, first byte first
// (a hexadecimal string is refused); `size` is an integer 0..2^64-1, the two times integers
// that fit 64 signed bits; a fraction or an exponent is never an integer.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "base/json.h"
#include "base/result.h"

namespace kovra::core {

struct TrackHead {
  std::array<uint8_t, 32> model_commitment{};  // must equal the credential's commitment
  uint64_t size = 0;                           // forward-committed periods; 0 = empty track
  std::array<uint8_t, 32> merkle_root{};       // read, consulted by no check
  std::array<uint8_t, 32> chain_head{};        // bound through the aux binding
  int64_t first_ts = 0;                        // first period, Unix seconds
  int64_t last_ts = 0;                         // last period, Unix seconds

  friend bool operator==(const TrackHead&, const TrackHead&) = default;

  // The head, or nullopt for any text that is not a track head in the form above.
  static std::optional<TrackHead> from_json(std::string_view text);
};

// As TrackHead::from_json, with the reason for a refusal.
base::Result<TrackHead, base::JsonError> read_track_head(std::string_view text);

}  // namespace kovra::core
