// Peak memory of the verifier against the size of a hostile input (target: a small multiple
// of the file at its limit: at most 4x for a bundle, 8x for a price or funding CSV and for a
// JSON side file; a stream refused at its limit within that limit plus 64 MiB).
//
// Each benchmark writes one crafted file into a temporary directory, runs the built
// `verifier` on it as a child process (fork and exec) and takes the child's peak resident
// set from wait4. Counters: file_bytes, peak_rss_bytes, ratio (peak over file size) and
// growth_ratio (peak less the program's own, measured on the shipped example, over file size). The
// bench process writes its files in small chunks, so that the child's peak is its own (a
// forked child starts from its parent's resident set).
//
//   BM_BundleOfFakeAssumptionReceipts/MB   a credential bundle of MB megabytes whose chained
//       receipt holds one segment and as many fake assumption receipts (40 bytes each, the
//       smallest record of the receipt model) as fill it
//   BM_BundleIssuerFillsIt/MB              a credential bundle of MB megabytes whose issuer
//       text of control characters fills it
//   BM_VextSurvivorList/MB                 a validation-ext bundle of MB megabytes whose journal
//       is one long survivor list, with --vext
//   BM_EndlessStream/role                  /dev/zero as the bundle (0), the --chain parent (1),
//       the --aux file (2) and a price CSV (3), each refused at its limit
//   BM_AuxPartsUndeclaredArray/MB          {"padding":[0,0,...]} of MB megabytes, an array
//       under a key the aux-parts record does not declare, passed with --aux to the shipped
//       example data/credential.bundle data/prices.csv
//
// The price CSVs run in the default mode with a disclosing credential (its journal carries a
// regime panel), so that the regime labels are computed over every bar: the costliest path.
//
//   BM_PriceCsvShortestRows/MB             rows ",1" (3 bytes, the shortest a bar can be);
//       past 2^24 bars (50.3 MB) the file is refused with status 2
//   BM_PriceCsvEndlessStream               rows ",1" without end into a named pipe, fed by a
//       child writer; its bars let go at the bar limit, it is read on and refused at the 256 MiB
//       file limit (file_bytes)
//   BM_PriceCsvStreamOfShortestRows/bars   that many rows ",1" into a named pipe, then its end:
//       the bars are read and labelled as from a file (2^24 is the bar limit)
//   BM_PriceCsvRealisticRows/MB            OHLC rows of 47 bytes
//
// The funding directory is read in the default mode with --carry (any bundle will do):
//
//   BM_FundingShortestRows/MB              one file of rows "1,1" (4 bytes, the shortest)
//   BM_FundingRealisticRows/MB             one file of rows "1700000000000,125"
//   BM_FundingDirOfFourFiles/MB            four files of shortest rows, MB in all: at the
//       directory's 256 MiB limit, and past it (then the directory holds no funding data)
//   BM_FundingDirPastItsTotal              a file of shortest rows a byte short of the 256 MiB
//       total and a second one of two bytes: past the total, so no funding data
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "kovra-core/testing/bundle_writer.h"
#include "kovra-core/testing/journal_samples.h"
#include "kovra-core/testing/journal_writer.h"
#include "receipts/testing/receipt_writer.h"
#include "verifier/input_limits.h"

namespace {

namespace fs = std::filesystem;
namespace rt = kovra::receipts::testing;
using kovra::base::testing::BincodeWriter;

constexpr uint64_t kMegabyte = 1'000'000;

// A fresh directory under the system's temporary directory, removed with the object.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "kovra-peak-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  bool ok() const { return !path_.empty(); }
  fs::path file(const char* name) const { return path_ / name; }

 private:
  fs::path path_;
};

// Writes `head`, then `unit` `count` times, then `tail`, a few thousand units per write.
bool write_repeated(const fs::path& path, const std::vector<uint8_t>& head,
                    const std::vector<uint8_t>& unit, uint64_t count,
                    const std::vector<uint8_t>& tail) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  std::vector<uint8_t> chunk;
  const uint64_t per_chunk = std::max<uint64_t>(1, (64 * 1024) / unit.size());
  for (uint64_t i = 0; i < per_chunk; ++i) chunk.insert(chunk.end(), unit.begin(), unit.end());
  bool ok = std::fwrite(head.data(), 1, head.size(), f) == head.size();
  for (uint64_t left = count; ok && left > 0;) {
    const uint64_t n = std::min(left, per_chunk);
    ok = std::fwrite(chunk.data(), unit.size(), n, f) == n;
    left -= n;
  }
  ok = ok && std::fwrite(tail.data(), 1, tail.size(), f) == tail.size();
  return std::fclose(f) == 0 && ok;
}

