#include "verifier/era_registry.h"

#include <algorithm>

#include "base/hex.h"
#include "base/text.h"
#include "verifier/image_ids.h"

namespace kovra::verifier {

using base::JsonError;
using base::JsonField;
using base::JsonReader;
using base::Status;

// Append-only: a new era is added at the end and the previous live era is marked superseded.
// Only "eras" and the five entry members `era`, `image_id`, `tagline`, `date` and `status`
// are read; the rest is documentation for people.
const std::string_view ERA_REGISTRY_JSON = R"json({
  "registry": "KOVRA engine era registry",
  "purpose": "Names the engine era that minted a credential from its guest image id. Append-only: eras are never removed or rewritten; a newer era supersedes the live one.",
  "generated": "2026-07-25",
  "integrity": "The registry is compiled into the verifier; a credential's era line is informational and never changes a verdict. Only the live era's image id is trusted.",
  "eras": [
    {
      "era": "era_a",
      "image_id": null,
      "image_id_source": "not recorded: the genesis guest predates the registry",
      "tagline": "genesis flagship",
      "adds": ["gate credential over one daily OHLC series"],
      "date": "2026-07-11",
      "status": "superseded",
      "verifier_sha256": null,
      "verifier_binary": null,
      "canonical_elf": null,
      "note": "Credentials of this era cannot be attributed by image id."
    },
    {
      "era": "v5",
      "image_id": null,
      "image_id_source": "not recorded",
      "tagline": "black-box + zkml, one-guest mode envelope",
      "adds": ["black-box track binding", "zkml model commitments", "one guest for every mode"],
      "date": "2026-07-18",
      "status": "superseded",
      "verifier_sha256": null,
      "verifier_binary": null,
      "canonical_elf": null,
      "note": "Superseded before image ids were recorded."
    },
    {
      "era": "v6",
      "image_id": "12b2f0429fdec5ae4dd40c6284a05b60f00320a784364c0b1fff526f5bd9f481",
      "image_id_source": "guest build of the v6 release",
      "tagline": "+ DSR class (deflated Sharpe)",
      "adds": ["deflated Sharpe ratio credentials"],
      "date": "2026-07-20",
      "status": "superseded",
      "verifier_sha256": null,
      "verifier_binary": null,
      "canonical_elf": null,
      "note": "Still recognised; its credentials verify only against their own era's id."
    },
    {
      "era": "v9",
      "image_id": "b9dc68467927d2cdda424b4747ddc3b8c3c4255a9150b889e027caf276a30d86",
      "image_id_source": "guest build of the v9 release",
      "tagline": "+ audit-hardened PBO + CPCV",
      "adds": ["probability of backtest overfitting", "combinatorial purged cross-validation"],
      "date": "2026-07-21",
      "status": "superseded",
      "verifier_sha256": null,
      "verifier_binary": null,
      "canonical_elf": null,
      "note": "Audit fixes to the PBO rank statistic."
    },
    {
      "era": "v10",
      "image_id": "dafad185fe3e00797e4033b5e93171748d7937c33ecf9e452fb73702448aaed7",
      "image_id_source": "guest build of the v10 release",
      "tagline": "composed PBO S=16, n_eff DSR, fractional sizing",
      "adds": ["composed PBO over 16 splits", "effective trial count in the DSR", "fractional position sizing"],
      "date": "2026-07-22",
      "status": "superseded",
      "verifier_sha256": null,
      "verifier_binary": null,
      "canonical_elf": null,
      "note": ""
    },
    {
      "era": "v11",
      "image_id": "3ac3b10b7930324d58948020c827bb2447bdb3d8eff85eb6a2fd10fb5214237b",
      "image_id_source": "guest build of the v11 release; the verifier's trusted image id",
      "tagline": "both-schools validation-complete",
      "adds": ["validation-ext credentials", "label-schema, structural-break and HRP attestations"],
      "date": "2026-07-25",
      "status": "live",
      "verifier_sha256": null,
      "verifier_binary": null,
      "canonical_elf": null,
      "note": "The carry and VRP guests are siblings of this era with their own image ids.",
      "reference_credentials": ["data/credential.bundle"]
    }
  ]
}
)json";

