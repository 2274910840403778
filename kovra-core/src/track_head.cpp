#include "kovra-core/track_head.h"

namespace kovra::core {

using base::JsonError;
using base::JsonField;
using base::JsonReader;
using base::Status;

namespace {

constexpr JsonField kTrackHeadFields[] = {{"model_commitment"}, {"size"},    {"merkle_root"},
                                          {"chain_head"},       {"first_ts"}, {"last_ts"}};

}  // namespace

base::Result<TrackHead, JsonError> read_track_head(std::string_view text) {
  JsonReader reader(text);
  TrackHead head;
  KOVRA_TRY(base::json_read_record(
      reader, "TrackHead", kTrackHeadFields,
      [&head](size_t field, JsonReader& value) -> Status<JsonError> {
        switch (field) {
          case 0: { KOVRA_ASSIGN_OR_RETURN(head.model_commitment, base::json_byte_array<32>(value)); break; }
          case 1: { KOVRA_ASSIGN_OR_RETURN(head.size, base::json_u64(value)); break; }
          case 2: { KOVRA_ASSIGN_OR_RETURN(head.merkle_root, base::json_byte_array<32>(value)); break; }
          case 3: { KOVRA_ASSIGN_OR_RETURN(head.chain_head, base::json_byte_array<32>(value)); break; }
          case 4: { KOVRA_ASSIGN_OR_RETURN(head.first_ts, base::json_i64(value)); break; }
          default: { KOVRA_ASSIGN_OR_RETURN(head.last_ts, base::json_i64(value)); break; }
        }
        return {};
      }));
  KOVRA_TRY(reader.finish());
  return head;
}

std::optional<TrackHead> TrackHead::from_json(std::string_view text) {
  auto head = read_track_head(text);
  if (!head) return std::nullopt;
  return *head;
}

}  // namespace kovra::core
