// The `verifier` program's entry: hands the process's arguments, environment and standard
// streams to the main routine and exits with its status.
#include "verifier/platform.h"
#include "verifier/report.h"
#include "verifier/verifier_main.h"

int main(int argc, char** argv) {
  using namespace kovra::verifier;
  const Environment env = Environment::of_process();
  StdoutOutput out;
  StderrOutput err;
  Report report(out, err, [&env] { return detect_colour(platform::stdout_is_terminal(), env); });
  platform::exit_process(run(platform::arguments(argc, argv), env, report));
}
