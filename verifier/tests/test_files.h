// Scratch files for the verifier tests: a fresh directory per test, removed afterwards.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace kovra::verifier::testing {

class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kovra-cli-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) std::abort();
    path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string file(std::string_view name) const { return (path_ / name).string(); }

  // Writes `bytes` to `name` (creating parent folders) and returns its path.
  std::string write(std::string_view name, std::string_view bytes) const {
    const auto p = path_ / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return p.string();
  }

 private:
  std::filesystem::path path_;
};

// Runs the enclosing scope with `dir` as the working directory.
class ScopedCwd {
 public:
  explicit ScopedCwd(const std::filesystem::path& dir) : saved_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~ScopedCwd() { std::filesystem::current_path(saved_); }

 private:
  std::filesystem::path saved_;
};

}  // namespace kovra::verifier::testing
