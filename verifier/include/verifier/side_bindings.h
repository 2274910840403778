// Side bindings of a gate credential: facts outside the credential that the user names on the
// command line and the default mode checks at fixed places of its sequence.
//
//   --aux <parts.json>       the aux parts the sealed aux aggregate commits to (after the
//                            journal check); a credential that seals an aggregate fails
//                            closed without it
//   --track <head.json>      the published head of a live black-box track, and its chain head
//                            through the aux aggregate (right after the aux binding)
//   --track-anchor <unix>    when the track head was anchored: it must not be later than the
//                            track's first period
//   --prereg <file>          a published pre-registration: its commitment and registration
//                            time, against the out-of-sample window (after the digest check)
//   --chain <parent.bundle>  the parent credential this one extends (last)
//
// Every problem is a failed check line; none stops the run. A file larger than its limit
// (kSideFileLimit, or kBundleFileLimit for the parent) is an unreadable one. Anchor evidence
// files (the anchored path with ".ots" or ".tsr" appended) are only tested for presence,
// never read.
//
// The pre-registration file and the chain record ("<bundle path>.chain.json") are small JSON
// texts of which single keys are read with `json_field_value`, a plain text search that is
// not a JSON parser (see its comment).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/verification_error.h"
#include "kovra-core/bundle.h"
#include "kovra-core/merkle.h"
#include "verifier/arguments.h"
#include "verifier/image_ids.h"
#include "verifier/report.h"

namespace kovra::verifier {

// Verifies a receipt against a trusted image id. The program passes Receipt::verify, which
// builds the embedded verification context; tests pass a context of their own.
using ReceiptVerifier =
    std::function<base::VerificationError(const receipts::Receipt&, const ImageId&)>;

// The value of `key` in a small JSON text, by text search:
//   1. the piece after the first occurrence of "\"key\"" up to the next occurrence (or the
//      end); no occurrence gives "";
//   2. leading spaces and colons are skipped;
//   3. a value opening with '"' runs to the next '"' (or the piece's end), no escapes, not
//      trimmed;
//   4. any other value runs to the first ',', '}', ' ' or line feed and is trimmed.
// So a value on the line after its key reads as empty, and a key mentioned twice bounds the
// piece at its second mention.
std::string json_field_value(std::string_view text, std::string_view key);

// Exactly 64 hexadecimal digits (either case) after trimming white space, as 32 bytes, high
// nibble first; nullopt for anything else.
std::optional<std::array<uint8_t, 32>> parse_hex32(std::string_view text);

// A signed 64-bit decimal: an optional '+' or '-', then digits only, within range.
std::optional<int64_t> parse_decimal_i64(std::string_view text);

// Which anchor evidence files stand beside `path`: "{path}.ots" and "{path}.tsr".
struct AnchorEvidence {
  bool ots = false;
  bool tsr = false;
  bool any() const { return ots || tsr; }
};
AnchorEvidence find_anchor_evidence(const std::string& path);

// What the bindings read besides the credential: the run values, the receipt verifier, the
// trusted image id and the bar lists of the run (empty with carry).
struct BindingInputs {
  const RunValues& values;
  const core::CredentialBundle& bundle;
  const ImageId& trusted_image_id;
  const ReceiptVerifier& verify_receipt;
  const std::vector<std::vector<core::BarRecord>>& bar_lists;
};

void check_aux_binding_flag(Report& report, bool& all_passed, const BindingInputs& in);
void check_track_binding(Report& report, bool& all_passed, const BindingInputs& in);
void check_preregistration(Report& report, bool& all_passed, const BindingInputs& in);
void check_chain_binding(Report& report, bool& all_passed, const BindingInputs& in);

}  // namespace kovra::verifier
