#include "verifier/platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

base::Result<std::string, OsError> read_file(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return base::Err(OsError{errno});
  // Read straight into the result: sized from fstat for a regular file, grown otherwise (or
  // when the file grows while it is read).
  std::string out;
  struct stat st;
  size_t want = 1 << 16;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    want = static_cast<size_t>(st.st_size) + 1;  // +1 sees the end without another resize
  }
  size_t len = 0;
  out.resize(want);
  for (;;) {
    if (len == out.size()) out.resize(out.size() * 2);
    const ssize_t n = ::read(fd, out.data() + len, out.size() - len);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int e = errno;
      ::close(fd);
      return base::Err(OsError{e});
    }
    if (n == 0) break;
    len += static_cast<size_t>(n);
  }
  ::close(fd);
  out.resize(len);
  return out;
}

base::Result<FileReader, OsError> FileReader::open(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return base::Err(OsError{errno});
  struct stat st;
  size_t size = 0;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    size = static_cast<size_t>(st.st_size);
  }
  return FileReader(fd, size);
}

FileReader::~FileReader() {
  if (fd_ >= 0) ::close(fd_);
}

base::Result<size_t, OsError> FileReader::read(char* out, size_t n) {
  for (;;) {
    const ssize_t got = ::read(fd_, out, n);
    if (got >= 0) return static_cast<size_t>(got);
    if (errno != EINTR) return base::Err(OsError{errno});
  }
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

void write_stdout(std::string_view bytes) { std::fwrite(bytes.data(), 1, bytes.size(), stdout); }

void write_stderr(std::string_view bytes) { std::fwrite(bytes.data(), 1, bytes.size(), stderr); }

void exit_process(int status) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::exit(status);
}

}  // namespace kovra::verifier::platform
