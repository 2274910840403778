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

// A stream is read in chunks of this size into its buffer.
constexpr size_t kStreamChunk = size_t{1} << 16;

// A stream's buffer doubles up to this size; past it, the next step reserves all the reader
// can yield at once (limit + 1 bytes: room for the byte that tells an over-long file). A
// reservation is only address space until bytes arrive in it, so from there the memory spent
// is the bytes read, and the copies made on the way (each into an untouched buffer) stay
// below this size: a stream costs at most its limit plus about this much before it is
// refused.
constexpr size_t kStreamDoublingEnd = size_t{32} << 20;

// Makes room in `buf` for `more` bytes past its size, by the rule above.
void make_room(std::string& buf, size_t more, size_t limit) {
  const size_t need = buf.size() + more;
  if (need <= buf.capacity()) return;
  size_t next = std::max<size_t>(buf.capacity() * 2, kStreamChunk);
  if (next > kStreamDoublingEnd || next > limit) next = limit + 1;
  buf.reserve(std::max(next, need));
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
  std::string out;
  if (file.size_hint() > 0) {
    // A regular file is read straight into a buffer of its size (+1 sees the end without
    // another step). The reader never yields more than `limit` bytes.
    out.resize(std::min(file.size_hint() + 1, limit + 1));
    size_t len = 0;
    while (len < out.size()) {
      KOVRA_ASSIGN_OR_RETURN(const size_t got, file.read(out.data() + len, out.size() - len));
      if (got == 0) break;
      len += got;
    }
    out.resize(len);
    if (len < file.size_hint() + 1) return out;
    // The file grew while it was read: the rest arrives as from a stream.
  }
  // A stream (or the rest of a growing file) arrives in chunks appended to the buffer, which
  // is never filled ahead of the bytes: its untouched part costs no memory.
  char chunk[kStreamChunk];
  for (;;) {
    KOVRA_ASSIGN_OR_RETURN(const size_t got, file.read(chunk, sizeof chunk));
    if (got == 0) break;
    make_room(out, got, limit);
    out.append(chunk, got);
  }
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
    const auto blocking = [fd] {
      const int flags = ::fcntl(fd, F_GETFL);
      return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
    };
    if (!regular || !blocking()) {
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
