// Test support for the default mode: gate credentials that are consistent with their market
// data, built in code, and Groth16 test receipts that verify through the mode's seam.
//
// A fixture is the data files of one credential kind (price CSVs, or a funding directory for
// carry) and a credential core whose gate journal is derived from them: data root, bar count,
// window, regime bar counts, instrument count and annualisation all agree, the gate is the
// published DIRECTIONAL-V1 class and the costs are above the floor. `seal` turns a core into
// a bundle with its V2 digest and a receipt over its own journal, so that every check of the
// mode passes; tests change one thing and expect exactly one failed line.
//
// Linked into tests, benchmarks and the example tool only, never into `verifier`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/digest.h"
#include "groth16/testing/test_key.h"
#include "kovra-core/bundle.h"
#include "kovra-core/merkle.h"
#include "receipts/receipt.h"
#include "receipts/verify_context.h"
#include "verifier/image_ids.h"
#include "verifier/side_bindings.h"

namespace kovra::verifier::testing {

enum class CredentialKind { Plain, Portfolio, Carry, Vrp };

const char* kind_name(CredentialKind kind);

struct DataFile {
  std::string name;  // relative to the run's directory
  std::string text;
};

struct GateFixture {
  CredentialKind kind = CredentialKind::Plain;
  std::vector<DataFile> csv_files;      // price CSVs in command-line order (none for carry)
  std::vector<DataFile> funding_files;  // carry: the files of the funding directory
  std::string funding_dir;              // carry: the directory the files are in
  core::CredentialCore core;

  // The run's arguments after the bundle path: the CSV names, then --carry / --vrp.
  std::vector<std::string> data_args() const;
  // The image id the mode trusts for this kind.
  const ImageId& image_id() const;
};

// A price file: header, then `bars` daily OHLC rows from `start_ts`, a seeded random walk
// whose volatility changes over time (so that every regime occurs in a long file).
std::string price_csv(size_t bars, uint32_t seed, int64_t start_ts = 1'600'000'000);

// A funding file: header, then `rows` rows of 8-hourly timestamps and integer rates.
std::string funding_csv(size_t rows, uint32_t seed, int64_t start_ts = 1'600'000'000);

// One consistent fixture; `bars` is the length of each price file (or of each funding file).
GateFixture make_gate_fixture(CredentialKind kind, bool disclosing, size_t bars = 150);

// Re-derives the data-bound members of `gate` from the fixture's data files: data root, bars,
// window, regime bar counts (returns of empty buckets set to 0) and instrument count.
void bind_to_data(core::GateAttestation& gate, const GateFixture& fixture);

// The gate journal's committed words as bytes.
std::vector<uint8_t> journal_bytes(const core::GateAttestation& gate);

// A bundle of `core` with its V2 digest and `receipt`.
core::CredentialBundle seal(const core::CredentialCore& core, receipts::Receipt receipt);

// A fake receipt for the core's journal under `image_id` (parameters digest zero), as
// accepted in dev mode.
receipts::Receipt fake_receipt_for(const ImageId& image_id, std::vector<uint8_t> journal);

// A Groth16 test key with its verification context and receipts that verify under it.
class TestProofs {
 public:
  TestProofs();

  const receipts::VerifyContext& context() const { return ctx_; }

  // A Groth16 receipt of the clean run of `image_id` over `journal`.
  receipts::Receipt receipt(const ImageId& image_id, std::vector<uint8_t> journal) const;

  // Receipt::verify_with under the test context (with its dev mode set as given): the seam
  // the mode takes.
  ReceiptVerifier verifier(bool dev_mode = false) const;

 private:
  groth16::testing::TestKeyScalars scalars_;
  receipts::VerifyContext ctx_;
};

}  // namespace kovra::verifier::testing
