// How the program ends.
//
// The report is standard output, buffered, and a run is over only once it has been flushed
// without error. A write to standard output that fails, or the final flush, ends the run at
// once with one line on standard error, "cannot write report: {os text}" (for instance "No
// space left on device (os error 28)"), and status 2, whatever the verdict would have been: a
// report that was lost is never a success. The program's outputs (report.h) flush standard
// output before anything goes to standard error, so that merged streams keep the report's
// order, and the ends below do the same.
#pragma once

#include <string_view>

#include "verifier/platform.h"

namespace kovra::verifier {

// Flushes the report and ends the process with `status`; the lost-report end instead when
// the flush fails.
[[noreturn]] void exit_program(int status);

// "cannot write report: {os text}" on standard error, then status 2 at once (what the report
// still held is dropped).
[[noreturn]] void exit_report_lost(const platform::OsError& e);

// Memory ran out: what the report holds is flushed, "out of memory" goes to standard error and
// the process ends with status 2, all without allocating (the program installs it as the
// new-handler, and uses it for an allocation error that reaches its entry).
[[noreturn]] void exit_out_of_memory();

// Any other exception reached the program's entry: a broken internal invariant.
// "internal error: uncaught exception: {what}" on standard error and status 101.
[[noreturn]] void exit_uncaught_exception(std::string_view what);

}  // namespace kovra::verifier