// A credential bundle of about `bytes` bytes: the sample core, a chained receipt of one
// segment (its claim in value form) and fake assumption receipts up to the size.
bool write_fake_assumption_bundle(const fs::path& path, uint64_t bytes) {
  kovra::core::CredentialBundle b = kovra::core::testing::sample_credential_bundle(false);
  kovra::receipts::ChainedReceipt chain;
  kovra::receipts::Rv32imReceipt segment;
  segment.seal = {1, 2, 3};
  segment.hash_name = "poseidon2";
  segment.claim = rt::sample_claim(b.receipt.journal);
  chain.segments.push_back(segment);
  chain.params_digest = rt::sample_digest(4);

  // The chain without assumption receipts ends in their count (0, a u64) and the params
  // digest: the repeated receipts go between a new count and that digest.
  BincodeWriter chain_bytes;
  rt::write_chained(chain_bytes, chain);
  const std::vector<uint8_t>& c = chain_bytes.bytes();
  BincodeWriter unit;
  rt::write_assumption_receipt(
      unit, kovra::receipts::AssumptionReceipt{kovra::receipts::FakeReceipt{
                kovra::receipts::Prunable<kovra::receipts::ReceiptClaim>::pruned(
                    rt::sample_digest(9))}});
  BincodeWriter head;
  kovra::core::testing::write_credential_core(head, b.core);
  head.array32(b.digest).u32(0).raw(std::span(c).first(c.size() - 40));
  BincodeWriter tail;
  tail.digest(chain.params_digest).byte_string(b.receipt.journal).digest(b.receipt.params_digest);

  const uint64_t fixed = head.bytes().size() + 8 + tail.bytes().size();
  const uint64_t count = bytes > fixed ? (bytes - fixed) / unit.bytes().size() : 0;
  head.u64(count);
  return write_repeated(path, head.bytes(), unit.bytes(), count, tail.bytes());
}

// A credential bundle of about `bytes` bytes whose issuer text fills it: the sample core
// with an issuer of control characters (each escaped to five characters when the issuer is
// printed), its stored digest (which no longer matches) and its fake receipt.
bool write_issuer_bundle(const fs::path& path, uint64_t bytes) {
  const kovra::core::CredentialBundle b = kovra::core::testing::sample_credential_bundle(false);
  kovra::core::CredentialBundle empty = b;
  empty.core.issuer.clear();
  const std::vector<uint8_t> whole = kovra::core::testing::credential_bundle_bytes(empty);
  // The issuer is the text after the core's first u32: its u64 length, then its bytes.
  const uint64_t count = bytes > whole.size() ? bytes - whole.size() : 0;
  BincodeWriter head;
  head.raw(std::span(whole).first(4)).u64(count);
  const std::vector<uint8_t> tail(whole.begin() + 12, whole.end());
  return write_repeated(path, head.bytes(), {0x01}, count, tail);
}

