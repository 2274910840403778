// Tap layouts and constraint programs: the two tables by which the verifier knows a circuit.
//
// A `TapLayout` lists the trace cells that a proof opens at the out-of-domain point: for each
// register (a column of one of the three register groups "accum", "code", "data") the row
// offsets ("backs") at which the constraints read it. Records are sorted by (group, column,
// back); the records of one register are consecutive, carry the same combo and count, and their
// backs are exactly the register's combo pattern.
//
// A `ConstraintProgram` is the circuit's whole set of polynomial constraints as a straight-line
// list of steps in single-assignment form: every operand names an entry pushed by an earlier
// step, so one forward pass evaluates it. `Const`..`Mul` push extension elements onto `fp_vars`;
// `MixStart`, `MixZero` and `MixCond` push `MixAccumulator`s onto `mix_vars`, folding the
// constraints with successive powers of the constraint mix.
//
// Both tables are plain data viewed through spans: the built-in circuits point at constant
// tables, test circuits at storage they own. The table checks live in table_text.h and run
// when a table is embedded into the build.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "stark/baby_bear.h"

namespace kovra::stark {

inline constexpr size_t kGroupCount = 3;
inline constexpr size_t kGroupAccum = 0;
inline constexpr size_t kGroupCode = 1;
inline constexpr size_t kGroupData = 2;
inline constexpr std::array<std::string_view, 3> kGroupNames = {"accum", "code", "data"};

struct TapRecord {
  uint64_t group = 0;   // 0 accum, 1 code, 2 data
  uint16_t column = 0;  // column of the register inside its group
  uint16_t back = 0;    // rows back from the current row
  uint8_t combo = 0;    // index of the register's back pattern
  uint8_t count = 0;    // taps of this register, repeated on each of its records
  friend bool operator==(const TapRecord&, const TapRecord&) = default;
};

struct TapLayout {
  std::span<const TapRecord> taps;
  std::span<const uint16_t> combo_backs;   // concatenated combo patterns
  std::span<const uint16_t> combo_starts;  // combo_count + 1 entries
  std::array<uint64_t, 4> group_starts{};  // group g's taps: [group_starts[g], group_starts[g+1])
  uint64_t combo_count = 0;
  uint64_t register_count = 0;
  uint64_t total_combo_backs = 0;

  uint64_t tap_count() const { return group_starts[3]; }
  // A group's width: the column of its last tap plus one.
  uint64_t group_width(size_t group) const {
    return uint64_t{taps[group_starts[group + 1] - 1].column} + 1;
  }
};

enum class StepKind : uint32_t {
  Const = 0,     // value
  ConstExt = 1,  // four values, c0 first
  Tap = 2,       // tap index
  Global = 3,    // list (0 public words, 1 mix elements), index
  Add = 4,       // x, y (fp_vars)
  Sub = 5,       // x, y
  Mul = 6,       // x, y
  MixStart = 7,  // no operand
  MixZero = 8,   // a (mix_vars), v (fp_vars)
  MixCond = 9,   // a (mix_vars), cond (fp_vars), inner (mix_vars)
};
inline constexpr size_t kStepKindCount = 10;

// One instruction: its kind and up to four operands. Constants are plain u32 values (not
// Montgomery form); indices are 64-bit.
struct ConstraintStep {
  StepKind kind = StepKind::Const;
  std::array<uint64_t, 4> ops{};
  friend bool operator==(const ConstraintStep&, const ConstraintStep&) = default;
};

struct ConstraintProgram {
  std::span<const ConstraintStep> steps;
  uint64_t result = 0;     // index in mix_vars of the program's value
  uint64_t fp_count = 0;   // entries of fp_vars after the last step
  uint64_t mix_count = 0;  // entries of mix_vars after the last step
};

// Whether a step pushes onto fp_vars (kinds 0..6) rather than onto mix_vars (7..9).
constexpr bool pushes_fp(StepKind k) { return static_cast<uint32_t>(k) <= 6; }

struct MixAccumulator {
  BabyBearExtElem sum;
  BabyBearExtElem scale = BabyBearExtElem::one();
};

// Runs a program over the opened tap values (one per tap, in tap order) and its two argument
// lists (0: the public words, 1: the mix elements) and returns the result accumulator; the
// caller uses its sum. poly_mix is the constraint mix. The lists are allocated once at the
// program's final entry counts; ending with other counts, or an operand out of range, is a
// broken invariant of the table (no input reaches it).
MixAccumulator eval_constraints(const ConstraintProgram& program, const BabyBearExtElem& poly_mix,
                                std::span<const BabyBearExtElem> tap_values,
                                std::span<const BabyBearElem> args0,
                                std::span<const BabyBearElem> args1);

}  // namespace kovra::stark
