// Fuzz target for the receipt binary form through Receipt::verify.
//
// Any input must end in a decode error or a decoded receipt, and a decoded receipt in a
// verdict, never a crash. A receipt that decodes is written back by the test writer and must
// give exactly the bytes that were read (the binary form has one encoding per receipt). It is
// then verified against the samples' image id under the sample context of its suite: test
// circuits, the three hash suites, a Groth16 test key and dev mode, so that the seeds, which
// verify, carry mutations deep into the STARK and Groth16 checks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string_view>
#include <variant>

#include "receipts/receipt.h"
#include "receipts/testing/receipt_samples.h"
#include "receipts/testing/receipt_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kovra::receipts;
  kovra::base::BincodeReader in(std::span<const uint8_t>(data, size));
  auto receipt = Receipt::read_bincode(in);
  if (!receipt) {
    if (receipt.error().message.empty()) std::abort();  // every decode error has its text
    return 0;
  }
  const auto written = testing::receipt_bytes(*receipt);
  if (written.size() != in.position() || std::memcmp(written.data(), data, written.size()) != 0) {
    std::abort();
  }
  std::string_view suite = "poseidon2";
  if (const auto* s = std::get_if<SuccinctReceipt>(&receipt->proof.kind)) suite = s->hash_name;
  (void)receipt->verify_with(testing::sample_context(suite), testing::sample_image_id());
  return 0;
}
