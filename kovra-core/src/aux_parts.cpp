#include "kovra-core/aux_parts.h"

#include "base/sha256.h"

namespace kovra::core {

using base::JsonError;
using base::JsonField;
using base::JsonReader;
using base::Status;

namespace {

using Part = std::optional<std::array<uint8_t, 32>> AuxParts::*;

// The parts in their binding order, which is also the order of the array form.
constexpr Part kPartOrder[] = {&AuxParts::trial_ledger, &AuxParts::provenance,
                               &AuxParts::live_chain, &AuxParts::black_box_track,
                               &AuxParts::zkml_weights};

constexpr JsonField kAuxFields[] = {{"trial_ledger", false},
                                    {"provenance", false},
                                    {"live_chain", false},
                                    {"black_box_track", false},
                                    {"zkml_weights", false}};

constexpr std::string_view kAuxBindingTag = "KOVRA_AUX_BINDING_V1";

}  // namespace

base::Result<AuxParts, JsonError> read_aux_parts(std::string_view text) {
  JsonReader reader(text);
  AuxParts parts;
  KOVRA_TRY(base::json_read_record(
      reader, "AuxParts", kAuxFields,
      [&parts](size_t field, JsonReader& value) -> Status<JsonError> {
        KOVRA_ASSIGN_OR_RETURN(const bool absent, value.take_null());
        if (absent) return {};
        KOVRA_ASSIGN_OR_RETURN(parts.*kPartOrder[field], base::json_byte_array<32>(value));
        return {};
      }));
  KOVRA_TRY(reader.finish());
  return parts;
}

std::optional<AuxParts> AuxParts::from_json(std::string_view text) {
  auto parts = read_aux_parts(text);
  if (!parts) return std::nullopt;
  return *parts;
}

std::array<uint8_t, 32> AuxParts::binding(const AuxParts& parts) {
  bool any = false;
  for (const Part part : kPartOrder) any = any || (parts.*part).has_value();
  if (!any) return {};
  base::Sha256 h;
  h.update(kAuxBindingTag);
  for (const Part part : kPartOrder) {
    const auto& value = parts.*part;
    const uint8_t tag = value ? 1 : 0;
    h.update(std::span<const uint8_t>(&tag, 1));
    if (value) h.update(std::span<const uint8_t>(*value));
  }
  return h.finish().bytes();
}

int check_aux_binding(const CredentialBundle& bundle, const AuxParts& parts) {
  if (!bundle.digest_intact()) return 0;
  return AuxParts::binding(parts) == bundle.core.journal.aux_binding ? 2 : 1;
}

}  // namespace kovra::core
