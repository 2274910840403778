// AuxParts: the auxiliary commitments a gate credential can seal, and their aggregate.
//
// A credential's `aux_binding` is one 32-byte aggregate over up to five optional 32-byte
// roots, in this binding order: trial ledger, provenance, live chain, black-box track, zkml
// weights. The aggregate of no parts is 32 zero bytes (nothing hashed); otherwise it is
//
//   SHA-256("KOVRA_AUX_BINDING_V1" || for each part in order: 0x00 if absent,
//                                                             0x01 || its 32 bytes if present)
//
// (57 bytes with one part present, 185 with all five). A present part of 32 zero bytes is not
// an absent one.
//
// The parts are read from JSON: an object whose keys are the part names (any order, each
// optional, null meaning absent, undeclared keys skipped, none repeated) or an array of all
// five values in order (null for an absent part). A present part is an array of exactly 32
// integers 0..255.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "base/json.h"
#include "base/result.h"
#include "kovra-core/bundle.h"

namespace kovra::core {

struct AuxParts {
  std::optional<std::array<uint8_t, 32>> trial_ledger;
  std::optional<std::array<uint8_t, 32>> provenance;
  std::optional<std::array<uint8_t, 32>> live_chain;
  std::optional<std::array<uint8_t, 32>> black_box_track;
  std::optional<std::array<uint8_t, 32>> zkml_weights;

  friend bool operator==(const AuxParts&, const AuxParts&) = default;

  // The parts, or nullopt for any text that is not an aux-parts record in the form above.
  static std::optional<AuxParts> from_json(std::string_view text);

  // The aux aggregate of the parts.
  static std::array<uint8_t, 32> binding(const AuxParts& parts);
};

// As AuxParts::from_json, with the reason for a refusal.
base::Result<AuxParts, base::JsonError> read_aux_parts(std::string_view text);

// How the parts bind to the credential: 0 when the bundle's credential digest is broken,
// 1 when it is intact but the parts' aggregate differs from the committed `aux_binding`,
// 2 when both hold.
int check_aux_binding(const CredentialBundle& bundle, const AuxParts& parts);

}  // namespace kovra::core
