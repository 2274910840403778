#include "verifier/platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace kovra::verifier::platform {

std::vector<std::string> arguments(int argc, char** argv) {
  std::vector<std::string> out;
  for (int i = 0; i < argc; ++i) out.emplace_back(argv[i]);
  return out;
}

std::optional<std::string> environment_variable(const std::string& name) {
  const char* v = std::getenv(name.c_str());
  if (!v) return std::nullopt;
  return std::string(v);
}

std::string OsError::text() const {
  return std::string(std::strerror(code)) + " (os error " + std::to_string(code) + ")";
}

namespace {

// "1 GiB", "16 MiB" or "64 KiB" for a whole number of the unit, else "100-byte".
std::string describe_limit(size_t bytes) {
  static constexpr std::pair<size_t, const char*> kUnits[] = {
      {size_t{1} << 30, "GiB"}, {size_t{1} << 20, "MiB"}, {size_t{1} << 10, "KiB"}};
  for (const auto& [unit, name] : kUnits) {
    if (bytes >= unit && bytes % unit == 0) return std::to_string(bytes / unit) + " " + name;
  }
  return std::to_string(bytes) + "-byte";
}

// A stream's first buffer; it doubles from there.
constexpr size_t kFirstChunk = size_t{1} << 16;

// Grows a full buffer of `limit` bytes at most: it doubles, or goes straight to limit + 1
// (room for the byte that tells an over-long file) when doubling would reach the limit, so
// that no step just short of it costs one more copy of the whole file. The new buffer is
// reserved from empty, where the reservation is exact (growing a string in place may round
// it up to twice the old capacity).
void grow(std::string& buf, size_t limit) {
  const size_t size = buf.size();
  const size_t next = size >= limit - size ? limit + 1 : size * 2;
  std::string bigger;
  bigger.reserve(next);
  bigger.append(buf);
  bigger.resize(next);
  buf.swap(bigger);
}

}  // namespace

std::string ReadError::text() const {
  if (code != 0) return OsError{code}.text();
  if (not_regular) return "not a regular file";
  return "file is larger than the " + describe_limit(limit) + " limit";
}

base::Result<std::string, ReadError> read_file(const std::string& path, size_t limit,
                                               FileKinds kinds) {
  KOVRA_ASSIGN_OR_RETURN(FileReader file, FileReader::open(path, limit, kinds));
  return read_rest(file);
}

base::Result<std::string, ReadError> read_rest(FileReader& file) {
  const size_t limit = file.limit();
  // Read straight into the result: sized by fstat for a regular file (+1 sees the end without
  // another step), grown otherwise, or when the file grows while it is read. The reader never
  // yields more than `limit` bytes, so the buffer never passes limit + 1.
  const size_t first = file.size_hint() > 0 ? file.size_hint() + 1 : kFirstChunk;
  std::string out(std::min(first, limit + 1), '\0');
  size_t len = 0;
  for (;;) {
    if (len == out.size()) grow(out, limit);
    KOVRA_ASSIGN_OR_RETURN(const size_t got, file.read(out.data() + len, out.size() - len));
    if (got == 0) break;
    len += got;
  }
  out.resize(len);
  return out;
}

base::Result<FileReader, ReadError> FileReader::open(const std::string& path, size_t limit,
                                                     FileKinds kinds) {
  const bool regular_only = kinds == FileKinds::kRegularOnly;
  // Without O_NONBLOCK, opening a named pipe waits for its writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | (regular_only ? O_NONBLOCK : 0));
  if (fd < 0) return base::Err(ReadError::os(errno));
  struct stat st;
  const bool stated = ::fstat(fd, &st) == 0;
  const bool regular = stated && S_ISREG(st.st_mode);
  if (regular_only) {
    if (!stated) {
      const int error = errno;
      ::close(fd);
      return base::Err(ReadError::os(error));
    }
    // Reads of a regular file never wait; the flag is cleared all the same, so that the
    // reads are the plain ones every other file gets.
    const int flags = regular ? ::fcntl(fd, F_GETFL) : -1;
    if (!regular || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
      ::close(fd);
      return base::Err(ReadError::irregular());
    }
  }
  size_t size = 0;
  if (regular && st.st_size > 0) {
    if (static_cast<uint64_t>(st.st_size) > limit) {
      ::close(fd);
      return base::Err(ReadError::too_large(limit));
    }
    size = static_cast<size_t>(st.st_size);
  }
  return FileReader(fd, size, limit, regular);
}

FileReader::~FileReader() {
  if (fd_ >= 0) ::close(fd_);
}

base::Result<size_t, ReadError> FileReader::read(char* out, size_t n) {
  // At most one byte past the limit is asked for: it tells a file that ends at the limit
  // from one that goes on.
  const size_t room = limit_ - consumed_;
  if (n > room) n = room + 1;
  for (;;) {
    const ssize_t got = ::read(fd_, out, n);
    if (got < 0) {
      if (errno == EINTR) continue;
      return base::Err(ReadError::os(errno));
    }
    const auto g = static_cast<size_t>(got);
    if (g > room) return base::Err(ReadError::too_large(limit_));
    consumed_ += g;
    return g;
  }
}

base::Result<void, ReadError> FileReader::rewind() {
  if (::lseek(fd_, 0, SEEK_SET) != 0) return base::Err(ReadError::os(errno));
  consumed_ = 0;
  return {};
}

bool file_exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

DirectoryListing::DirectoryListing(const std::string& path) {
  if (!path.empty()) dir_ = ::opendir(path.c_str());
}

DirectoryListing::~DirectoryListing() {
  if (dir_) ::closedir(static_cast<DIR*>(dir_));
}

std::optional<std::string> DirectoryListing::next_name() {
  while (dir_) {
    errno = 0;
    const dirent* e = ::readdir(static_cast<DIR*>(dir_));
    if (!e) {  // the end, or an error: either way the listing stops here
      ::closedir(static_cast<DIR*>(dir_));
      dir_ = nullptr;
      break;
    }
    const std::string_view name = e->d_name;
    if (name == "." || name == "..") continue;
    return std::string(name);
  }
  return std::nullopt;
}

bool stdout_is_terminal() { return ::isatty(STDOUT_FILENO) == 1; }

namespace {

// The first failure of standard output (an errno value); 0 while every write succeeded.
int stdout_error = 0;

std::optional<OsError> stdout_failure() {
  if (stdout_error == 0) return std::nullopt;
  return OsError{stdout_error};
}

// Keeps the error of the call that just failed (EIO should the C library leave none).
void keep_stdout_error() { stdout_error = errno != 0 ? errno : EIO; }

}  // namespace

std::optional<OsError> write_stdout(std::string_view bytes) {
  if (stdout_error == 0 && !bytes.empty()) {
    errno = 0;
    const size_t n = std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    if (n != bytes.size() || std::ferror(stdout)) keep_stdout_error();
  }
  return stdout_failure();
}

std::optional<OsError> flush_stdout() {
  if (stdout_error == 0) {
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) keep_stdout_error();
  }
  return stdout_failure();
}

void write_stderr(std::string_view bytes) { std::fwrite(bytes.data(), 1, bytes.size(), stderr); }

void exit_process(int status) {
  std::fflush(stderr);
  std::exit(status);
}

void exit_immediately(int status) { std::_Exit(status); }

}  // namespace kovra::verifier::platform
