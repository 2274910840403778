// Runs the built `verifier` program as a child process, through the build's run prefix (an
// emulator when the build targets another machine), with standard output sent where the test
// needs it, and keeps its exit, its streams and its peak memory.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "test_files.h"
#include "verifier_command.h"

extern char** environ;

namespace kovra::verifier::testing {

enum class StdoutTo {
  File,        // a file of its own
  Full,        // /dev/full: every write fails with ENOSPC
  Closed,      // no descriptor 1 at all
  ReaderGone,  // a pipe whose read end is closed: EPIPE, or SIGPIPE
  Stderr,      // the same open file as standard error (merged streams)
};

struct ProgramCall {
  std::vector<std::string> args;  // after the program
  std::string cwd = ".";
  std::vector<std::string> env;   // "NAME=value", added to the test's own environment
  StdoutTo out = StdoutTo::File;
  bool ignore_sigpipe = false;    // as a parent that ignores SIGPIPE leaves it to its child
  size_t address_space = 0;       // a limit on the child's address space in bytes, 0 for none
};

struct ProgramResult {
  int status = -1;        // the exit status; -1 when a signal ended the program
  int signal = 0;         // the signal that ended it, if one did
  std::string out, err;   // with StdoutTo::Stderr both streams are in `err`
  size_t peak_bytes = 0;  // the child's peak resident size
};

inline std::string file_text(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// The file to execute for a command's first word: the word itself when it holds a '/', else
// the first match on PATH.
inline std::string find_program(const std::string& word) {
  if (word.find('/') != std::string::npos) return word;
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + word;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return word;
}

inline ProgramResult run_program(const ProgramCall& call) {
  TempDir scratch;
  const std::string out_path = scratch.file("out"), err_path = scratch.file("err");
  std::vector<std::string> words(std::begin(kVerifierCommand), std::end(kVerifierCommand));
  words.insert(words.end(), call.args.begin(), call.args.end());
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  env.insert(env.end(), call.env.begin(), call.env.end());
  const auto pointers = [](std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (auto& s : strings) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
  };
  const std::string program = find_program(words[0]);
  const std::vector<char*> argv = pointers(words), envp = pointers(env);

  // Between fork and exec the child makes only async-signal-safe calls.
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    int out = -1;
    int pipe_ends[2] = {-1, -1};
    switch (call.out) {
      case StdoutTo::File:
        out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        break;
      case StdoutTo::Full:
        out = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
        break;
      case StdoutTo::ReaderGone:
        if (::pipe2(pipe_ends, O_CLOEXEC) == 0) {
          ::close(pipe_ends[0]);
          out = pipe_ends[1];
        }
        break;
      case StdoutTo::Stderr:
        out = err;
        break;
      case StdoutTo::Closed:
        break;
    }
    if (in < 0 || err < 0 || (out < 0 && call.out != StdoutTo::Closed)) ::_exit(126);
    if (::chdir(call.cwd.c_str()) != 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(err, 2);
    if (call.out == StdoutTo::Closed) {
      ::close(1);
    } else {
      ::dup2(out, 1);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, call.ignore_sigpipe ? SIG_IGN : SIG_DFL);
    if (call.address_space > 0) {
      const rlimit limit{call.address_space, call.address_space};
      if (::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(126);
    }
    ::execve(program.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }
  ProgramResult r;
  if (pid < 0) return r;
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) != pid) return r;
  if (WIFEXITED(status)) r.status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
  r.out = file_text(out_path);
  r.err = file_text(err_path);
  r.peak_bytes = static_cast<size_t>(usage.ru_maxrss) * 1024;
  return r;
}

}  // namespace kovra::verifier::testing
