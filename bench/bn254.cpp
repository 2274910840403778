// BN254 arithmetic: field products, Fq12 products and squarings, line precomputation, the
// Miller loop, the final exponentiation, a whole pairing and the G2 subgroup test.
#include <benchmark/benchmark.h>

#include <vector>

#include "bn254/final_exponentiation.h"
#include "bn254/miller_loop.h"
#include "bn254/testing/random.h"

namespace {

using namespace kovra::bn254;
using kovra::bn254::testing::TestRng;

void BM_FqMul(benchmark::State& state) {
  TestRng rng(1);
  Fq a = rng.fq();
  const Fq b = rng.fq();
  for (auto _ : state) {
    a.mul_assign(b);
    benchmark::DoNotOptimize(a);
  }
}
BENCHMARK(BM_FqMul);

void BM_FqSquare(benchmark::State& state) {
  TestRng rng(1);
  Fq a = rng.fq();
  for (auto _ : state) {
    a.square_in_place();
    benchmark::DoNotOptimize(a);
  }
}
BENCHMARK(BM_FqSquare);

void BM_Fq2Mul(benchmark::State& state) {
  TestRng rng(1);
  Fq2 a = rng.fq2();
  const Fq2 b = rng.fq2();
  for (auto _ : state) {
    a.mul_assign(b);
    benchmark::DoNotOptimize(a);
  }
}
BENCHMARK(BM_Fq2Mul);

void BM_Fq12Mul(benchmark::State& state) {
  TestRng rng(1);
  Fq12 a = rng.fq12();
  const Fq12 b = rng.fq12();
  for (auto _ : state) {
    a.mul_assign(b);
    benchmark::DoNotOptimize(a);
  }
}
BENCHMARK(BM_Fq12Mul);

void BM_Fq12Square(benchmark::State& state) {
  TestRng rng(1);
  Fq12 a = rng.fq12();
  for (auto _ : state) {
    a.square_in_place();
    benchmark::DoNotOptimize(a);
  }
}
BENCHMARK(BM_Fq12Square);

void BM_Fq12CyclotomicSquare(benchmark::State& state) {
  TestRng rng(1);
  Fq12 a = rng.fq12();
  for (auto _ : state) {
    a.cyclotomic_square();
    benchmark::DoNotOptimize(a);
  }
}
BENCHMARK(BM_Fq12CyclotomicSquare);

void BM_LinePrecomputation(benchmark::State& state) {
  TestRng rng(2);
  const G2Affine q = rng.g2();
  for (auto _ : state) benchmark::DoNotOptimize(G2LineCoeffs::from_point(q));
}
BENCHMARK(BM_LinePrecomputation)->Unit(benchmark::kMicrosecond);

void BM_MillerLoop(benchmark::State& state) {
  TestRng rng(3);
  const size_t n = static_cast<size_t>(state.range(0));
  std::vector<G1Affine> ps;
  std::vector<G2LineCoeffs> qs;
  for (size_t i = 0; i < n; ++i) {
    ps.push_back(rng.g1());
    qs.push_back(G2LineCoeffs::from_point(rng.g2()));
  }
  std::vector<MillerLoopPair> pairs;
  for (size_t i = 0; i < n; ++i) pairs.push_back({ps[i], qs[i]});
  for (auto _ : state) benchmark::DoNotOptimize(miller_loop(pairs));
}
BENCHMARK(BM_MillerLoop)->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);

void BM_FinalExponentiation(benchmark::State& state) {
  TestRng rng(4);
  const Fq12 f = rng.fq12();
  for (auto _ : state) benchmark::DoNotOptimize(final_exponentiation(f));
}
BENCHMARK(BM_FinalExponentiation)->Unit(benchmark::kMicrosecond);

// Line precomputation, a one-pair Miller loop and the final exponentiation.
void BM_Pairing(benchmark::State& state) {
  TestRng rng(5);
  const G1Affine p = rng.g1();
  const G2Affine q = rng.g2();
  for (auto _ : state) {
    const G2LineCoeffs lines = G2LineCoeffs::from_point(q);
    const MillerLoopPair pairs[] = {{p, lines}};
    benchmark::DoNotOptimize(final_exponentiation(miller_loop(pairs)));
  }
}
BENCHMARK(BM_Pairing)->Unit(benchmark::kMicrosecond);

void BM_G2SubgroupCheck(benchmark::State& state) {
  TestRng rng(6);
  const G2Affine q = rng.g2();
  for (auto _ : state) benchmark::DoNotOptimize(q.check());
}
BENCHMARK(BM_G2SubgroupCheck)->Unit(benchmark::kMicrosecond);

void BM_FqInverse(benchmark::State& state) {
  TestRng rng(7);
  const Fq a = rng.fq();
  for (auto _ : state) benchmark::DoNotOptimize(a.inverse());
}
BENCHMARK(BM_FqInverse)->Unit(benchmark::kMicrosecond);

// The same over 256 different values, so that no branch can learn the steps of one input.
void BM_FqInverseVaried(benchmark::State& state) {
  TestRng rng(7);
  std::vector<Fq> values(256);
  for (Fq& v : values) v = rng.fq();
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(values[i].inverse());
    i = (i + 1) % values.size();
  }
}
BENCHMARK(BM_FqInverseVaried)->Unit(benchmark::kMicrosecond);

}  // namespace
