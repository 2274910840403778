// The built `verifier` program against hostile inputs and failing outputs, run as a child
// process: endless and huge input files end the run with their message before the memory is
// spent; a report that cannot be written is never a success; merged streams keep the
// report's order.
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fed_pipe.h"
#include "program_run.h"
#include "sanitizer.h"
#include "test_files.h"

namespace kovra::verifier {
namespace {

using testing::ProgramCall;
using testing::ProgramResult;
using testing::StdoutTo;

// The source tree's root, which holds the shipped example under data/.
const std::string kSourceRoot = std::string(KOVRA_TEST_DATA_DIR) + "/../../..";

const std::string kBannerStart = "════";

// The program run in the source tree with `args`, standard output to `out`.
ProgramResult run_in_tree(std::vector<std::string> args, StdoutTo out = StdoutTo::File,
                          std::vector<std::string> env = {}, bool ignore_sigpipe = false) {
  return testing::run_program(
      ProgramCall{std::move(args), kSourceRoot, std::move(env), out, ignore_sigpipe, 0});
}

TEST(ProgramInputs, EndlessInputsEndTheRunAtTheirLimit) {
  testing::FedPipe pipe("", true);
  const struct {
    std::vector<std::string> args;
    std::string err;
    bool banner;
  } cases[] = {
      {{"/dev/zero"}, "cannot read bundle /dev/zero: file is larger than the 1 GiB limit\n", true},
      {{"--print-root", "/dev/zero"},
       "cannot read csv /dev/zero: file is larger than the 256 MiB limit\n", false},
      {{"--print-root", pipe.path()},
       "cannot read csv " + pipe.path() + ": file is larger than the 256 MiB limit\n", false},
  };
  for (const auto& c : cases) {
    const ProgramResult r = run_in_tree(c.args);
    SCOPED_TRACE(c.args.back());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out.starts_with(kBannerStart), c.banner) << r.out;
  }
}

TEST(ProgramInputs, SparseFilesOverTheLimitAreRefusedBeforeAnythingIsAllocated) {
  testing::TempDir dir;
  const std::string path = dir.write("huge", "");
  ASSERT_EQ(::truncate(path.c_str(), off_t{2} << 30), 0);
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{path}, "cannot read bundle " + path + ": file is larger than the 1 GiB limit\n"},
      {{"--print-root", path},
       "cannot read csv " + path + ": file is larger than the 256 MiB limit\n"},
  };
  for (const auto& c : cases) {
    const ProgramResult r = run_in_tree(c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, c.err);
    // A read of the file, or only its reservation touched, would pass this by gigabytes.
    EXPECT_LT(r.peak_bytes, size_t{256} << 20);
  }
}

// Where an address-space limit bounds the program itself: not under an emulator (which
// needs room of its own) nor with AddressSanitizer (which reserves terabytes of shadow).
bool address_space_limit_applies() {
  return !testing::kUnderAddressSanitizer && std::size(testing::kVerifierCommand) == 1;
}

TEST(ProgramInputs, MemoryThatRunsOutEndsTheRunWithOneLine) {
  if (!address_space_limit_applies()) GTEST_SKIP() << "no address-space limit here";
  // A bundle under its limit, read into a process that cannot hold it.
  testing::TempDir dir;
  const std::string path = dir.write("large", "");
  ASSERT_EQ(::truncate(path.c_str(), off_t{900} << 20), 0);
  const ProgramResult r = testing::run_program(
      ProgramCall{{path}, kSourceRoot, {}, StdoutTo::File, false, size_t{512} << 20});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "out of memory\n");
  EXPECT_TRUE(r.out.starts_with(kBannerStart)) << r.out;  // flushed before the line
}

// `text` with every occurrence of each pair's first string replaced by its second.
std::string renamed(std::string text, const std::vector<std::pair<std::string, std::string>>& names) {
  for (const auto& [from, to] : names) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
      text.replace(at, from.size(), to);
    }
  }
  return text;
}

