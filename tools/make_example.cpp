// Writes the shipped example: data/credential.bundle, data/prices.csv and
// data/canonical_roots.txt (or the same three names in the folder given as the argument).
//
//   make_example [DIR]
//
// DIR is made when missing. Anything else on the command line (an option, a second argument,
// an empty word) is refused with the usage line on standard error and status 2, before any
// folder is made.
//
// The example is a disclosing single-asset gate credential over 500 generated daily bars,
// built with the test support's fixture and bundle writer, so every file is the same on every
// run. No prover for the program's embedded Groth16 key exists here, so its receipt is a fake
// one: the example verifies only with DURO0_DEV_MODE=1, and then ends with status 3. The roots
// file names the example's data root, which the built-in allowlist does not know.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "kovra-core/testing/bundle_writer.h"
#include "verifier/report.h"
#include "verifier/testing/gate_fixture.h"

namespace {

bool write_file(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) std::fprintf(stderr, "cannot write %s\n", path.string().c_str());
  return static_cast<bool>(out);
}

constexpr const char* kUsage =
    "usage: make_example [DIR]\n"
    "writes credential.bundle, prices.csv and canonical_roots.txt into DIR (default: data)\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace kovra;
  const std::string word = argc > 1 ? argv[1] : "data";
  if (argc > 2 || word.empty() || word[0] == '-') {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::filesystem::path dir = word;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);

  auto fixture = verifier::testing::make_gate_fixture(verifier::testing::CredentialKind::Plain,
                                                      /*disclosing=*/true, /*bars=*/500);
  fixture.core.issuer = "KOVRA example issuer (fake receipt, dev mode only)";
  const auto& gate = fixture.core.journal;
  const auto bundle = verifier::testing::seal(
      fixture.core, verifier::testing::fake_receipt_for(fixture.image_id(),
                                                        verifier::testing::journal_bytes(gate)));
  const auto bytes = core::testing::credential_bundle_bytes(bundle);

  const std::string roots =
      "# Canonical roots of the shipped example (made by tools/make_example)\n"
      "# <hex-root> <label>\n" +
      verifier::hex_lower(gate.data_root) + " prices.csv (shipped example, 500 daily OHLC bars)\n";
  const bool ok = write_file(dir / "credential.bundle", std::string(bytes.begin(), bytes.end())) &&
                  write_file(dir / "prices.csv", fixture.csv_files[0].text) &&
                  write_file(dir / "canonical_roots.txt", roots);
  return ok ? 0 : 1;
}
