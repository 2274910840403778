#include <benchmark/benchmark.h>

#include "base/sha256.h"

namespace {

void BM_Sha256Compress(benchmark::State& state) {
  auto s = kovra::base::kSha256InitialState;
  uint8_t block[64] = {1, 2, 3};
  for (auto _ : state) {
    kovra::base::sha256_compress(s, block);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(BM_Sha256Compress);

}  // namespace