// A run whose words name inputs ("@name", given as files and as named pipes), the role it
// stands for and the status it ends with (dev mode).
struct StreamCase {
  const char* role;
  std::vector<std::string> args;
  int status;
};

// Runs every case twice under an address space of `cap` bytes, with the named inputs as regular
// files and as named pipes fed in pieces of `piece` bytes: both end with the case's status,
// and their reports agree but for the paths.
void expect_pipes_run_as_their_files(const std::map<std::string, std::string>& inputs,
                                     const std::vector<StreamCase>& cases, size_t cap,
                                     size_t piece = testing::FedPipe::kPiece) {
  testing::TempDir dir;
  std::map<std::string, std::string> files;
  for (const auto& [name, bytes] : inputs) files[name] = dir.write(name.substr(1), bytes);
  const auto run = [&](std::vector<std::string> args) {
    return testing::run_program(ProgramCall{std::move(args), kSourceRoot, {"DURO0_DEV_MODE=1"},
                                            StdoutTo::File, false, cap});
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.role);
    std::vector<std::string> as_files = c.args, as_pipes = c.args;
    std::vector<std::unique_ptr<testing::FedPipe>> pipes;
    std::vector<std::pair<std::string, std::string>> names;  // each pipe's path, its file's
    for (size_t i = 0; i < c.args.size(); ++i) {
      if (!c.args[i].starts_with("@")) continue;
      as_files[i] = files.at(c.args[i]);
      pipes.push_back(
          std::make_unique<testing::FedPipe>(inputs.at(c.args[i]), false, SIZE_MAX, piece));
      as_pipes[i] = pipes.back()->path();
      names.emplace_back(as_pipes[i], as_files[i]);
    }
    const ProgramResult file = run(as_files);
    const ProgramResult pipe = run(as_pipes);
    EXPECT_NE(file.err, "out of memory\n");
    EXPECT_EQ(file.status, c.status) << file.err;
    EXPECT_EQ(pipe.status, file.status);
    EXPECT_EQ(renamed(pipe.out, names), file.out);
    EXPECT_EQ(renamed(pipe.err, names), file.err);
  }
}

// Small inputs given through pipes run within an address space of 300 MB, exactly as the same
// bytes given as regular files do, in every role that reads one: a stream costs what it has
// delivered, not the most it may bring.
TEST(ProgramInputs, SmallStreamsRunInASmallAddressSpaceAsTheirFilesDo) {
  if (!address_space_limit_applies()) GTEST_SKIP() << "no address-space limit here";
  const std::string data = kSourceRoot + "/data/";
  const std::map<std::string, std::string> inputs = {
      {"@prices", testing::file_text(data + "prices.csv")},
      {"@bundle", testing::file_text(data + "credential.bundle")},
      {"@zeros", std::string(40'000'000, '\0')},  // past the 32 MiB a stream once doubled to
      {"@roots", testing::file_text(data + "canonical_roots.txt")},
      {"@prereg", R"({"commitment":"00","committed_at":"1"})"},
  };
  expect_pipes_run_as_their_files(
      inputs,
      {
          {"price CSV", {"--print-root", "@prices"}, 0},
          {"bundle and price CSV", {"@bundle", "@prices", "--any-data"}, 3},
          // Its first bytes decode as an empty credential, whose checks fail.
          {"a 40 MB bundle of zeros", {"@zeros", "data/prices.csv"}, 1},
          {"--chain parent",
           {"data/credential.bundle", "data/prices.csv", "--chain", "@bundle"}, 1},
          {"--prereg file",
           {"data/credential.bundle", "data/prices.csv", "--prereg", "@prereg"}, 1},
          {"roots file", {"data/credential.bundle", "data/prices.csv", "--roots", "@roots"}, 3},
      },
      300'000'000);
}

