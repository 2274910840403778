// The reviewable text form of a circuit's tables, and the checks that an embedded table must
// pass.
//
// A table file is line oriented; '#' starts a comment, blank lines are skipped, fields are
// separated by blanks, numbers are decimal:
//
//   circuit RECURSION:rev1v1          the 16-byte circuit tag
//   combo 0 = 0                       combo patterns, in combo order
//   combo 1 = 0 1
//   tap 0 0 0 1 2                     group column back combo count, in layout order
//   result 1228                       index of the result accumulator in mix_vars
//   const 7                           the constraint steps, in program order:
//   const_ext 1 2 3 4                   const_ext v0 v1 v2 v3 | tap t | global list index
//   tap 12                              add x y | sub x y | mul x y | mix_start
//   add 3 4                             mix_zero a v | mix_cond a cond inner
//   mix_start
//   mix_zero 0 17
//
// `parse_table_text` reads such a file into owned tables and derives what follows from them
// (group starts, register count, entry counts). `check_table_structure` tests the rules every
// table obeys (ordering, register runs, patterns, single-assignment form, index ranges);
// `check_table_figures` compares a table with the figures published for its circuit. The build
// embeds a table only when both report nothing (see stark/tools/embed_tables.cpp).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "stark/taps.h"

namespace kovra::stark {

struct CircuitTables {
  std::string circuit_tag;
  std::vector<TapRecord> taps;
  std::vector<std::vector<uint16_t>> combo_patterns;
  std::vector<ConstraintStep> steps;
  uint64_t result = 0;

  // Derived by `derive`: flat patterns, group starts, counts.
  std::vector<uint16_t> combo_backs;
  std::vector<uint16_t> combo_starts;
  std::array<uint64_t, 4> group_starts{};
  uint64_t register_count = 0;
  uint64_t fp_count = 0;
  uint64_t mix_count = 0;

  // Recomputes the derived members from taps, combo_patterns and steps.
  void derive();
  // Views over this object (which must outlive them).
  TapLayout layout() const;
  ConstraintProgram program() const;
};

// Parses a table file; the error names the line and what is wrong with it.
base::Result<CircuitTables, std::string> parse_table_text(std::string_view text);

// Writes tables in the text form that parse_table_text reads.
std::string table_text(const CircuitTables& tables);

// The published figures of one circuit's tables.
struct TableFigures {
  std::string circuit_tag;
  uint64_t taps = 0;
  uint64_t registers = 0;
  std::array<uint64_t, 4> group_starts{};
  std::array<uint64_t, 3> widths{};
  std::vector<std::vector<uint16_t>> combo_patterns;
  std::vector<uint16_t> combo_starts;
  uint16_t largest_back = 0;
  std::vector<TapRecord> first_taps;  // the layout's first records
  std::vector<TapRecord> last_taps;   // the layout's last records
  uint64_t steps = 0;
  std::array<uint64_t, kStepKindCount> steps_per_kind{};
  uint64_t fp_count = 0;
  uint64_t mix_count = 0;
  uint64_t result = 0;
  uint64_t global_count[2] = {0, 0};  // Global indices used per list: 0 .. count - 1
  uint64_t largest_tap = 0;           // Tap indices used: up to this one
  std::vector<uint32_t> first_consts;     // values of the first steps, all Const
  ConstraintStep last_step;               // a MixCond
  std::vector<uint32_t> required_consts;  // Const values the program must hold
};

// Figures of the two production circuits.
TableFigures recursion_figures();
TableFigures rv32im_figures();

// Each returns one line per violated rule; an empty list means the table passes.
std::vector<std::string> check_table_structure(const CircuitTables& tables);
std::vector<std::string> check_table_figures(const CircuitTables& tables,
                                             const TableFigures& figures);

}  // namespace kovra::stark
