// Replayable random values for the BN254 tests and benchmarks.
//
// The seed is KOVRA_TEST_SEED from the environment when set (decimal or 0x-hexadecimal),
// else a fixed default; tests print it on failure so that a run can be replayed.
#pragma once

#include <cstdint>
#include <random>

#include "bn254/fq12.h"
#include "bn254/g1.h"
#include "bn254/g2.h"

namespace kovra::bn254::testing {

uint64_t test_seed();

class TestRng {
 public:
  explicit TestRng(uint64_t seed) : gen_(seed) {}
  TestRng() : TestRng(test_seed()) {}

  uint64_t next() { return gen_(); }
  // A canonical integer below p or r.
  Limbs below_p();
  Limbs below_r();

  Fq fq();
  Fq2 fq2();
  Fq6 fq6();
  Fq12 fq12();
  // Non-zero values of the subgroups, as multiples of the generators.
  G1Affine g1();
  G2Affine g2();
  // A point of the twist (on the curve) outside the order-r subgroup.
  G2Affine twist_point_outside_subgroup();

 private:
  std::mt19937_64 gen_;
};

// (1, 2) and the standard generator of the order-r subgroup of the twist.
G1Affine g1_generator();
G2Affine g2_generator();

// A square root in Fq2, if there is one.
std::optional<Fq2> fq2_sqrt(const Fq2& a);

// Canonical integers as limbs and back, for test tables written in hexadecimal.
Limbs limbs_from_hex(const char* hex);
Fq fq_from_hex(const char* hex);

}  // namespace kovra::bn254::testing
