// Fuzz target for the side files of a gate credential, through the loaders and checks of the
// default mode: the input is at once the --aux parts file, the --track head, the --prereg
// record and the chain record beside the bundle (with a --chain parent that extends the
// credential), checked against the credential of side_files.h.
//
// Any text must end in check lines, never a crash; the checks never write to standard error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "side_files.h"
#include "verifier/side_bindings.h"

namespace kovra::verifier::fuzz {
namespace {

struct Setup {
  testing::TempDir dir;
  core::CredentialBundle bundle =
      testing::seal(side_fixture().core,
                    testing::fake_receipt_for(TRUSTED_IMAGE_ID,
                                              testing::journal_bytes(side_fixture().core.journal)));
  std::vector<std::vector<core::BarRecord>> bar_lists = {
      parse_price_csv(side_fixture().csv_files[0].text)};
  std::string side = dir.file("side.json");
  RunValues values = scan_arguments(
      {"verifier", dir.file("c.bundle"), dir.file("prices.csv"), "--aux", side, "--track", side,
       "--track-anchor", "1700000000", "--prereg", side, "--chain", dir.file("parent.bundle")});
  // Receipts are not what this target fuzzes: the parent's passes.
  ReceiptVerifier verify = [](const receipts::Receipt&, const ImageId&) {
    return kovra::base::VerificationError::ok();
  };

  Setup() {
    dir.write("parent.bundle", testing::text_of(core::testing::credential_bundle_bytes(
                                   testing::parent_of(side_fixture()))));
  }
};

}  // namespace
}  // namespace kovra::verifier::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kovra::verifier;
  static const fuzz::Setup setup;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  setup.dir.write("side.json", text);
  setup.dir.write("c.bundle.chain.json", text);
  StringOutput out, err;
  Report report(out, err, [] { return false; });
  const BindingInputs in{setup.values, setup.bundle, TRUSTED_IMAGE_ID, setup.verify,
                         setup.bar_lists};
  bool all_passed = true;
  check_aux_binding_flag(report, all_passed, in);
  check_track_binding(report, all_passed, in);
  check_preregistration(report, all_passed, in);
  check_chain_binding(report, all_passed, in);
  if (!err.text.empty()) std::abort();
  return 0;
}
