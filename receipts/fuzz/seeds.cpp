// Seeds of the receipts fuzz targets: the test receipts of every proof kind, each of which
// verifies under its sample context.
#include "fuzz/seed_corpus.h"
#include "receipts/testing/receipt_samples.h"
#include "receipts/testing/receipt_writer.h"

int main(int argc, char** argv) {
  using namespace kovra::receipts::testing;
  return kovra::fuzz::seed_main(argc, argv, [](kovra::fuzz::SeedCorpus& corpus) {
    corpus.target("receipt_fuzz");
    for (const auto& r : sample_receipts({'k', 'o', 'v', 'r', 'a', 0, 0, 0}))
      corpus.add(r.name, receipt_bytes(r.receipt));
  });
}
