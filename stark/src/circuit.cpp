#include "stark/circuit.h"

namespace kovra::stark {
namespace {

CircuitDescription production(const char* tag, uint64_t public_words, uint64_t mix_count,
                              std::array<uint64_t, 3> widths, uint64_t taps, uint64_t registers,
                              const EmbeddedTables* tables) {
  CircuitDescription d;
  d.tag = ProtocolTag::from_text(tag);
  d.public_words = public_words;
  d.mix_count = mix_count;
  d.widths = widths;
  d.tap_count = taps;
  d.register_count = registers;
  if (tables != nullptr) {
    d.layout = &tables->layout;
    d.program = &tables->program;
  }
  return d;
}

}  // namespace

const CircuitDescription& recursion_circuit() {
  static const CircuitDescription d = production("RECURSION:rev1v1", 32, 20, {12, 23, 128}, 643,
                                                 163, embedded_recursion_tables());
  return d;
}

const CircuitDescription& rv32im_circuit() {
  static const CircuitDescription d = production("RV32IM:v2rev2___", 90, 36, {103, 1, 211}, 790,
                                                 315, embedded_rv32im_tables());
  return d;
}

CircuitDescription describe_circuit(const ProtocolTag& tag, uint64_t public_words,
                                    uint64_t mix_count, const TapLayout& layout,
                                    const ConstraintProgram& program) {
  CircuitDescription d;
  d.tag = tag;
  d.public_words = public_words;
  d.mix_count = mix_count;
  for (size_t g = 0; g < 3; ++g) d.widths[g] = layout.group_width(g);
  d.tap_count = layout.tap_count();
  d.register_count = layout.register_count;
  d.layout = &layout;
  d.program = &program;
  return d;
}

}  // namespace kovra::stark
