// The `verifier` program's entry: hands the process's arguments, environment and standard
// streams to the main routine and exits with its status once the report is written
// (program_exit.h). No exception leaves it: memory that runs out ends the run with one line
// and status 2, wherever the allocation was.
#include <new>
#include <stdexcept>

#include "verifier/platform.h"
#include "verifier/program_exit.h"
#include "verifier/report.h"
#include "verifier/verifier_main.h"

int main(int argc, char** argv) {
  using namespace kovra::verifier;
  std::set_new_handler(exit_out_of_memory);
  try {
    const Environment env = Environment::of_process();
    StdoutOutput out;
    StderrOutput err;
    Report report(out, err, [&env] { return detect_colour(platform::stdout_is_terminal(), env); });
    exit_program(run(platform::arguments(argc, argv), env, report));
  } catch (const std::bad_alloc&) {
    exit_out_of_memory();
  } catch (const std::length_error&) {  // a size beyond what any allocation can hold
    exit_out_of_memory();
  } catch (const std::exception& e) {
    exit_uncaught_exception(e.what());
  } catch (...) {
    exit_uncaught_exception("of an unknown type");
  }
}
