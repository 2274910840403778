// Poseidon2 permutation (scalar, AVX2, AVX-512 and the one poseidon2_permute dispatches to),
// hash_pair of every suite and one bare SHA-256 compression, in one run so that their ratios
// compare like with like. Target: BM_Poseidon2PermuteSimd at most 0.5 us and at most 12
// times BM_Sha256Compression.
#include <benchmark/benchmark.h>

#include "base/sha256.h"
#include "stark/blake2b_suite.h"
#include "stark/poseidon2.h"
#include "stark/sha256_suite.h"

namespace {

using namespace kovra::stark;

Poseidon2State start_state() {
  Poseidon2State s;
  for (uint32_t i = 0; i < 24; ++i) s[i] = BabyBearElem::from_u32(i * 0x01234567u);
  return s;
}

// The permutation applied to its own output, from start_state().
template <void (*Permute)(Poseidon2State&)>
void permute_chain(benchmark::State& state) {
  Poseidon2State s = start_state();
  for (auto _ : state) {
    Permute(s);
    benchmark::DoNotOptimize(s);
  }
}

void BM_Poseidon2PermuteScalar(benchmark::State& state) {
  permute_chain<poseidon2_permute_scalar>(state);
}
BENCHMARK(BM_Poseidon2PermuteScalar);

// A SIMD path's chain, skipped where the processor lacks it.
template <bool (*Has)(), void (*Permute)(Poseidon2State&)>
void simd_chain(benchmark::State& state, const char* missing) {
  if (!Has()) {
    state.SkipWithError(missing);
    return;
  }
  permute_chain<Permute>(state);
}

void BM_Poseidon2PermuteAvx2(benchmark::State& state) {
  simd_chain<poseidon2_has_avx2, poseidon2_permute_avx2>(state, "no AVX2 on this processor");
}
BENCHMARK(BM_Poseidon2PermuteAvx2);

void BM_Poseidon2PermuteAvx512(benchmark::State& state) {
  simd_chain<poseidon2_has_avx512, poseidon2_permute_avx512>(state,
                                                             "no AVX-512 IFMA on this processor");
}
BENCHMARK(BM_Poseidon2PermuteAvx512);

// What poseidon2_permute runs on this processor.
void BM_Poseidon2PermuteSimd(benchmark::State& state) { permute_chain<poseidon2_permute>(state); }
BENCHMARK(BM_Poseidon2PermuteSimd);

void BM_Sha256Compression(benchmark::State& state) {
  auto s = kovra::base::kSha256InitialState;
  uint8_t block[64] = {1, 2, 3};
  for (auto _ : state) {
    kovra::base::sha256_compress(s, block);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(BM_Sha256Compression);

// hash_pair chained through the previous output, as a Merkle path is walked.
void hash_pair_chain(benchmark::State& state, const HashSuite& suite) {
  Digest a, b;
  for (uint32_t i = 0; i < 8; ++i) {
    a.words[i] = BabyBearElem::from_u32(i + 1).raw();
    b.words[i] = BabyBearElem::from_u32(i + 100).raw();
  }
  for (auto _ : state) {
    a = suite.hash->hash_pair(a, b);
    benchmark::DoNotOptimize(a);
  }
}

void BM_HashPairPoseidon2(benchmark::State& state) { hash_pair_chain(state, HashSuite::poseidon2()); }
void BM_HashPairSha256(benchmark::State& state) { hash_pair_chain(state, HashSuite::sha256()); }
void BM_HashPairBlake2b(benchmark::State& state) { hash_pair_chain(state, HashSuite::blake2b()); }
BENCHMARK(BM_HashPairPoseidon2);
BENCHMARK(BM_HashPairSha256);
BENCHMARK(BM_HashPairBlake2b);

}  // namespace
