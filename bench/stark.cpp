// STARK seal verification: a recursion-shaped seal (group widths 12, 23, 128) at po2 16 to 18
// under each hash suite, against its hashing floor.
//
// The floor is the hashing that the verification cannot avoid: every hash call and transcript
// operation of one verification is counted in units of the suite's primitive (a Poseidon2
// permutation, a SHA-256 compression, a BLAKE2b compression), and the floor is that count times
// the measured cost of one primitive (one hash_pair, which is exactly one of them under every
// suite). Counters: floor_ms, units (primitives per verification), x_floor (verification CPU
// time / floor, both measured as thread CPU time).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <memory>
#include <tuple>

#include "stark/testing/prover.h"
#include "stark/verify.h"

namespace {

using namespace kovra::stark;

// Units of the suite's primitive per operation.
struct UnitRule {
  int rate_words;          // words absorbed per primitive in row hashing
  double mix;              // primitives per transcript mix
  double per_drawn_word;   // primitives per transcript word drawn
  int words_per_elem;      // transcript words per random_elem
};

UnitRule rule_for(const std::string& suite) {
  if (suite == "poseidon2") return {16, 2.0, 1.0 / 16, 1};
  if (suite == "sha-256") return {16, 2.0, 2.0 / 8, 6};
  return {32, 1.0, 1.0, 6};  // blake2b
}

struct Counter {
  UnitRule rule;
  double units = 0;
};

class CountingHash : public HashFunction {
 public:
  CountingHash(std::shared_ptr<const HashFunction> inner, Counter* c) : inner_(std::move(inner)), c_(c) {}
  Digest hash_pair(const Digest& a, const Digest& b) const override {
    c_->units += 1;
    return inner_->hash_pair(a, b);
  }
  Digest hash_elem_slice(std::span<const BabyBearElem> e) const override {
    c_->units += blocks(e.size());
    return inner_->hash_elem_slice(e);
  }
  Digest hash_ext_elem_slice(std::span<const BabyBearExtElem> e) const override {
    c_->units += blocks(4 * e.size());
    return inner_->hash_ext_elem_slice(e);
  }
  bool digest_is_reduced(const Digest& d) const override { return inner_->digest_is_reduced(d); }

 private:
  double blocks(size_t words) const {
    const size_t rate = static_cast<size_t>(c_->rule.rate_words);
    return static_cast<double>(std::max<size_t>(1, (words + rate - 1) / rate));
  }
  std::shared_ptr<const HashFunction> inner_;
  Counter* c_;
};

class CountingRng : public TranscriptRng {
 public:
  CountingRng(std::unique_ptr<TranscriptRng> inner, Counter* c) : inner_(std::move(inner)), c_(c) {}
  void mix(const Digest& d) override {
    c_->units += c_->rule.mix;
    inner_->mix(d);
  }
  uint32_t random_bits(uint32_t bits) override {
    c_->units += c_->rule.per_drawn_word * (c_->rule.words_per_elem == 1 ? 4 : 1);
    return inner_->random_bits(bits);
  }
  BabyBearElem random_elem() override {
    c_->units += c_->rule.per_drawn_word * c_->rule.words_per_elem;
    return inner_->random_elem();
  }
  BabyBearExtElem random_ext_elem() override {
    c_->units += 4 * c_->rule.per_drawn_word * c_->rule.words_per_elem;
    return inner_->random_ext_elem();
  }

 private:
  std::unique_ptr<TranscriptRng> inner_;
  Counter* c_;
};

class CountingFactory : public RngFactory {
 public:
  CountingFactory(std::shared_ptr<const RngFactory> inner, Counter* c) : inner_(std::move(inner)), c_(c) {}
  std::unique_ptr<TranscriptRng> new_rng() const override {
    return std::make_unique<CountingRng>(inner_->new_rng(), c_);
  }

 private:
  std::shared_ptr<const RngFactory> inner_;
  Counter* c_;
};

HashSuite suite_by_index(int i) {
  switch (i) {
    case 0: return HashSuite::poseidon2();
    case 1: return HashSuite::sha256();
    default: return HashSuite::blake2b();
  }
}

const testing::SyntheticCircuit& circuit() {
  static const testing::SyntheticCircuit c(testing::recursion_shape({12, 23, 128}));
  return c;
}

const testing::Proof& proof(int suite, uint32_t po2) {
  static std::map<std::pair<int, uint32_t>, testing::Proof> cache;
  auto it = cache.find({suite, po2});
  if (it == cache.end()) {
    const HashSuite s = suite_by_index(suite);
    it = cache.emplace(std::pair{suite, po2},
                       testing::prove(circuit(), s, po2, testing::default_public_words(circuit())))
             .first;
  }
  return it->second;
}

// Thread CPU seconds: the machine may be shared, and both sides of the comparison are
// single-threaded work.
double cpu_seconds() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

// Seconds per hash_pair: one primitive of the suite.
double primitive_seconds(const HashSuite& s) {
  Digest a, b;
  for (uint32_t i = 0; i < 8; ++i) {
    a.words[i] = BabyBearElem::from_u32(i + 1).raw();
    b.words[i] = BabyBearElem::from_u32(i + 100).raw();
  }
  // The fastest of several batches: the floor is what the hashing costs at its best.
  const int n = 40000;
  double best = 1e9;
  for (int batch = 0; batch < 8; ++batch) {
    const double t0 = cpu_seconds();
    for (int i = 0; i < n; ++i) {
      a = s.hash->hash_pair(a, b);
      benchmark::DoNotOptimize(a);
    }
    best = std::min(best, (cpu_seconds() - t0) / n);
  }
  return best;
}

void BM_VerifyRecursionSeal(benchmark::State& state) {
  const int suite_index = static_cast<int>(state.range(0));
  const uint32_t po2 = static_cast<uint32_t>(state.range(1));
  const HashSuite suite = suite_by_index(suite_index);
  const testing::Proof& p = proof(suite_index, po2);
  state.SetLabel(suite.name);

  Counter counter{rule_for(suite.name)};
  const HashSuite counting{suite.name, std::make_shared<CountingHash>(suite.hash, &counter),
                           std::make_shared<CountingFactory>(suite.rng, &counter)};
  if (!verify_stark_seal(circuit().description(), counting, p.seal).is_ok()) {
    state.SkipWithError("the seal does not verify");
    return;
  }
  const double floor_s = counter.units * primitive_seconds(suite);

  double total = 0;
  for (auto _ : state) {
    const double t0 = cpu_seconds();
    auto r = verify_stark_seal(circuit().description(), suite, p.seal);
    benchmark::DoNotOptimize(r);
    total += cpu_seconds() - t0;
  }
  const double per = total / static_cast<double>(state.iterations());
  state.counters["units"] = counter.units;
  state.counters["floor_ms"] = floor_s * 1e3;
  state.counters["x_floor"] = per / floor_s;
  state.counters["seal_kwords"] = static_cast<double>(p.seal.size()) / 1e3;
}

BENCHMARK(BM_VerifyRecursionSeal)
    ->ArgNames({"suite", "po2"})
    ->ArgsProduct({{0, 1, 2}, {16, 17, 18}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
