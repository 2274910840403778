// The program's thin layer over the operating system (POSIX).
//
// Everything the verifier asks of the platform goes through here: the argument list, named
// environment variables, whole-file reads, the existence of a file, directory listings,
// whether standard output is a terminal, the operating system's error texts, a monotonic
// clock and process exit. Nothing here prints or decides; callers own the messages.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace kovra::verifier::platform {

// The process arguments, program name first, each as the bytes it was given.
std::vector<std::string> arguments(int argc, char** argv);

// The value of a named environment variable as its raw bytes; nullopt when unset.
std::optional<std::string> environment_variable(const std::string& name);

// An operating-system error: its number and its text, in the form
// "No such file or directory (os error 2)".
struct OsError {
  int code = 0;
  std::string text() const;
};

// Reads the whole file at `path`. Opening or reading a directory fails (EISDIR).
base::Result<std::string, OsError> read_file(const std::string& path);

// A file open for reading front to back, for loaders that parse as they read.
class FileReader {
 public:
  static base::Result<FileReader, OsError> open(const std::string& path);
  FileReader(FileReader&& other) noexcept : fd_(other.fd_), size_(other.size_) { other.fd_ = -1; }
  FileReader& operator=(FileReader&&) = delete;
  FileReader(const FileReader&) = delete;
  ~FileReader();

  // Up to `n` bytes into `out`; 0 at the end of the file.
  base::Result<size_t, OsError> read(char* out, size_t n);

  // The size of a regular file when it was opened (0 for anything else).
  size_t size_hint() const { return size_; }

 private:
  FileReader(int fd, size_t size) : fd_(fd), size_(size) {}
  int fd_ = -1;
  size_t size_ = 0;
};

// True when `path` names something that exists (any kind of file).
bool file_exists(const std::string& path);

// An open directory listing; yields entry names other than "." and "..". A failure to open
// gives an empty listing; an error in the middle ends it.
class DirectoryListing {
 public:
  explicit DirectoryListing(const std::string& path);
  ~DirectoryListing();
  DirectoryListing(const DirectoryListing&) = delete;
  DirectoryListing& operator=(const DirectoryListing&) = delete;

  std::optional<std::string> next_name();

 private:
  void* dir_ = nullptr;
};

// True when standard output is a terminal.
bool stdout_is_terminal();

using Clock = std::chrono::steady_clock;

// Writes all of `bytes` to standard output or standard error (through the C streams).
void write_stdout(std::string_view bytes);
void write_stderr(std::string_view bytes);

// Flushes standard output and standard error and ends the process with `status`.
[[noreturn]] void exit_process(int status);

}  // namespace kovra::verifier::platform