namespace {

constexpr JsonField kRegistryFields[] = {{"eras"}};
constexpr JsonField kEntryFields[] = {
    {"era"}, {"image_id", false}, {"tagline", false}, {"date"}, {"status"}};

base::Result<EraEntry, JsonError> read_entry(JsonReader& reader) {
  EraEntry entry;
  KOVRA_TRY(base::json_read_record(
      reader, "EraEntry", kEntryFields,
      [&entry](size_t field, JsonReader& v) -> Status<JsonError> {
        switch (field) {
          case 0: { KOVRA_ASSIGN_OR_RETURN(entry.era, base::json_string(v)); break; }
          case 1: {
            KOVRA_ASSIGN_OR_RETURN(const bool none, v.take_null());
            if (!none) {
              KOVRA_ASSIGN_OR_RETURN(entry.image_id, base::json_string(v));
            }
            break;
          }
          case 2: { KOVRA_ASSIGN_OR_RETURN(entry.tagline, base::json_string(v)); break; }
          case 3: { KOVRA_ASSIGN_OR_RETURN(entry.date, base::json_string(v)); break; }
          default: { KOVRA_ASSIGN_OR_RETURN(entry.status, base::json_string(v)); break; }
        }
        return {};
      }));
  return entry;
}

}  // namespace

base::Result<std::vector<EraEntry>, JsonError> parse_era_list(std::string_view json) {
  JsonReader reader(json);
  std::vector<EraEntry> entries;
  KOVRA_TRY(base::json_read_record(
      reader, "EraRegistry", kRegistryFields,
      [&entries](size_t, JsonReader& eras) -> Status<JsonError> {
        return base::json_read_sequence(eras, [&entries](JsonReader& e) -> Status<JsonError> {
          KOVRA_ASSIGN_OR_RETURN(EraEntry entry, read_entry(e));
          entries.push_back(std::move(entry));
          return {};
        });
      }));
  KOVRA_TRY(reader.finish());
  return entries;
}

std::optional<EraEntry> lookup_era_in(std::string_view json, std::span<const uint8_t, 32> image_id) {
  const std::string hex = base::hex_lower(image_id);
  auto entries = parse_era_list(json);
  if (!entries) return std::nullopt;
  for (const EraEntry& entry : *entries) {
    if (entry.image_id && base::equal_ignoring_ascii_case(*entry.image_id, hex)) return entry;
  }
  return std::nullopt;
}

std::optional<EraEntry> lookup_era(std::span<const uint8_t, 32> image_id) {
  return lookup_era_in(ERA_REGISTRY_JSON, image_id);
}

void print_engine_era(Report& report, std::span<const uint8_t, 32> image_id) {
  const std::string prefix = base::hex_lower(image_id).substr(0, 12);
  if (const auto era = lookup_era(image_id)) {
    report.line("  \U0001F3F7  Engine era: " + report.paint("1", era->era) + " \u00B7 " +
                era->tagline + " \u00B7 era dated " + era->date + " \u00B7 status " + era->status +
                " \u00B7 image " + prefix + "\u2026");
    return;
  }
  const char* sibling = nullptr;
  if (std::equal(image_id.begin(), image_id.end(), CARRY_IMAGE_ID.begin())) sibling = "carry";
  else if (std::equal(image_id.begin(), image_id.end(), VRP_IMAGE_ID.begin())) sibling = "vrp";
  if (sibling != nullptr) {
    if (const auto live = lookup_era(TRUSTED_IMAGE_ID)) {
      report.line("  \U0001F3F7  Engine era: " + report.paint("1", live->era) + " \u00B7 " +
                  live->tagline + " \u00B7 " + sibling + " sibling guest of this era \u00B7 status " +
                  live->status + " \u00B7 image " + prefix + "\u2026");
      return;
    }
  }
  report.line(report.paint("1;31", "  \u26A0 UNRECOGNIZED ENGINE \u2014 image id " + prefix +
                                        "\u2026 is NOT in the KOVRA era registry"));
  report.line(report.paint(
      "2", "      (a foreign or cloned guest, or a pre-registry era \u2014 treat with suspicion)"));
}

}  // namespace kovra::verifier
