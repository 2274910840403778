// Synthetic circuits for tests and benchmarks: small circuits in the shape of the production
// ones, with tables built in code and a trace that satisfies them.
//
// Shapes: `recursion_shape` (tag "RECURSION:rev1v1", 32 outputs, 20 mix elements, the five
// recursion combo patterns) and `rv32im_shape` (tag "RV32IM:v2rev2___", a version word before
// the reader, 90 globals, 36 mix elements, the four rv32im patterns). Group widths are free
// (the benchmark uses the production widths 12, 23, 128); the minimum is 2 accum, 3 code and
// 7 data columns.
//
// The trace and its constraints (every step kind is used):
//   code 0 "first" (1 on row 0), code 1 "not first", code 2 "even" (1 on even rows); other
//   code columns are free values.
//   data 0, 1: a Fibonacci pair a_i = b_{i-1}, b_i = a_{i-1} + b_{i-1} (not on the first row)
//   starting from the public words 0 and 1 (boundary constraints on the first row);
//   data 2: free values x; data 3 = x^2 on even rows only (a constraint under a selector);
//   data 4 = x@68 + x@4; data 5 = x * x@1; the other data columns are free.
//   accum 0: a running sum of mix_0 * x + mix_1 from the first row (an accumulator over the
//   mix elements); accum 1 = last public word * last mix element; others free.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "stark/baby_bear.h"
#include "stark/circuit.h"
#include "stark/table_text.h"

namespace kovra::stark::testing {

struct SyntheticShape {
  std::string tag;
  uint64_t public_words = 0;
  uint64_t mix_count = 0;
  bool version_word = false;  // a seal version word (2) precedes the verifier's words
  std::array<uint16_t, 3> widths{};  // accum, code, data
  std::vector<std::vector<uint16_t>> combos;
};

SyntheticShape recursion_shape(std::array<uint16_t, 3> widths = {2, 3, 8});
SyntheticShape rv32im_shape(std::array<uint16_t, 3> widths = {2, 3, 8});

using Column = std::vector<BabyBearElem>;

class SyntheticCircuit {
 public:
  explicit SyntheticCircuit(SyntheticShape shape);
  SyntheticCircuit(const SyntheticCircuit&) = delete;
  SyntheticCircuit& operator=(const SyntheticCircuit&) = delete;

  const SyntheticShape& shape() const { return shape_; }
  const CircuitTables& tables() const { return tables_; }
  const TapLayout& layout() const { return layout_; }
  const ConstraintProgram& program() const { return program_; }
  const CircuitDescription& description() const { return description_; }

  // Trace columns of 2^po2 rows. `seed` varies the free values.
  std::vector<Column> code_columns(uint32_t po2, uint64_t seed) const;
  std::vector<Column> data_columns(uint32_t po2, std::span<const uint32_t> public_words,
                                   uint64_t seed) const;
  std::vector<Column> accum_columns(uint32_t po2, std::span<const uint32_t> public_words,
                                    const std::vector<Column>& data,
                                    std::span<const BabyBearElem> mix, uint64_t seed) const;

  // Registers the lies of the tests touch.
  static constexpr uint16_t kFibB = 1;      // data 1
  static constexpr uint16_t kSquare = 3;    // data 3, constrained on even rows only
  static constexpr uint16_t kFirstFree = 6; // data 6 and up: unconstrained

 private:
  SyntheticShape shape_;
  CircuitTables tables_;
  TapLayout layout_;
  ConstraintProgram program_;
  CircuitDescription description_;
};

// Deterministic test values (splitmix64).
uint64_t splitmix64(uint64_t& state);
BabyBearElem random_elem(uint64_t& state);

}  // namespace kovra::stark::testing
