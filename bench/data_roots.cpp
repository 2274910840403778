// Data-root and price-CSV throughput.
//
// BM_MerkleRoot1M hashes 1,000,000 bar records; BM_CompressionFloor1M runs the SHA-256
// compressions that tree needs (one per leaf, two per node: 3n - 2) on the same machine in
// the same run. BM_MerkleVsFloor times both back to back in each iteration and reports their
// ratio as the counter "ratio" (target <= 1.3).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <vector>

#include "base/sha256.h"
#include "kovra-core/merkle.h"

namespace {

using kovra::core::BarRecord;

constexpr size_t kBars = 1'000'000;

const std::vector<BarRecord>& bars() {
  static const std::vector<BarRecord> b = [] {
    std::vector<BarRecord> v(kBars);
    for (size_t i = 0; i < kBars; ++i) {
      const auto k = static_cast<int64_t>(i);
      v[i] = {1700000000 + 60 * k, 100000000 + k, 100500000 + k, 99500000 - k, 100100000 + k};
    }
    return v;
  }();
  return b;
}

void compression_floor(size_t n) {
  auto s = kovra::base::kSha256InitialState;
  uint8_t block[64] = {3};
  for (size_t i = 0; i < 3 * n - 2; ++i) {
    block[1] = uint8_t(i);
    kovra::base::sha256_compress(s, block);
  }
  benchmark::DoNotOptimize(s);
}

void BM_MerkleRoot1M(benchmark::State& state) {
  const auto& b = bars();
  for (auto _ : state) benchmark::DoNotOptimize(kovra::core::merkle_root(b));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kBars));
}
BENCHMARK(BM_MerkleRoot1M)->Unit(benchmark::kMillisecond);

void BM_CompressionFloor1M(benchmark::State& state) {
  for (auto _ : state) compression_floor(kBars);
}
BENCHMARK(BM_CompressionFloor1M)->Unit(benchmark::kMillisecond);

void BM_MerkleVsFloor(benchmark::State& state) {
  const auto& b = bars();
  using Clock = std::chrono::steady_clock;
  double merkle_s = 0, floor_s = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    benchmark::DoNotOptimize(kovra::core::merkle_root(b));
    const auto t1 = Clock::now();
    compression_floor(kBars);
    const auto t2 = Clock::now();
    merkle_s += std::chrono::duration<double>(t1 - t0).count();
    floor_s += std::chrono::duration<double>(t2 - t1).count();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["merkle_ms"] = 1e3 * merkle_s / n;
  state.counters["floor_ms"] = 1e3 * floor_s / n;
  state.counters["ratio"] = merkle_s / floor_s;
}
BENCHMARK(BM_MerkleVsFloor)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

// Price CSV loading: a file of 1,000,000 OHLCV rows (52 MB) read from the file system and
// parsed into bar records (40 MB of them), reported as bytes of file per second.
// BM_FreshMemoryWrite writes 40 MB of newly allocated memory, the part of the load that no
// parser can avoid (the bar records must be stored); on virtual machines whose first write
// to a page is slow it bounds the load's throughput. BM_PriceCsvLoadReusedMemory (last)
// repeats the load into memory already written once: the parser's own throughput
// (target >= 200 MB/s).
#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "verifier/price_csv.h"

namespace {

constexpr int kRows = 1'000'000;

struct CsvFile {
  std::string path;
  size_t size = 0;
  CsvFile() {
    path = "/tmp/kovra_bench_prices_" + std::to_string(::getpid()) + ".csv";
    std::string text = "timestamp,open,high,low,close,volume\n";
    char row[160];
    for (int i = 0; i < kRows; ++i) {
      const double base = 20000.0 + (i % 5000) * 0.37;
      std::snprintf(row, sizeof row, "%lld,%.2f,%.2f,%.2f,%.2f,%d\n", 1700000000LL + 60LL * i,
                    base, base + 12.5, base - 9.75, base + 1.25, 1000 + i % 977);
      text += row;
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    size = text.size();
  }
  ~CsvFile() { std::remove(path.c_str()); }
};

void BM_PriceCsvLoad(benchmark::State& state) {
  const CsvFile file;
  for (auto _ : state) {
    auto bars = kovra::verifier::load_price_csv(file.path);
    if (!bars.ok() || bars->size() != kRows) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(bars);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(file.size));
}
BENCHMARK(BM_PriceCsvLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FreshMemoryWrite(benchmark::State& state) {
  constexpr size_t kBytes = size_t{kRows} * sizeof(kovra::core::BarRecord);
  for (auto _ : state) {
    std::unique_ptr<char[]> p(new char[kBytes]);
    std::memset(p.get(), 1, kBytes);
    benchmark::DoNotOptimize(p.get());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBytes));
}
BENCHMARK(BM_FreshMemoryWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same load with the allocator told to keep freed memory (glibc otherwise returns blocks
// this large to the system at once), so that from the second iteration on the records land
// in pages already written: the parser's own throughput. Registered last, as the setting
// stays for the rest of the process.
void BM_PriceCsvLoadReusedMemory(benchmark::State& state) {
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  BM_PriceCsvLoad(state);
}
BENCHMARK(BM_PriceCsvLoadReusedMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
