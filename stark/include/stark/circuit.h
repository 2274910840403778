// Circuit descriptions: what the STARK verifier needs to know of a circuit, taken as data.
//
// A description names the circuit's tag, how many public words and mix elements its seals
// carry, the column counts of the three register groups, the number of taps and registers, and
// (when the build has them) its tap layout and constraint program. The verifier is generic
// over a description: the production circuits and the test circuits go through the same code.
//
// The production circuits' full tables are not part of this source tree. When a table file is
// present at build time (stark/tables/<circuit>.tables) it is checked against every published
// figure and embedded; otherwise `layout` and `program` are null, every check before the
// constraint identity still runs, and the closing phase then rejects the seal (ProofRejected):
// such a build cannot accept a seal of that circuit.
#pragma once

#include <array>
#include <cstdint>

#include "base/protocol_tag.h"
#include "stark/taps.h"

namespace kovra::stark {

using base::ProtocolTag;

inline const ProtocolTag kProofSystemTag = ProtocolTag::from_text("DURO0_STARK:v1__");

struct CircuitDescription {
  ProtocolTag tag;
  uint64_t public_words = 0;  // read before po2: outputs or globals
  uint64_t mix_count = 0;     // mix elements drawn after the data commitment
  std::array<uint64_t, 3> widths{};  // columns of accum, code, data
  uint64_t tap_count = 0;
  uint64_t register_count = 0;
  const TapLayout* layout = nullptr;          // null when the tables are absent
  const ConstraintProgram* program = nullptr;

  bool has_tables() const { return layout != nullptr && program != nullptr; }
};

// The recursion circuit ("RECURSION:rev1v1"; 32 outputs, 20 mix elements; widths 12, 23, 128)
// and the rv32im circuit ("RV32IM:v2rev2___"; 90 globals, 36 mix elements; widths 103, 1, 211).
const CircuitDescription& recursion_circuit();
const CircuitDescription& rv32im_circuit();

// A description built from a layout and a program (the figures follow from the tables).
CircuitDescription describe_circuit(const ProtocolTag& tag, uint64_t public_words,
                                    uint64_t mix_count, const TapLayout& layout,
                                    const ConstraintProgram& program);

// Tables embedded by the build; null when the circuit's table file was absent.
struct EmbeddedTables {
  TapLayout layout;
  ConstraintProgram program;
};
const EmbeddedTables* embedded_recursion_tables();
const EmbeddedTables* embedded_rv32im_tables();

}  // namespace kovra::stark
