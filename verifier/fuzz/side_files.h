// The fixed half of the side-file fuzz target, shared with its seed writer: a black-box
// credential whose aux aggregate seals a track's chain head, and its chain parent.
#pragma once

#include "gate_run.h"
#include "kovra-core/aux_parts.h"

namespace kovra::verifier::fuzz {

// The chain head the credential's aux aggregate seals.
inline core::Bytes32 side_chain_head() {
  core::Bytes32 b;
  b.fill(0x99);
  return b;
}

// A disclosing single-asset credential of the test fixture whose aux aggregate seals
// side_chain_head() as its black-box track part.
inline const testing::GateFixture& side_fixture() {
  static const testing::GateFixture f = [] {
    auto fixture = testing::make_gate_fixture(testing::CredentialKind::Plain, true);
    core::AuxParts parts;
    parts.black_box_track = side_chain_head();
    fixture.core.journal.aux_binding = core::AuxParts::binding(parts);
    return fixture;
  }();
  return f;
}

}  // namespace kovra::verifier::fuzz
