// Fuzz target for the whole program in process: the main routine `run` with an in-memory
// report, the Groth16 test receipt verifier and a frozen clock, on files written to a fresh
// scratch directory that is the working directory of the run.
//
// Input (sections.h): every header line is an argument after the bundle path, except
//   "env NAME=VALUE"  an environment variable of the run
//   "dev"             the test verifier's dev mode (fake receipts pass)
//   "terminal"        standard output counts as a terminal
// The first file is the bundle (its name is the bundle path), the others are the run's price,
// funding and side files. Arguments must be contained paths as file names are.
//
// Any input must end in an exit status 0 to 3, never a crash; status 2 and only status 2
// writes to standard error, exactly one line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "run_result.h"
#include "sections.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kovra::verifier;
  auto sections = fuzz::split_sections(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!sections) return 0;
  testing::ModeFiles m;
  for (const auto& line : fuzz::header_lines(sections->header)) {
    if (line.rfind("env ", 0) == 0) {
      const size_t eq = line.find('=');
      if (eq == std::string::npos) return 0;
      m.env[line.substr(4, eq - 4)] = line.substr(eq + 1);
    } else if (line == "dev") {
      m.verifier_dev_mode = true;
    } else if (line == "terminal") {
      m.terminal = true;
    } else if (line.empty() || line.rfind("--", 0) == 0 || fuzz::is_contained_path(line)) {
      m.args.push_back(line);
    } else {
      return 0;
    }
  }
  if (!sections->files.empty()) {
    m.bundle_name = sections->files.front().name;
    m.bundle = sections->files.front().content;
    for (size_t i = 1; i < sections->files.size(); ++i) {
      m.files.push_back({sections->files[i].name, sections->files[i].content});
    }
  }
  const testing::RunResult r = testing::run_files(m);
  if (r.status < 0 || r.status > 3) std::abort();
  const bool one_line = !r.err.empty() && r.err.find('\n') == r.err.size() - 1;
  if ((r.status == 2) != !r.err.empty() || (r.status == 2 && !one_line)) std::abort();
  return 0;
}
