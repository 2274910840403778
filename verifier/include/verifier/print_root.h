// The print-root mode: the data root of the user's own files as one allowlist line,
// "<hex root> <label>". No banner and no bundle.
//
//   --carry   the carry root of the funding directory (--funding-dir, else data/funding),
//             labelled "carry:data/funding" whatever directory was read
//   --vrp     exactly two CSV paths, underlying then IV index: the VRP root, label "a+b"
//   otherwise the portfolio root of every CSV path (one path: its Merkle root), label "a+b+..."
//
// The bundle path joins the front of the CSV list unless it begins with "--".
#pragma once

#include "verifier/arguments.h"
#include "verifier/report.h"

namespace kovra::verifier {

// Prints the line and returns status 0, or prints the input error on standard error and
// returns status 2.
int print_root_mode(const RunValues& run, Report& report);

}  // namespace kovra::verifier
