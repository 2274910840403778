// A STARK prover for synthetic circuits, for tests and benchmarks only.
//
// It takes an independent route from the verifier's formulas: columns are extended by NTTs on
// the domain shifted by 3, the check polynomial is found by dividing the constraint values by
// the vanishing polynomial and interpolating, the DEEP quotients are formed in coefficient
// form by exact synthetic division, and FRI folds coefficient lists. Only the field, the hash
// suites and the transcript are shared with the verifier. It emits the seal in the verifier's
// reading order together with a map of the seal's regions.
//
// A `Lie` makes the prover cheat in one way while still binding everything it writes into the
// transcript, so that the verifier has to catch it by its checks, not by a transcript mismatch.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "stark/hash_suite.h"
#include "stark/testing/synthetic_circuit.h"

namespace kovra::stark::testing {

enum class Lie {
  None,
  BrokenTransition,    // the Fibonacci pair breaks on one row
  BrokenBoundary,      // the first row differs from public word 0
  FalseOpening,        // an unconstrained register's opening is changed
  ShiftedCheckOpening, // two check openings changed so that the identity still holds
  WrongFold,           // the first FRI round folds with another mix
  WrongFinal,          // a final-polynomial coefficient changed
  HighDegreeColumn,    // a committed data column that is no low-degree extension
  DisabledRowChange,   // control: a change on a row where its constraint is disabled
};

struct SealRegion {
  std::string kind;   // "version", "public", "tree.code", ..., "coefficients", "fri.0",
                      // "final", "query.accum.row", "query.accum.path", ..., "query.fri.0.row"
  int query = -1;     // the query of a "query.*" region
  size_t begin = 0;
  size_t end = 0;     // one past the last word
};

struct Proof {
  std::vector<uint32_t> seal;
  std::vector<SealRegion> regions;
  std::array<Digest, 3> group_roots;  // accum, code, data
};

struct ProveOptions {
  Lie lie = Lie::None;
  uint64_t seed = 1;  // varies the trace's free values
};

// Proves the circuit's constraints over a trace of 2^po2 rows with the given public words
// (Montgomery words below P; shape().public_words of them). For an rv32im-shaped circuit the
// seal begins with the version word 2.
Proof prove(const SyntheticCircuit& circuit, const HashSuite& suite, uint32_t po2,
            std::span<const uint32_t> public_words, const ProveOptions& options = {});

// Public words for tests: word i is the Montgomery form of i + 1, or of `values[i]` where
// given.
std::vector<uint32_t> default_public_words(const SyntheticCircuit& circuit);

}  // namespace kovra::stark::testing
