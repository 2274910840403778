#include "fuzz/seed_corpus.h"

#include <cstdio>
#include <fstream>

namespace kovra::fuzz {

void SeedCorpus::target(std::string_view name) {
  dir_ = root_ / name;
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
  std::filesystem::create_directories(dir_, ec);
  if (ec) {
    std::fprintf(stderr, "cannot make %s: %s\n", dir_.c_str(), ec.message().c_str());
    ok_ = false;
  }
}

void SeedCorpus::add(std::string_view name, std::span<const uint8_t> bytes) {
  add(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void SeedCorpus::add(std::string_view name, std::string_view text) {
  const auto path = dir_ / name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "cannot write seed %s\n", path.c_str());
    ok_ = false;
  }
}

int seed_main(int argc, char** argv, const std::function<void(SeedCorpus&)>& write) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus-dir>\n", argc > 0 ? argv[0] : "seeds");
    return 2;
  }
  SeedCorpus corpus(argv[1]);
  write(corpus);
  return corpus.ok() ? 0 : 1;
}

}  // namespace kovra::fuzz