// A validation-ext credential bundle of about `bytes` bytes whose journal is one long
// Romano-Wolf survivor list (4 bytes a survivor), read with --vext: the journal is decoded,
// its list printed, its checks failed. The bundle is built whole here and freed before the
// child starts, so the child's peak is its own.
bool write_survivor_bundle(const fs::path& path, uint64_t bytes) {
  std::vector<uint8_t> file;
  {
    kovra::core::ValidationExtGuestJournal j = kovra::core::testing::sample_vext_journal();
    j.stats->romano_wolf_survivors.assign(bytes / 4, 7);
    kovra::core::CredentialBundle b = kovra::core::testing::sample_credential_bundle(
        true, kovra::core::testing::journal_bytes(j));
    file = kovra::core::testing::credential_bundle_bytes(b);
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
  return std::fclose(f) == 0 && ok;
}

// {"padding":[0,0,...,0]} of about `bytes` bytes.
bool write_undeclared_array(const fs::path& path, uint64_t bytes) {
  const std::string open = "{\"padding\":[0";
  const std::string close = "]}";
  const uint64_t fixed = open.size() + close.size();
  const uint64_t count = bytes > fixed ? (bytes - fixed) / 2 : 0;
  return write_repeated(path, {open.begin(), open.end()}, {',', '0'}, count,
                        {close.begin(), close.end()});
}

struct ChildRun {
  bool exited = false;
  int status = -1;
  long peak_rss_bytes = 0;
};

// Runs the verifier with `args`, its standard output into `out`, standard error discarded.
ChildRun run_verifier(const std::vector<std::string>& args, const fs::path& out) {
  std::vector<std::string> argv_text = {KOVRA_VERIFIER_BINARY};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argv_text) argv.push_back(a.data());
  argv.push_back(nullptr);
  ChildRun run;
  const pid_t pid = fork();
  if (pid < 0) return run;
  if (pid == 0) {
    const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int e = open("/dev/null", O_WRONLY);
    if (o < 0 || e < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0) _exit(127);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return run;
  run.exited = WIFEXITED(status);
  run.status = run.exited ? WEXITSTATUS(status) : -1;
  run.peak_rss_bytes = usage.ru_maxrss * 1024L;  // kilobytes on Linux
  return run;
}

// The first megabyte of a run's standard output: every line the rows look for comes early,
// and a printed issuer can run to gigabytes.
std::string read_head(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string head(size_t{1} << 20, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(in.gcount()));
  return head;
}

// The peak of a run on the shipped example alone: what the program takes whatever its input.
int64_t baseline_rss_bytes(const TempDir& dir) {
  static const int64_t baseline =
      run_verifier({KOVRA_SOURCE_DIR "/data/credential.bundle", KOVRA_SOURCE_DIR "/data/prices.csv"},
                   dir.file("baseline-out"))
          .peak_rss_bytes;
  return baseline;
}

// Runs the verifier once with `args` and reports the counters, over an input of `file_bytes`,
// when `expected` holds for the run and its standard output.
template <class Expected>
void measure_run(benchmark::State& state, std::vector<std::string> args, double file_bytes,
                 const TempDir& dir, Expected expected, const char* unexpected) {
  ChildRun run;
  for (auto _ : state) run = run_verifier(args, dir.file("out"));
  if (!run.exited || !expected(run, read_head(dir.file("out")))) {
    state.SkipWithError(unexpected);
    return;
  }
  state.counters["file_bytes"] = file_bytes;
  state.counters["peak_rss_bytes"] = static_cast<double>(run.peak_rss_bytes);
  state.counters["ratio"] = static_cast<double>(run.peak_rss_bytes) / file_bytes;
  state.counters["growth_ratio"] =
      static_cast<double>(run.peak_rss_bytes - baseline_rss_bytes(dir)) / file_bytes;
}

// Writes the input of `bytes` bytes with `write`, then measures as above.
template <class Expected>
void measure(benchmark::State& state, bool (*write)(const fs::path&, uint64_t),
             std::vector<std::string> args, const fs::path& input, const TempDir& dir,
             Expected expected, const char* unexpected) {
  if (!dir.ok() || !write(input, static_cast<uint64_t>(state.range(0)) * kMegabyte)) {
    state.SkipWithError("cannot write the crafted input");
    return;
  }
  measure_run(state, std::move(args), static_cast<double>(fs::file_size(input)), dir, expected,
              unexpected);
}

void BM_BundleOfFakeAssumptionReceipts(benchmark::State& state) {
  const TempDir dir;
  const fs::path bundle = dir.file("assumptions.bundle");
  // The bundle decodes, and its receipt then fails (status 1): a status 2 would mean it
  // was refused before its receipts were built.
  measure(
      state, write_fake_assumption_bundle, {bundle.string(), KOVRA_SOURCE_DIR "/data/prices.csv"},
      bundle, dir, [](const ChildRun& run, const std::string&) { return run.status == 1; },
      "the verifier did not decode the crafted bundle and fail its receipt");
}
BENCHMARK(BM_BundleOfFakeAssumptionReceipts)
    ->Arg(10)->Arg(30)->Arg(100)
    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BundleIssuerFillsIt(benchmark::State& state) {
  const TempDir dir;
  const fs::path bundle = dir.file("issuer.bundle");
  // The bundle decodes, its issuer is printed, and its checks fail (status 1).
  measure(
      state, write_issuer_bundle, {bundle.string(), KOVRA_SOURCE_DIR "/data/prices.csv"},
      bundle, dir,
      [](const ChildRun& run, const std::string& out) {
        return run.status == 1 && out.find("  Issuer        : \\u{1}\\u{1}") != std::string::npos;
      },
      "the verifier did not decode the crafted bundle and print its issuer");
}
BENCHMARK(BM_BundleIssuerFillsIt)
    ->Arg(100)->Arg(300)->Arg(1000)  // megabytes, the last just under the 1 GiB limit
    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// An endless stream (/dev/zero) in each role that reads one: the bundle and a --chain parent
// (1 GiB limit), an --aux file (16 MiB) and a price CSV (256 MiB, one line that never ends).
// Each is refused at its limit; file_bytes is the limit.
void BM_EndlessStream(benchmark::State& state) {
  const TempDir dir;
  const std::string bundle = KOVRA_SOURCE_DIR "/data/credential.bundle";
  const std::string prices = KOVRA_SOURCE_DIR "/data/prices.csv";
  struct Role {
    std::vector<std::string> args;
    double limit;
    const char* expected;  // in standard output; none: status 2
  };
  const Role roles[] = {
      {{"/dev/zero", prices}, 1024.0 * 1024 * 1024, nullptr},
      {{bundle, prices, "--chain", "/dev/zero"}, 1024.0 * 1024 * 1024,
       "parent bundle unreadable (/dev/zero)"},
      {{bundle, prices, "--aux", "/dev/zero"}, 16.0 * 1024 * 1024,
       "aux binding: --aux <parts.json> unreadable / malformed"},
      {{bundle, "/dev/zero"}, 256.0 * 1024 * 1024, nullptr},  // one line without end
  };
  const Role& role = roles[state.range(0)];
  measure_run(
      state, role.args, role.limit, dir,
      [&](const ChildRun& run, const std::string& out) {
        return role.expected ? out.find(role.expected) != std::string::npos : run.status == 2;
      },
      "the verifier did not refuse the endless stream at its limit");
}
BENCHMARK(BM_EndlessStream)
    ->ArgName("role")->Arg(0)->Arg(1)->Arg(2)->Arg(3)  // bundle, --chain parent, --aux, CSV
    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_VextSurvivorList(benchmark::State& state) {
  const TempDir dir;
  const fs::path bundle = dir.file("survivors.bundle");
  measure(
      state, write_survivor_bundle,
      {bundle.string(), KOVRA_SOURCE_DIR "/data/prices.csv", "--vext"}, bundle, dir,
      [](const ChildRun& run, const std::string& out) {
        return run.status == 1 && out.find("7, 7, 7") != std::string::npos;
      },
      "the verifier did not decode the crafted journal and print its survivors");
}
BENCHMARK(BM_VextSurvivorList)
    ->Arg(100)->Arg(300)
    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AuxPartsUndeclaredArray(benchmark::State& state) {
  const TempDir dir;
  const fs::path aux = dir.file("parts.json");
  // The file is read as an aux-parts record (its undeclared key skipped) and binds.
  measure(
      state, write_undeclared_array,
      {KOVRA_SOURCE_DIR "/data/credential.bundle", KOVRA_SOURCE_DIR "/data/prices.csv", "--aux",
       aux.string()},
      aux, dir,
      [](const ChildRun&, const std::string& out) {
        return out.find("[✓] aux binding: sealed commitment") != std::string::npos;
      },
      "the verifier did not accept the aux-parts file");
}
BENCHMARK(BM_AuxPartsUndeclaredArray)
    ->Arg(2)->Arg(8)->Arg(16)  // megabytes, the last just under the side files' 16 MiB limit
    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A header line, then `row` (with its "\n") as often as fits in `bytes`.
bool write_rows(const fs::path& path, uint64_t bytes, const std::string& header,
                const std::string& row) {
  const uint64_t count = bytes > header.size() ? (bytes - header.size()) / row.size() : 0;
  return write_repeated(path, {header.begin(), header.end()}, {row.begin(), row.end()}, count,
                        {});
}

constexpr const char* kShortestBar = ",1\n";
constexpr const char* kRealisticBar = "1700000000,42000.12,42100.50,41900.25,42050.75\n";
constexpr const char* kShortestFunding = "1,1\n";
constexpr const char* kRealisticFunding = "1700000000000,125\n";

bool write_shortest_bars(const fs::path& path, uint64_t bytes) {
  return write_rows(path, bytes, "t,c\n", kShortestBar);
}
bool write_realistic_bars(const fs::path& path, uint64_t bytes) {
  return write_rows(path, bytes, "time,open,high,low,close\n", kRealisticBar);
}

// The sample credential with every optional member (a regime panel among them), and a fake
// receipt: the run goes on to the regime check whatever the data.
bool write_disclosing_bundle(const fs::path& path) {
  const std::vector<uint8_t> bytes = kovra::core::testing::credential_bundle_bytes(
      kovra::core::testing::sample_credential_bundle(true));
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

constexpr const char* kRegimeLine = "regime bar counts re-derived";

// The bars are read and labelled, or (past the bar limit) the file is refused with status 2.
auto expect_regimes_or_refusal(uint64_t bars) {
  return [bars](const ChildRun& run, const std::string& out) {
    if (bars > kovra::verifier::kPriceCsvBarLimit) return run.status == 2;
    return out.find(kRegimeLine) != std::string::npos;
  };
}

void price_csv_rows(benchmark::State& state, bool (*write)(const fs::path&, uint64_t),
                    const char* row) {
  const TempDir dir;
  const fs::path bundle = dir.file("disclosing.bundle");
  const fs::path csv = dir.file("prices.csv");
  if (!dir.ok() || !write_disclosing_bundle(bundle)) {
    state.SkipWithError("cannot write the bundle");
    return;
  }
  const uint64_t bars = static_cast<uint64_t>(state.range(0)) * kMegabyte / std::strlen(row);
  measure(state, write, {bundle.string(), csv.string()}, csv, dir,
          expect_regimes_or_refusal(bars),
          "the verifier neither labelled the bars nor refused the file past the bar limit");
}

void BM_PriceCsvShortestRows(benchmark::State& state) {
  price_csv_rows(state, write_shortest_bars, kShortestBar);
}
BENCHMARK(BM_PriceCsvShortestRows)
    ->Arg(8)->Arg(32)->Arg(50)  // megabytes: 2.7, 10.7 and 16.7 million bars
    ->Arg(51)->Arg(128)->Arg(268)  // past the 2^24-bar limit; the last just under 256 MiB
    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PriceCsvRealisticRows(benchmark::State& state) {
  price_csv_rows(state, write_realistic_bars, kRealisticBar);
}
BENCHMARK(BM_PriceCsvRealisticRows)
    ->Arg(16)->Arg(64)->Arg(128)->Arg(268)
    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A child process that writes a header and then `row` into the named pipe, `count` times and
// then the end, or (count 0) without end until its reader goes away.
pid_t start_writer(const fs::path& fifo, const std::string& row, uint64_t count) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  signal(SIGPIPE, SIG_DFL);
  const int fd = open(fifo.c_str(), O_WRONLY);
  if (fd < 0) _exit(1);
  std::string chunk = "t,c\n";
  if (write(fd, chunk.data(), chunk.size()) < 0) _exit(0);
  chunk.clear();
  uint64_t per_chunk = 0;
  for (; chunk.size() < 60000; ++per_chunk) chunk += row;
  for (uint64_t written = 0; count == 0 || written < count;) {
    const uint64_t n = count == 0 ? per_chunk : std::min(count - written, per_chunk);
    const size_t bytes = static_cast<size_t>(n) * row.size();
    for (size_t at = 0; at < bytes;) {
      const ssize_t put = write(fd, chunk.data() + at, bytes - at);
      if (put < 0) _exit(0);
      at += static_cast<size_t>(put);
    }
    written += n;
  }
  _exit(0);
}

// Price rows into a named pipe for the disclosing credential, as `price_csv_rows` measures a
// file; `count` rows, or (0) without end.
void price_csv_stream(benchmark::State& state, uint64_t count, double file_bytes,
                      const char* unexpected) {
  const TempDir dir;
  const fs::path bundle = dir.file("disclosing.bundle");
  const fs::path fifo = dir.file("stream.csv");
  if (!dir.ok() || !write_disclosing_bundle(bundle) || mkfifo(fifo.c_str(), 0600) != 0) {
    state.SkipWithError("cannot write the bundle or make the pipe");
    return;
  }
  const pid_t writer = start_writer(fifo, kShortestBar, count);
  if (writer < 0) {
    state.SkipWithError("cannot start the writer");
    return;
  }
  const uint64_t bars = count == 0 ? kovra::verifier::kPriceCsvBarLimit + 1 : count;
  measure_run(state, {bundle.string(), fifo.string()}, file_bytes, dir,
              expect_regimes_or_refusal(bars), unexpected);
  kill(writer, SIGKILL);
  waitpid(writer, nullptr, 0);
}

void BM_PriceCsvEndlessStream(benchmark::State& state) {
  price_csv_stream(state, 0, kovra::verifier::kPriceCsvLimit,
                   "the verifier did not refuse the endless stream");
}
BENCHMARK(BM_PriceCsvEndlessStream)
    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PriceCsvStreamOfShortestRows(benchmark::State& state) {
  const auto bars = static_cast<uint64_t>(state.range(0));
  price_csv_stream(state, bars, 4.0 + 3.0 * static_cast<double>(bars),
                   "the verifier did not label the streamed bars");
}
BENCHMARK(BM_PriceCsvStreamOfShortestRows)
    ->Arg(1 << 20)->Arg(1 << 24)  // bars: the last at the bar limit
    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// `files` funding files "f0.csv"... in `dir`, `bytes` in all, of `row`; their total size.
uint64_t write_funding_dir(const fs::path& dir, uint64_t bytes, int files, const char* row) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  uint64_t total = 0;
  for (int i = 0; i < files; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "f%d.csv", i);
    const fs::path f = dir / name;
    if (!write_rows(f, bytes / static_cast<uint64_t>(files), "timestamp,rate\n", row)) return 0;
    total += fs::file_size(f);
  }
  return total;
}

