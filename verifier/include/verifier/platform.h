// The program's thin layer over the operating system (POSIX).
//
// Everything the verifier asks of the platform goes through here: the argument list, named
// environment variables, file reads bounded by a size limit, memory mapped straight from the
// system, the existence of a file, directory listings, whether standard output is a
// terminal, checked writes to the standard streams, the operating system's error texts, a
// monotonic clock and process exit. Nothing here decides what a failure means; callers own
// the messages and the limits.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
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

// Why a file was not read: an operating-system error, more bytes than the reader's limit, or
// (for a reader that takes regular files only) a file of another kind.
struct ReadError {
  int code = 0;      // the operating system's error number; 0 for the two cases below
  size_t limit = 0;  // with code 0: the limit the file went past
  bool not_regular = false;  // with code 0: a pipe, a device, a directory...

  static ReadError os(int code) { return {code, 0, false}; }
  static ReadError too_large(size_t limit) { return {0, limit, false}; }
  static ReadError irregular() { return {0, 0, true}; }

  // True for the case made by `too_large`: the file went past the reader's limit.
  bool past_limit() const { return code == 0 && !not_regular; }

  // OsError{code}.text(), "not a regular file", or "file is larger than the 1 GiB limit" (the
  // limit in GiB, MiB or KiB when it is a whole number of them, else "the 100-byte limit").
  std::string text() const;
};

// The kinds of file a reader opens. `kRegularOnly` never waits for a writer: the file is
// opened without blocking and anything but a regular file is refused before a byte is read
// (a named pipe whose writer never comes would otherwise hold the run forever).
enum class FileKinds { kAny, kRegularOnly };

class FileBytes;

// Reads the whole file at `path`, which may hold at most `limit` bytes. A regular file's size
// is taken from fstat and a larger one is refused before anything is allocated; it is read
// into a mapping of exactly its size (and the byte that sees its end). Any other file (a
// pipe, a device) is read into one mapping that grows as its bytes arrive, its pages moved,
// never copied: at every moment it holds at most a quarter (and a page) more than has
// arrived, and never 64 MiB more; more is mapped only once a byte has arrived that needs it,
// and at the end the unused tail goes back. A stream is refused as soon as the byte past the
// limit arrives. Opening or reading a directory fails (EISDIR), or with `kRegularOnly` is
// refused as not regular.
base::Result<FileBytes, ReadError> read_file(const std::string& path, size_t limit,
                                             FileKinds kinds = FileKinds::kAny);

class FileReader;

// The rest of a file just opened, read as `read_file` reads a whole one.
base::Result<FileBytes, ReadError> read_rest(FileReader& file);

// A file open for reading front to back, for loaders that parse as they read; it yields at
// most `limit` bytes, and the read that finds more fails (a regular file larger than the
// limit fails at `open`).
class FileReader {
 public:
  static base::Result<FileReader, ReadError> open(const std::string& path, size_t limit,
                                                  FileKinds kinds = FileKinds::kAny);
  FileReader(FileReader&& other) noexcept
      : fd_(other.fd_),
        size_(other.size_),
        limit_(other.limit_),
        consumed_(other.consumed_),
        regular_(other.regular_) {
    other.fd_ = -1;
  }
  FileReader& operator=(FileReader&&) = delete;
  FileReader(const FileReader&) = delete;
  ~FileReader();

  // Up to `n` bytes into `out`; 0 at the end of the file.
  base::Result<size_t, ReadError> read(char* out, size_t n);

  // Back to the first byte of a regular file, for a second pass; the limit counts afresh.
  base::Result<void, ReadError> rewind();

  // The size of a regular file when it was opened (0 for anything else).
  size_t size_hint() const { return size_; }
  // True when the file was a regular file when it was opened.
  bool is_regular() const { return regular_; }
  size_t limit() const { return limit_; }

 private:
  FileReader(int fd, size_t size, size_t limit, bool regular)
      : fd_(fd), size_(size), limit_(limit), regular_(regular) {}
  int fd_ = -1;
  size_t size_ = 0;
  size_t limit_ = 0;
  size_t consumed_ = 0;  // bytes handed out so far, never more than limit_
  bool regular_ = false;
};

// Anonymous memory mapped straight from the operating system and unmapped with the object:
// its pages go back to the system the moment it is let go (the C library's heap may keep a
// freed block's pages), and pages never written cost no memory. Running out is met as
// operator new meets it: the new-handler runs and the mapping is tried again, or, with no
// handler, std::bad_alloc.
class MappedMemory {
 public:
  MappedMemory() = default;
  explicit MappedMemory(size_t bytes);  // bytes > 0
  MappedMemory(MappedMemory&& other) noexcept;
  MappedMemory& operator=(MappedMemory&& other) noexcept;
  MappedMemory(const MappedMemory&) = delete;
  MappedMemory& operator=(const MappedMemory&) = delete;
  ~MappedMemory();

  char* data() const { return data_; }
  size_t size() const { return size_; }

  // Grows the mapping to `bytes` (more than size()), keeping its contents. On Linux the pages
  // are moved, not copied, so old and new are never held at once; elsewhere a new mapping is
  // filled from the old one, which is then unmapped.
  void grow(size_t bytes);

  // Gives back all but the first `bytes` (less than size()); 0 unmaps it all. The pages kept
  // stay where they are.
  void shrink(size_t bytes);

  // What this process holds in MappedMemory: now, and the most at once since the last reset
  // of the mark (for tests and measurements).
  static size_t bytes_in_use();
  static size_t peak_bytes_in_use();
  static void reset_peak();

 private:
  void release();
  char* data_ = nullptr;
  size_t size_ = 0;
};

// The bytes of a file read whole (read_file, read_rest), in memory of their own: never more
// than the mapping they were read into, and nothing at all for an empty file.
class FileBytes {
 public:
  FileBytes() = default;
  FileBytes(FileBytes&& other) noexcept
      : memory_(std::move(other.memory_)), size_(std::exchange(other.size_, 0)) {}
  FileBytes& operator=(FileBytes&& other) noexcept {
    memory_ = std::move(other.memory_);
    size_ = std::exchange(other.size_, 0);
    return *this;
  }

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // Never null, also when empty (nothing is mapped then).
  const char* data() const { return memory_.data() != nullptr ? memory_.data() : ""; }
  std::string_view text() const { return {data(), size_}; }
  std::span<const uint8_t> bytes() const {
    return {reinterpret_cast<const uint8_t*>(data()), size_};
  }
  // The size of the mapping that holds them (whole pages of it: its size rounded up).
  size_t mapped() const { return memory_.size(); }

 private:
  friend base::Result<FileBytes, ReadError> read_rest(FileReader& file);
  MappedMemory memory_;
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

// Standard output goes through the C stream, buffered; every write and flush is checked.
// The first failure is kept: nothing is written after it, and this call and every later one
// return it. The flush never allocates.
[[nodiscard]] std::optional<OsError> write_stdout(std::string_view bytes);
[[nodiscard]] std::optional<OsError> flush_stdout();

// Writes all of `bytes` to standard error (unbuffered; a failure has nowhere to be told).
// Callers flush standard output first, so that merged streams keep the order of the lines.
void write_stderr(std::string_view bytes);

// Ends the process with `status` (exit handlers and stream flushes run).
[[noreturn]] void exit_process(int status);

// Ends the process with `status` at once: no exit handlers, no stream flushes, no allocation.
[[noreturn]] void exit_immediately(int status);

}  // namespace kovra::verifier::platform
