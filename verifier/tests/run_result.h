// Runs the main routine in process on files written to a scratch directory, with the Groth16
// test receipt verifier and a frozen clock, and keeps what it printed.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "kovra-core/testing/bundle_writer.h"
#include "test_files.h"
#include "verifier/gate_mode.h"
#include "verifier/testing/gate_fixture.h"
#include "verifier/verifier_main.h"

namespace kovra::verifier::testing {

struct RunResult {
  int status = -1;
  std::string out, err;

  // The labels of the failed check lines, in order (colour off).
  std::vector<std::string> failed() const {
    std::vector<std::string> labels;
    const std::string mark = "  [✗] ";
    size_t at = 0;
    while ((at = out.find(mark, at)) != std::string::npos) {
      const size_t end = out.find('\n', at);
      labels.push_back(out.substr(at + mark.size(), end - at - mark.size()));
      at = end;
    }
    return labels;
  }
  bool has_line(const std::string& line) const {
    return ("\n" + out).find("\n" + line + "\n") != std::string::npos;
  }
};

inline const TestProofs& test_proofs() {
  static const TestProofs proofs;
  return proofs;
}

inline std::string text_of(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

// What one run writes and passes: files, the bundle, the arguments after the bundle path.
struct ModeFiles {
  std::vector<DataFile> files;  // price CSVs and anything else
  std::string bundle;           // the bundle file's bytes
  std::string bundle_name = "bundle.bin";
  // Symbolic links made in the scratch directory: name, then target.
  std::vector<std::pair<std::string, std::string>> links;
  std::vector<std::string> args;
  std::map<std::string, std::string> env;
  bool verifier_dev_mode = false;  // the test context's dev mode (fake receipts pass)
  bool terminal = false;
};

// Writes `m` into `dir` and runs there.
inline RunResult run_files_in(const TempDir& dir, const ModeFiles& m) {
  ScopedCwd cwd(dir.path());
  for (const auto& f : m.files) dir.write(f.name, f.text);
  dir.write(m.bundle_name, m.bundle);
  for (const auto& [name, target] : m.links) {
    std::filesystem::create_symlink(target, dir.path() / name);
  }
  std::vector<std::string> args = {"verifier", m.bundle_name};
  args.insert(args.end(), m.args.begin(), m.args.end());
  StringOutput out, err;
  const Environment env = Environment::of(m.env);
  Report report(out, err, [&] { return detect_colour(m.terminal, env); });
  const GateModeSeams seams{test_proofs().verifier(m.verifier_dev_mode),
                            [] { return platform::Clock::time_point{}; }};
  RunResult r;
  r.status = run(args, env, report, seams);
  r.out = out.text;
  r.err = err.text;
  return r;
}

inline RunResult run_files(const ModeFiles& m) {
  TempDir dir;
  return run_files_in(dir, m);
}

}  // namespace kovra::verifier::testing