// The default mode with --carry over the funding directory `funding` of `total` bytes.
void measure_carry_run(benchmark::State& state, const fs::path& funding, uint64_t total,
                       const TempDir& dir) {
  measure_run(
      state,
      {KOVRA_SOURCE_DIR "/data/credential.bundle", "--carry", "--funding-dir", funding.string()},
      static_cast<double>(total), dir,
      [](const ChildRun&, const std::string& out) {
        return out.find("carry funding root recomputed") != std::string::npos;
      },
      "the verifier did not reach the carry root");
}

void funding_rows(benchmark::State& state, int files, const char* row) {
  const TempDir dir;
  const fs::path funding = dir.file("funding");
  const uint64_t bytes = static_cast<uint64_t>(state.range(0)) * kMegabyte;
  const uint64_t total = dir.ok() ? write_funding_dir(funding, bytes, files, row) : 0;
  if (total == 0) {
    state.SkipWithError("cannot write the funding files");
    return;
  }
  measure_carry_run(state, funding, total, dir);
}

void BM_FundingShortestRows(benchmark::State& state) { funding_rows(state, 1, kShortestFunding); }
BENCHMARK(BM_FundingShortestRows)
    ->Arg(16)->Arg(64)->Arg(128)->Arg(268)  // megabytes, the last just under 256 MiB
    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FundingRealisticRows(benchmark::State& state) {
  funding_rows(state, 1, kRealisticFunding);
}
BENCHMARK(BM_FundingRealisticRows)
    ->Arg(16)->Arg(64)->Arg(268)
    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FundingDirOfFourFiles(benchmark::State& state) {
  funding_rows(state, 4, kShortestFunding);
}
BENCHMARK(BM_FundingDirOfFourFiles)
    ->Arg(268)->Arg(400)  // megabytes in all: at the directory's limit, and past it
    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FundingDirPastItsTotal(benchmark::State& state) {
  const TempDir dir;
  const fs::path funding = dir.file("funding");
  std::error_code ec;
  fs::create_directories(funding, ec);
  const bool written =
      dir.ok() && write_rows(funding / "a.csv", uint64_t{256} << 20, "timestamp,rate\n",
                             kShortestFunding) &&
      write_rows(funding / "b.csv", 2, "t\n", kShortestFunding);
  if (!written) {
    state.SkipWithError("cannot write the funding files");
    return;
  }
  const uint64_t total = fs::file_size(funding / "a.csv") + fs::file_size(funding / "b.csv");
  measure_carry_run(state, funding, total, dir);
}
BENCHMARK(BM_FundingDirPastItsTotal)
    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
