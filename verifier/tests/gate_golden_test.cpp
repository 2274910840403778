// The whole report of one fixture, byte for byte: colour off in process, and colour on from
// the real program under a pseudo-terminal.
//
// data/gate_golden_plain.txt is the report of make_gate_fixture(Plain, disclosing) with the
// clock frozen; its lines were checked one by one against the mode's line templates when it
// was written, and its figures by hand (for example CAGR: 1.421^(365/150) - 1 = 135.1 %).
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "gate_run.h"
#include "verifier_command.h"

namespace kovra::verifier {
namespace {

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(GateGolden, DisclosingPlainCredential) {
  testing::GateScenario s;
  s.fixture = testing::make_gate_fixture(testing::CredentialKind::Plain, true);
  const auto r = testing::run_scenario(std::move(s));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, read_file(std::string(KOVRA_TEST_DATA_DIR) + "/gate_golden_plain.txt"));
}

struct PtyRun {
  int status = -1;
  std::string out;  // with the terminal's "\r\n" turned back into "\n"
};

// Runs the built program in `dir` with its standard output on a pseudo-terminal.
PtyRun run_under_pty(const std::string& dir, std::vector<std::string> args,
                     std::vector<std::string> env) {
  // The build's run prefix (an emulator in a cross build), then the program.
  std::vector<std::string> words(std::begin(testing::kVerifierCommand),
                                 std::end(testing::kVerifierCommand));
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  int master = -1;
  const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    if (::chdir(dir.c_str()) != 0) ::_exit(126);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  PtyRun r;
  if (pid < 0) return r;
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(master, buf, sizeof buf);
    if (n <= 0) break;  // EIO once the child has closed the terminal
    r.out.append(buf, static_cast<size_t>(n));
  }
  ::close(master);
  int wstatus = 0;
  ::waitpid(pid, &wstatus, 0);
  r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  std::string plain;
  for (size_t i = 0; i < r.out.size(); ++i) {
    if (r.out[i] == '\r' && i + 1 < r.out.size() && r.out[i + 1] == '\n') continue;
    plain += r.out[i];
  }
  r.out = plain;
  return r;
}

// The program verifies with its embedded context only, so the run uses a fake receipt in dev
// mode (status 3), and a failing one for the failure colours.
TEST(GateGolden, ColourUnderAPseudoTerminal) {
  testing::TempDir dir;
  testing::GateScenario s;
  s.fixture = testing::make_gate_fixture(testing::CredentialKind::Plain, true);
  s.fake_receipt = true;
  s.verifier_dev_mode = true;
  s.env = {{"DURO0_DEV_MODE", "1"}};
  const auto in_process = testing::run_scenario_in(dir, s);  // also writes the files
  ASSERT_EQ(in_process.status, 3) << in_process.out;

  const std::vector<std::string> args = {"c.bundle", "prices.csv", "--roots", "roots.txt"};
  auto r = run_under_pty(dir.path().string(), args, {"DURO0_DEV_MODE=1", "TERM=xterm"});
  EXPECT_EQ(r.status, 3) << r.out;
  const std::string expected[] = {
      "\x1b[2m════",
      "\x1b[1mKOVRA · INDEPENDENT VERIFIER\x1b[0m\n",
      "  \x1b[32m[✓]\x1b[0m guest image id matches the program we trust\n",
      "  🏷  Engine era: \x1b[1mv11\x1b[0m · both-schools validation-complete",
      "  \x1b[32m[✓]\x1b[0m zk receipt verifies (proof is real)\n",
      "  \x1b[32m[✓]\x1b[0m gate verdict re-derived from the proof: PASS (zk-attested)\n",
      "⚠️  CHECKS PASS but the receipt is NOT a real STARK — NOT cryptographic proof. (exit 3)\n",
  };
  for (const auto& piece : expected) EXPECT_NE(r.out.find(piece), std::string::npos) << piece;
  // Apart from its colours the report is the in-process one.
  EXPECT_EQ(r.out.find("[✗]"), std::string::npos);

  // NO_COLOR on the same terminal: no escape sequence at all.
  const auto plain = run_under_pty(dir.path().string(), args,
                                   {"DURO0_DEV_MODE=1", "TERM=xterm", "NO_COLOR="});
  EXPECT_EQ(plain.status, 3);
  EXPECT_EQ(plain.out, in_process.out);

  // A failed check: red mark, bold red label, bold red verdict, dim prose.
  dir.write("roots.txt", "");
  r = run_under_pty(dir.path().string(), args, {"DURO0_DEV_MODE=1", "TERM=xterm"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("  \x1b[31m[✗]\x1b[0m \x1b[1;31mdata root NOT in canonical allowlist "
                       "(roots.txt)"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\x1b[2m  One or more checks did not pass (marked [✗] above). This "
                       "credential is not\x1b[0m\n"),
            std::string::npos);
  EXPECT_NE(r.out.find("\x1b[1;31m❌ VERIFICATION FAILED — do not rely on this credential.\x1b[0m\n"),
            std::string::npos);
}

}  // namespace
}  // namespace kovra::verifier
