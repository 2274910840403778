// Seed corpora of the fuzz targets, written by each fuzz folder's seed writer.
//
// A seed writer (fuzz/seeds.cpp) is run with one directory; it writes the seeds of every
// target of its folder into <dir>/<target>/, one file per seed, emptying that directory first.
// Seeds are made by the test writers at build or test time and never committed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kovra::fuzz {

class SeedCorpus {
 public:
  explicit SeedCorpus(std::filesystem::path root) : root_(std::move(root)) {}

  // The seeds added next are the named target's (its directory is emptied).
  void target(std::string_view name);
  void add(std::string_view name, std::span<const uint8_t> bytes);
  void add(std::string_view name, std::string_view text);

  bool ok() const { return ok_; }

 private:
  std::filesystem::path root_;
  std::filesystem::path dir_;
  bool ok_ = true;
};

// The whole seed writer: `<program> <dir>`; calls write and returns the exit status (0 when
// every seed was written).
int seed_main(int argc, char** argv, const std::function<void(SeedCorpus&)>& write);

}  // namespace kovra::fuzz
