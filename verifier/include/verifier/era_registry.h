// The engine era registry: which engine era minted a credential, by its guest image id.
//
// The registry is an append-only JSON document built into the program. Its top level is an
// object whose member "eras" (exactly once) holds the entries; other members are prose and
// skipped. Each entry is an `EraEntry` as an object (known members by name, others skipped,
// none repeated; `era`, `date` and `status` required, `tagline` defaulting to "", `image_id`
// null or missing for an era whose id is not known) or as an array of the five values in
// member order. Nothing follows the document but white space.
//
// The registry is parsed afresh at every lookup; nothing is cached. A registry that did not
// parse would make every lookup come back empty.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/json.h"
#include "base/result.h"
#include "verifier/report.h"

namespace kovra::verifier {

struct EraEntry {
  std::string era;
  std::optional<std::string> image_id;  // 64 hexadecimal digits, when known
  std::string tagline;
  std::string date;    // YYYY-MM-DD
  std::string status;  // "live" or "superseded"

  friend bool operator==(const EraEntry&, const EraEntry&) = default;
};

// The embedded registry document.
extern const std::string_view ERA_REGISTRY_JSON;

// The entries of a registry document, in order.
base::Result<std::vector<EraEntry>, base::JsonError> parse_era_list(std::string_view json);

// The first entry of the registry document whose image id is present and equals the id's
// hexadecimal text ignoring ASCII case; nullopt when none does or the document does not parse.
std::optional<EraEntry> lookup_era_in(std::string_view json, std::span<const uint8_t, 32> image_id);

// lookup_era_in over the embedded registry.
std::optional<EraEntry> lookup_era(std::span<const uint8_t, 32> image_id);

// The informational engine-era line of a credential's own image id, with P its first 12
// hexadecimal digits:
//   a registry era E:   "  🏷  Engine era: {E.era} · {E.tagline} · era dated {E.date} ·
//                        status {E.status} · image {P}…" (the era name bold)
//   the carry or VRP guest, as a sibling of the live era L (the entry of TRUSTED_IMAGE_ID):
//                       "  🏷  Engine era: {L.era} · {L.tagline} · {carry|vrp} sibling guest of
//                        this era · status {L.status} · image {P}…"
//   anything else:      "  ⚠ UNRECOGNIZED ENGINE — image id {P}… is NOT in the KOVRA era
//                        registry" (bold red) and a dim line that says to treat it with
//                        suspicion.
// It never fails and never changes the outcome of a run.
void print_engine_era(Report& report, std::span<const uint8_t, 32> image_id);

}  // namespace kovra::verifier