// A large byte stream is never held twice: a bundle of 600,000,000 bytes (the example's,
// then zeros, which its decoding never reaches) runs through a pipe within 700,000,000 bytes
// of address space as from its file, as the bundle under verification and as a --chain parent.
TEST(ProgramInputs, ALargeStreamRunsInItsBytesAndLittleMoreAsItsFileDoes) {
  if (!address_space_limit_applies()) GTEST_SKIP() << "no address-space limit here";
  std::string big = testing::file_text(kSourceRoot + "/data/credential.bundle");
  big.resize(600'000'000, '\0');
  expect_pipes_run_as_their_files(
      {{"@big", std::move(big)}},
      {
          {"bundle", {"@big", "data/prices.csv"}, 3},
          {"--chain parent", {"data/credential.bundle", "data/prices.csv", "--chain", "@big"}, 1},
      },
      700'000'000, size_t{64} << 10);
}

const std::string kNoSpace = "cannot write report: No space left on device (os error 28)\n";
const std::string kBrokenPipe = "cannot write report: Broken pipe (os error 32)\n";
const std::vector<std::string> kDevMode = {"DURO0_DEV_MODE=1"};

TEST(ProgramOutput, AReportThatCannotBeWrittenEndsWithStatus2AndOneLine) {
  const std::vector<std::string> print_root = {"--print-root", "data/prices.csv"};
  const struct {
    const char* name;
    std::vector<std::string> args;
    StdoutTo out;
    std::vector<std::string> env;
    bool ignore_sigpipe;
    std::string err;
  } cases[] = {
      {"print-root into a full device", print_root, StdoutTo::Full, {}, false, kNoSpace},
      {"print-root with standard output closed", print_root, StdoutTo::Closed, {}, false,
       "cannot write report: Bad file descriptor (os error 9)\n"},
      {"print-root to a reader gone, SIGPIPE ignored", print_root, StdoutTo::ReaderGone, {}, true,
       kBrokenPipe},
      // Status 3 when written: the final flush decides.
      {"the dev-mode example into a full device", {}, StdoutTo::Full, kDevMode, false, kNoSpace},
      {"the dev-mode example to a reader gone, SIGPIPE ignored", {}, StdoutTo::ReaderGone,
       kDevMode, true, kBrokenPipe},
      // The flush before the error line fails: that line gives way to this one.
      {"an unreadable bundle into a full device", {"missing.bundle"}, StdoutTo::Full, {}, false,
       kNoSpace},
      // A banner longer than the stream's buffer: a write fails in the middle of the run.
      {"a long banner into a full device", {std::string(10000, 'x')}, StdoutTo::Full, {}, false,
       kNoSpace},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ProgramResult r = run_in_tree(c.args, c.out, c.env, c.ignore_sigpipe);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, c.err);
  }
  const ProgramResult written = run_in_tree({}, StdoutTo::File, kDevMode);
  EXPECT_EQ(written.status, 3);
  EXPECT_EQ(written.err, "");
}

TEST(ProgramOutput, AReaderThatGoesAwayEndsTheProgramBySigpipe) {
  const ProgramResult r = run_in_tree({"--print-root", "data/prices.csv"}, StdoutTo::ReaderGone);
  EXPECT_EQ(r.signal, SIGPIPE);
  EXPECT_EQ(r.err, "");
}

TEST(ProgramOutput, MergedStreamsKeepTheReportOrder) {
  const std::vector<std::string> cases[] = {
      {"missing.bundle"},                                       // the banner, then the error
      {"data/credential.bundle", "data/prices.csv", "--vrp"},  // check lines, then the error
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(args.front());
    const ProgramResult apart = run_in_tree(args);
    const ProgramResult merged = run_in_tree(args, StdoutTo::Stderr);
    EXPECT_EQ(apart.status, 2);
    EXPECT_EQ(merged.status, 2);
    EXPECT_NE(apart.err, "");
    EXPECT_EQ(merged.err, apart.out + apart.err);
  }
}

}  // namespace
}  // namespace kovra::verifier
