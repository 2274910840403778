#include "verifier/program_exit.h"

#include <string>

namespace kovra::verifier {

void exit_program(int status) {
  if (const auto e = platform::flush_stdout()) exit_report_lost(*e);
  platform::exit_process(status);
}

void exit_report_lost(const platform::OsError& e) {
  platform::write_stderr("cannot write report: " + e.text() + "\n");
  // Exit without the C library's own flush, which would try the lost bytes once more.
  platform::exit_immediately(2);
}

void exit_out_of_memory() {
  // Whether or not the flush succeeds, this is the run's one error line.
  (void)platform::flush_stdout();
  platform::write_stderr("out of memory\n");
  platform::exit_immediately(2);
}

void exit_uncaught_exception(std::string_view what) {
  (void)platform::flush_stdout();
  platform::write_stderr("internal error: uncaught exception: " + std::string(what) + "\n");
  platform::exit_immediately(101);
}

}  // namespace kovra::verifier
