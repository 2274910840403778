// The platform's bounded reads: a limit met exactly and passed by one byte, for regular files
// and for streams read in many short chunks; endless devices; a huge sparse file refused
// before its size is allocated; the error texts; readers of regular files only.
#include "verifier/platform.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <optional>

#include "base/testing/allocations.h"
#include "fed_pipe.h"
#include "mapped_peak.h"
#include "sanitizer.h"
#include "test_files.h"

namespace kovra::verifier::platform {
namespace {

using testing::FedPipe;
using testing::TempDir;

constexpr size_t kMiB = size_t{1} << 20;

std::string letters(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i % 26);
  return s;
}

// What a read gave: "ok" with the bytes equal to `expected`, else the error's text.
std::string outcome(const base::Result<FileBytes, ReadError>& r, const std::string& expected) {
  if (!r) return r.error().text();
  return r->text() == expected ? "ok" : "other bytes";
}

struct LimitCase {
  size_t size, limit;
  std::string outcome;
};

// A stream's mapping grows at page ends (4096) and by a quarter of what it holds.
const LimitCase kLimitCases[] = {
    {0, 0, "ok"},
    {1, 0, "file is larger than the 0-byte limit"},
    {0, 8, "ok"},
    {8, 8, "ok"},
    {9, 8, "file is larger than the 8-byte limit"},
    {4096, 4096, "ok"},
    {4097, 4096, "file is larger than the 4 KiB limit"},
    {8193, 8193, "ok"},
    {65536, 65536, "ok"},
    {65537, 65536, "file is larger than the 64 KiB limit"},
    {200000, 200000, "ok"},
    {200001, 200000, "file is larger than the 200000-byte limit"},
    {200000, 1 << 20, "ok"},
};

TEST(ReadFile, LimitOfARegularFile) {
  TempDir dir;
  for (const auto& c : kLimitCases) {
    const std::string content = letters(c.size);
    const std::string path = dir.write("f", content);
    EXPECT_EQ(outcome(read_file(path, c.limit), content), c.outcome) << c.size << " " << c.limit;
  }
}

TEST(ReadFile, LimitOfAStreamReadInChunks) {
  for (const auto& c : kLimitCases) {
    const std::string content = letters(c.size);
    FedPipe pipe(content);
    EXPECT_EQ(outcome(read_file(pipe.path(), c.limit), content), c.outcome)
        << c.size << " " << c.limit;
  }
}

TEST(ReadFile, EndlessInputsStopAtTheLimit) {
  {
    FedPipe pipe("", true);
    EXPECT_EQ(outcome(read_file(pipe.path(), 300000), ""),
              "file is larger than the 300000-byte limit");
  }
  EXPECT_EQ(outcome(read_file("/dev/zero", 3 * kMiB), ""), "file is larger than the 3 MiB limit");
}

// Growth of the address space's high-water mark (the process's peak resident size) while
// `f` runs, in bytes.
template <class F>
size_t peak_growth(F&& f) {
  rusage before{}, after{};
  getrusage(RUSAGE_SELF, &before);
  f();
  getrusage(RUSAGE_SELF, &after);
  return static_cast<size_t>(after.ru_maxrss - before.ru_maxrss) * 1024;
}

// A stream's bytes are kept in one mapping whose pages move as it grows, never copied: an
// endless stream costs its limit and less than 64 MiB more, in address space at every moment
// and in memory.
TEST(ReadFile, EndlessStreamCostsItsLimitAndLittleMore) {
  const size_t limit = 400 * kMiB;
  size_t mapped = 0;
  const size_t growth = peak_growth([&] {
    mapped = testing::mapped_peak_of([&] {
      EXPECT_EQ(outcome(read_file("/dev/zero", limit), ""),
                "file is larger than the 400 MiB limit");
    });
  });
  EXPECT_LE(mapped, limit + 64 * kMiB);
  EXPECT_GT(mapped, limit);
  if (!testing::kUnderAddressSanitizer) {  // resident sizes mean little under it
    EXPECT_LT(growth, limit + 64 * kMiB);
  }
}

// A stream costs what it has delivered: its mapping holds at most a quarter more than has
// arrived while it is read, and at its end exactly its bytes' pages; nothing is allocated on
// the heap for it. An empty stream or file maps nothing at all.
TEST(ReadFile, AStreamCostsWhatItHasDelivered) {
  TempDir dir;
  for (const size_t size : {size_t{0}, size_t{1}, size_t{4096}, 3 * kMiB + 5}) {
    SCOPED_TRACE(size);
    const std::string content = letters(size);
    const std::string path = dir.write("f", content);
    const size_t pages = (size + 4095) / 4096 * 4096;
    for (const bool stream : {true, false}) {
      std::optional<FedPipe> pipe;
      if (stream) pipe.emplace(content);
      const size_t mapped_before = MappedMemory::bytes_in_use();
      size_t mapped = 0;
      const base::testing::Allocations c = base::testing::allocations_of([&] {
        mapped = testing::mapped_peak_of([&] {
          const auto r = read_file(stream ? pipe->path() : path, 1024 * kMiB);
          EXPECT_EQ(outcome(r, content), "ok");
          if (r) {
            EXPECT_EQ((r->mapped() + 4095) / 4096 * 4096, pages);
            EXPECT_EQ(MappedMemory::bytes_in_use() - mapped_before, r->mapped());
          }
        });
      });
      EXPECT_LE(mapped, stream ? pages + pages / 4 + 4096 : pages + 4096) << stream;
      EXPECT_EQ(c.large_blocks, 0u) << stream;
      EXPECT_EQ(MappedMemory::bytes_in_use(), mapped_before);
    }
  }
}

// No limit at all: a regular file is read whole (its size and the byte past it do not wrap).
TEST(ReadFile, TheLargestLimitReadsAFileWhole) {
  TempDir dir;
  const std::string content = letters(5000);
  EXPECT_EQ(outcome(read_file(dir.write("f", content), SIZE_MAX), content), "ok");
  FedPipe pipe(content);
  EXPECT_EQ(outcome(read_file(pipe.path(), SIZE_MAX), content), "ok");
}

// A regular file that grows between its open and its read: the bytes past the size it had
// are read as a stream's and join the rest, within the limit.
TEST(ReadFile, AFileThatGrowsWhileItIsReadIsReadToItsEnd) {
  TempDir dir;
  const std::string first = letters(1000), more = letters(2 * kMiB);
  for (const size_t limit : {kMiB * 4, kMiB}) {
    const std::string path = dir.write("f", first);
    auto reader = FileReader::open(path, limit);
    ASSERT_TRUE(reader);
    std::ofstream(path, std::ios::binary | std::ios::app) << more;
    const auto r = read_rest(*reader);
    EXPECT_EQ(outcome(r, first + more),
              limit > first.size() + more.size() ? "ok" : "file is larger than the 1 MiB limit");
  }
}

TEST(ReadFile, SparseFileOverTheLimitIsRefusedBeforeAnythingIsAllocated) {
  TempDir dir;
  const std::string path = dir.write("sparse", "");
  ASSERT_EQ(::truncate(path.c_str(), off_t{2} << 30), 0);
  const size_t growth = peak_growth([&] {
    EXPECT_EQ(outcome(read_file(path, 1024 * kMiB), ""), "file is larger than the 1 GiB limit");
    auto reader = FileReader::open(path, 1024 * kMiB);
    ASSERT_FALSE(reader);
    EXPECT_EQ(reader.error().text(), "file is larger than the 1 GiB limit");
  });
  EXPECT_LT(growth, 64 * kMiB);
}

TEST(ReadFile, OperatingSystemErrors) {
  TempDir dir;
  EXPECT_EQ(outcome(read_file(dir.file("missing"), kMiB), ""),
            "No such file or directory (os error 2)");
  EXPECT_EQ(outcome(read_file(dir.path().string(), kMiB), ""), "Is a directory (os error 21)");
}

TEST(ReadError, Texts) {
  const struct {
    size_t limit;
    std::string text;
  } cases[] = {
      {size_t{1} << 30, "file is larger than the 1 GiB limit"},
      {size_t{3} << 30, "file is larger than the 3 GiB limit"},
      {256 * kMiB, "file is larger than the 256 MiB limit"},
      {1536 * 1024, "file is larger than the 1536 KiB limit"},
      {1000, "file is larger than the 1000-byte limit"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadError::too_large(c.limit).text(), c.text);
  EXPECT_EQ(ReadError::os(ENOENT).text(), OsError{ENOENT}.text());
  EXPECT_EQ(ReadError::irregular().text(), "not a regular file");
}


// Everything a reader yields in reads of `chunk` bytes, or the error's text.
std::string read_all(FileReader& reader, size_t chunk, size_t& yielded) {
  std::string buf(chunk, '\0');
  yielded = 0;
  for (;;) {
    auto got = reader.read(buf.data(), buf.size());
    if (!got) return got.error().text();
    if (*got == 0) return "end";
    yielded += *got;
  }
}

TEST(FileReader, YieldsAtMostTheLimit) {
  TempDir dir;
  const std::string content = letters(10000);
  const std::string path = dir.write("f", content);
  const struct {
    bool stream;
    size_t limit;
    std::string outcome;
  } cases[] = {
      {false, 10000, "end"},
      {true, 10000, "end"},
      {true, 9999, "file is larger than the 9999-byte limit"},
      {true, 0, "file is larger than the 0-byte limit"},
  };
  for (const auto& c : cases) {
    std::optional<FedPipe> pipe;
    if (c.stream) pipe.emplace(content);
    auto reader = FileReader::open(c.stream ? pipe->path() : path, c.limit);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->size_hint(), c.stream ? 0 : content.size());
    size_t yielded = 0;
    EXPECT_EQ(read_all(*reader, 4096, yielded), c.outcome) << c.limit;
    EXPECT_LE(yielded, c.limit);
    if (c.outcome == "end") {
      EXPECT_EQ(yielded, content.size());
    }
  }
  auto over = FileReader::open(path, 9999);
  ASSERT_FALSE(over);
  EXPECT_EQ(over.error().text(), "file is larger than the 9999-byte limit");
}

// A reader of regular files only refuses every other kind at once: a named pipe that no
// writer ever opens (a blocking open would wait forever, so the reads run in a child that an
// alarm ends), a device, a directory. A regular file reads as ever.
TEST(ReadFile, RegularOnlyRefusesOtherKindsWithoutWaiting) {
  TempDir dir;
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string regular = dir.write("f", "abc");
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::alarm(20);
    const auto kinds = FileKinds::kRegularOnly;
    bool ok = true;
    for (const std::string& p : {fifo, std::string("/dev/zero"), dir.path().string()}) {
      const auto r = read_file(p, kMiB, kinds);
      ok = ok && !r && r.error().text() == "not a regular file";
      ok = ok && !FileReader::open(p, kMiB, kinds);
    }
    const auto r = read_file(regular, kMiB, kinds);
    ok = ok && r && r->text() == "abc";
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status)) << "the reads did not end (signal " << WTERMSIG(status) << ")";
  EXPECT_EQ(WEXITSTATUS(status), 0);
  auto reader = FileReader::open(regular, kMiB, FileKinds::kRegularOnly);
  ASSERT_TRUE(reader);
  EXPECT_TRUE(reader->is_regular());
  size_t yielded = 0;
  EXPECT_EQ(read_all(*reader, 2, yielded), "end");
  EXPECT_EQ(yielded, 3u);
  // A second pass yields the file again, its limit counted afresh.
  auto limited = FileReader::open(regular, 3);
  ASSERT_TRUE(limited);
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_EQ(read_all(*limited, 2, yielded), "end") << pass;
    EXPECT_EQ(yielded, 3u);
    ASSERT_TRUE(limited->rewind());
  }
}

}  // namespace
}  // namespace kovra::verifier::platform
