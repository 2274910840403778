#include "verifier/funding.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "verifier/input_limits.h"

#include "test_files.h"

namespace kovra::verifier {
namespace {

// A funding file: a header, then `rows` rows "t0 + 8h*i, rate0 + i".
std::string funding_file(int rows, int64_t t0 = 1700000000, int64_t rate0 = -25) {
  std::string s = "timestamp,rate\n";
  for (int i = 0; i < rows; ++i) {
    s += std::to_string(t0 + 28800 * i) + "," + std::to_string(rate0 + i) + "\n";
  }
  return s;
}

std::vector<int64_t> column(int rows, int64_t start, int64_t step, int first = 0) {
  std::vector<int64_t> v;
  for (int i = first; i < rows; ++i) v.push_back(start + step * i);
  return v;
}

TEST(FundingCsv, RowRules) {
  const auto rows = parse_funding_csv(
      "header,with,fields\n"
      "1700000000, -25\n"       // white space trimmed
      "1700000001,0.0001\n"     // not an integer: skipped
      "1700000002,+7,extra\n"   // third field ignored
      "no comma\n"              // skipped
      " 1700000003 ,\t8\r\n"    // CRLF, tabs
      "x,1\n"
      "9223372036854775808,1\n"  // out of range
      "-9223372036854775808,-1");
  EXPECT_EQ(rows.timestamps,
            (std::vector<int64_t>{1700000000, 1700000002, 1700000003, INT64_MIN}));
  EXPECT_EQ(rows.rates, (std::vector<int64_t>{-25, 7, 8, -1}));
  // No header: the first row is lost.
  EXPECT_EQ(parse_funding_csv("1,2\n3,4\n").timestamps, std::vector<int64_t>{3});
}

TEST(FundingCsv, CsvExtension) {
  for (const char* yes : {"eth.csv", "a.b.csv", "..csv", "x.csv"}) EXPECT_TRUE(has_csv_extension(yes)) << yes;
  for (const char* no : {"eth.CSV", ".csv", "eth.csv.bak", "csv", "ethcsv", "eth."}) {
    EXPECT_FALSE(has_csv_extension(no)) << no;
  }
}

TEST(FundingDir, MissingOrEmptyGivesEmptyLists) {
  testing::TempDir dir;
  EXPECT_EQ(load_funding_dir(dir.file("missing")), core::FundingSeries{});
  EXPECT_EQ(load_funding_dir(""), core::FundingSeries{});
  dir.write("notes.txt", funding_file(60));
  dir.write("eth.CSV", funding_file(60));
  EXPECT_EQ(load_funding_dir(dir.path().string()), core::FundingSeries{});
  // A path that is a file, not a directory.
  EXPECT_EQ(load_funding_dir(dir.file("notes.txt")), core::FundingSeries{});
}

TEST(FundingDir, FilesNeedFiftyRows) {
  testing::TempDir dir;
  dir.write("a.csv", funding_file(49));
  EXPECT_EQ(load_funding_dir(dir.path().string()), core::FundingSeries{});
  dir.write("b.csv", funding_file(50));
  const auto f = load_funding_dir(dir.path().string());
  EXPECT_EQ(f.timestamps, column(50, 1700000000, 28800));
  ASSERT_EQ(f.rates.size(), 1u);
  EXPECT_EQ(f.rates[0], column(50, -25, 1));
}

TEST(FundingDir, KeepsTheLastRowsOfTheShortestAndSortsByName) {
  testing::TempDir dir;
  // b.csv: 60 rows; A.csv and a.csv: 55 rows ending at the same time as b.csv's last row.
  dir.write("b.csv", funding_file(60, 1700000000, 0));
  dir.write("a.csv", funding_file(55, 1700000000 + 5 * 28800, 100));
  dir.write("A.csv", funding_file(55, 1700000000 + 5 * 28800, 200));
  dir.write("sub.csv/inner.csv", funding_file(60));  // a directory named *.csv yields no rows
  dir.write("bad.csv", "t,r\n" + std::string("\xff", 1) + funding_file(60));  // not UTF-8
  const auto f = load_funding_dir(dir.path().string() + "/");  // a trailing slash is fine
  EXPECT_EQ(f.timestamps, column(60, 1700000000, 28800, 5));
  ASSERT_EQ(f.rates.size(), 3u);
  EXPECT_EQ(f.rates[0], column(55, 200, 1));  // A.csv
  EXPECT_EQ(f.rates[1], column(55, 100, 1));  // a.csv
  EXPECT_EQ(f.rates[2], column(60, 0, 1, 5));  // b.csv, first five rows dropped
}

TEST(FundingDir, DisagreeingTimestampsGiveEmptyLists) {
  testing::TempDir dir;
  dir.write("a.csv", funding_file(55));
  std::string other = funding_file(55);
  other.replace(other.find("1700028800"), 10, "1700028801");  // one entry differs
  dir.write("b.csv", other);
  EXPECT_EQ(load_funding_dir(dir.path().string()), core::FundingSeries{});
}

// Only regular files are read: a named pipe that no writer ever opens and a device are
// skipped like unreadable files. Were the pipe opened as other files are, the load would wait
// for its writer forever; it runs in a child that an alarm ends, so the test cannot hang.
TEST(FundingDir, EntriesThatAreNotRegularFilesAreSkippedWithoutWaiting) {
  testing::TempDir dir;
  dir.write("b.csv", funding_file(60));
  ASSERT_EQ(::mkfifo(dir.file("a.csv").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", dir.file("c.csv"));
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::alarm(20);
    const auto f = load_funding_dir(dir.path().string());
    const bool ok = f.rates.size() == 1 && f.timestamps == column(60, 1700000000, 28800);
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status)) << "the load did not end (signal " << WTERMSIG(status) << ")";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// The files read may hold kFundingDirLimit bytes together. A directory past it holds no
// funding data, however good its other files; a file past its own limit is never read and
// does not count. Sparse files stand in for the large ones (their size is refused before
// anything is read).
TEST(FundingDir, FilesPastTheDirectoryLimitTogetherGiveEmptyLists) {
  static_assert(kFundingDirLimit <= kFundingCsvLimit);
  testing::TempDir dir;
  dir.write("a.csv", funding_file(60));
  const std::string big = dir.write("b.csv", "");
  const auto expect_kept = [&](bool kept) {
    const auto f = load_funding_dir(dir.path().string());
    EXPECT_EQ(f.rates.size(), kept ? 1u : 0u);
    EXPECT_EQ(f.timestamps, kept ? column(60, 1700000000, 28800) : std::vector<int64_t>{});
  };
  // a.csv and the whole limit once more: past it together.
  ASSERT_EQ(::truncate(big.c_str(), static_cast<off_t>(kFundingDirLimit)), 0);
  expect_kept(false);
  // Past its own limit: b.csv is dropped and a.csv stands alone.
  ASSERT_EQ(::truncate(big.c_str(), static_cast<off_t>(kFundingCsvLimit + 1)), 0);
  expect_kept(true);
}

}  // namespace
}  // namespace kovra::verifier
