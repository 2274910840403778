// The whole default mode on a 7,184-bar daily CSV (disclosing single-asset credential) with a
// Groth16 test receipt verified through the mode's receipt seam: banner, bundle read and
// decode, CSV load, receipt and journal checks, data root, allowlist, panels, digest, figures
// and verdict, report into memory. Target: <= 10 ms per run. BM_DefaultVerifyContext is the
// part of a program run that the seam leaves out.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "kovra-core/testing/bundle_writer.h"
#include "verifier/gate_mode.h"
#include "verifier/testing/gate_fixture.h"
#include "receipts/verify_context.h"
#include "verifier/verifier_main.h"

namespace {

using namespace kovra;
using namespace kovra::verifier;

void write(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void BM_GateMode7184Bars(benchmark::State& state) {
  std::string tmpl = (std::filesystem::temp_directory_path() / "kovra-bench-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) {
    state.SkipWithError("no scratch directory");
    return;
  }
  const std::filesystem::path dir = tmpl;
  const testing::TestProofs proofs;
  const auto fixture = testing::make_gate_fixture(testing::CredentialKind::Plain, true, 7184);
  const auto bundle = testing::seal(
      fixture.core, proofs.receipt(fixture.image_id(), testing::journal_bytes(fixture.core.journal)));
  const auto bytes = core::testing::credential_bundle_bytes(bundle);
  write(dir / "c.bundle", std::string(bytes.begin(), bytes.end()));
  write(dir / "prices.csv", fixture.csv_files[0].text);
  write(dir / "roots.txt", hex_lower(fixture.core.journal.data_root) + " bench dataset\n");

  const std::vector<std::string> args = {"verifier",
                                         (dir / "c.bundle").string(),
                                         (dir / "prices.csv").string(),
                                         "--roots",
                                         (dir / "roots.txt").string()};
  const Environment env = Environment::of({});
  const GateModeSeams seams{proofs.verifier(), [] { return platform::Clock::now(); }};
  for (auto _ : state) {
    StringOutput out, err;
    Report report(out, err, [] { return false; });
    const int status = run(args, env, report, seams);
    if (status != 0) {
      state.SkipWithError(("status " + std::to_string(status) + "\n" + out.text + err.text).c_str());
      break;
    }
    benchmark::DoNotOptimize(out.text.data());
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_GateMode7184Bars)->Unit(benchmark::kMillisecond);

// What the program adds to each run over the seam: building its embedded verification
// context (key parsed from its decimal constants and validated, suites made).
void BM_DefaultVerifyContext(benchmark::State& state) {
  for (auto _ : state) {
    auto ctx = receipts::VerifyContext::new_default();
    benchmark::DoNotOptimize(&ctx);
  }
}
BENCHMARK(BM_DefaultVerifyContext)->Unit(benchmark::kMillisecond);

}  // namespace
