// The register layout of an rv32im segment seal's globals, as far as the segment claim reads
// them, and the reading of its registers.
//
// A layout is a tree: a register names one global by its index among the seal's 90 globals;
// a component has named members, each a register or a component. The built-in layout:
//
//   input        digest, globals 0..15        terminate    global 16
//   output       digest, globals 17..32       pre_state    digest, globals 54..69
//   post_state   digest, globals 70..85       exit_code    global 86
//   halt_type    global 87                    extra_0      global 88, extra_1 global 89
//
// where a digest register is a component of eight members pair_0..pair_7, pair i a
// component of the registers low (global b + 2i) and high (global b + 2i + 1).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/digest.h"
#include "base/result.h"

namespace kovra::receipts {

struct LayoutNode;

struct LayoutMember {
  std::string_view name;
  const LayoutNode* node = nullptr;
};

// A register (`global` set, no members) or a component (its members in order). A component
// may be the member of more than one component.
struct LayoutNode {
  std::optional<uint32_t> global;
  std::vector<LayoutMember> members;
};

// The built-in layout's registers the segment claim reads.
struct Rv32imGlobalsLayout {
  const LayoutNode* top = nullptr;
  const LayoutNode* input = nullptr;
  const LayoutNode* terminate = nullptr;
  const LayoutNode* output = nullptr;
  const LayoutNode* pre_state = nullptr;
  const LayoutNode* post_state = nullptr;
  const LayoutNode* exit_code = nullptr;
  const LayoutNode* halt_type = nullptr;
  const LayoutNode* extra_0 = nullptr;
  const LayoutNode* extra_1 = nullptr;
};
const Rv32imGlobalsLayout& rv32im_globals_layout();

// The layout under `root` as text, for diagnostics: "top" for the root, then each member on
// a line of its own, indented two blanks per level below the root, as its name, for a
// register followed by ": " and its global's value out of Montgomery form in the text form
// of BabyBearElem ("0x" and eight lower-case hexadecimal digits; "no global {index} among
// the {count}" when the index is outside `globals`), and for a component met a second time
// as "{name}: duplicate of {name it was first met under}" without its members again.
// Lines are separated by "\n", with none after the last.
std::string describe_layout(const LayoutNode& root, std::span<const uint32_t> globals);

// The value of a register naming one global inside `globals`, out of Montgomery form. Any
// other node breaks an internal invariant: the process ends with status 101 and the
// diagnostic "Expecting only a single u32 in {describe_layout(reg, globals)}".
uint32_t read_global_word(std::span<const uint32_t> globals, const LayoutNode& reg);

// A digest register: eight (low, high) pairs, each half at most 0xFFFF; digest word i is
// low + 65536 * high of pair i.
base::Result<base::Digest, std::string> read_global_digest(std::span<const uint32_t> globals,
                                                           const LayoutNode& digest);

}  // namespace kovra::receipts
