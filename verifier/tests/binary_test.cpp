// The built `verifier` program, run as a child process: real argument list, environment,
// standard streams and exit status.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "test_files.h"
#include "verifier_command.h"

namespace kovra::verifier {
namespace {

struct Child {
  int status = -1;
  std::string out, err;
};

std::string slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// `command_tail` is shell text after the program path (arguments, redirections are added).
// The program runs through the build's run prefix (an emulator in a cross build).
Child run_program(const std::string& cwd, const std::string& env, const std::string& command_tail) {
  testing::TempDir scratch;
  const std::string out = scratch.file("out"), err = scratch.file("err");
  std::string program;
  for (const char* word : testing::kVerifierCommand) program += std::string(" '") + word + "'";
  const std::string cmd = "cd '" + cwd + "' && env " + env + program + " " + command_tail +
                          " >'" + out + "' 2>'" + err + "'";
  const int w = std::system(cmd.c_str());
  Child c;
  c.status = WIFEXITED(w) ? WEXITSTATUS(w) : -1;
  c.out = slurp(out);
  c.err = slurp(err);
  return c;
}

const std::string kFixtures = std::string(KOVRA_TEST_DATA_DIR) + "/print_root";

TEST(Program, PrintRoot) {
  const auto c = run_program(kFixtures, "", "--print-root a.csv");
  EXPECT_EQ(c.status, 0);
  EXPECT_EQ(c.out, "807107066f0208dcf358ccc7d3bb9af24e42c3e5684e9e7d001e4377f7780d63 a.csv\n");
  EXPECT_EQ(c.err, "");
  const auto vrp = run_program(kFixtures, "", "--print-root --vrp a.csv");
  EXPECT_EQ(vrp.status, 2);
  EXPECT_EQ(vrp.err, "--vrp --print-root needs exactly 2 CSVs: <underlying> <iv_index>\n");
}

TEST(Program, MissingBundleIsStatus2WithoutColourIntoAFile) {
  // Output into a file is not a terminal: no escape sequences, whatever TERM says.
  const auto c = run_program(kFixtures, "-u NO_COLOR TERM=xterm-256color", "missing.bundle");
  EXPECT_EQ(c.status, 2);
  EXPECT_EQ(c.out.find('\x1b'), std::string::npos);
  EXPECT_NE(c.out.find("  bundle :  missing.bundle\n"), std::string::npos);
  EXPECT_EQ(c.err, "cannot read bundle missing.bundle: No such file or directory (os error 2)\n");
}

}  // namespace
}  // namespace kovra::verifier
