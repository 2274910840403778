#include "verifier/platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
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

}  // namespace

std::string ReadError::text() const {
  if (code != 0) return OsError{code}.text();
  if (not_regular) return "not a regular file";
  return "file is larger than the " + describe_limit(limit) + " limit";
}

base::Result<FileBytes, ReadError> read_file(const std::string& path, size_t limit,
                                             FileKinds kinds) {
  KOVRA_ASSIGN_OR_RETURN(FileReader file, FileReader::open(path, limit, kinds));
  return read_rest(file);
}

namespace {

constexpr size_t kMostAhead = size_t{64} << 20;

size_t page_size() {
  static const size_t page = [] {
    const long p = ::sysconf(_SC_PAGESIZE);
    return p > 0 ? static_cast<size_t>(p) : size_t{4096};
  }();
  return page;
}

size_t round_to_page(size_t n) { return (n + page_size() - 1) / page_size() * page_size(); }

// The mapping a stream of `held` bytes (at most `limit`, at least one) grows to: a quarter
// more, at most 64 MiB more, no more than the limit and the byte past it, in whole pages.
size_t stream_capacity(size_t held, size_t limit) {
  const size_t ahead = std::min({std::max(held / 4, size_t{1}), kMostAhead, limit - held + 1});
  return round_to_page(held + ahead);
}

}  // namespace

base::Result<FileBytes, ReadError> read_rest(FileReader& file) {
  FileBytes out;
  MappedMemory& memory = out.memory_;
  size_t& size = out.size_;
  // A regular file: its size and the byte that sees its end (never past the limit + 1, which
  // the reader checked at its open).
  if (file.size_hint() > 0) memory = MappedMemory(file.size_hint() + 1);
  for (;;) {
    if (size == memory.size()) {
      // Full, or nothing mapped: a short read into the stack tells whether more comes before
      // more is mapped for it (an empty stream maps nothing).
      char probe[4096];
      KOVRA_ASSIGN_OR_RETURN(const size_t got, file.read(probe, sizeof probe));
      if (got == 0) break;
      memory.grow(stream_capacity(size + got, file.limit()));  // maps anew when empty
      std::memcpy(memory.data() + size, probe, got);
      size += got;
      continue;
    }
    KOVRA_ASSIGN_OR_RETURN(const size_t got,
                           file.read(memory.data() + size, memory.size() - size));
    if (got == 0) break;
    size += got;
  }
  // The unused tail of a stream's last growth goes back (all of it when nothing came).
  if (round_to_page(size) < memory.size()) memory.shrink(round_to_page(size));
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

namespace {

std::atomic<size_t> mapped_in_use{0};
std::atomic<size_t> mapped_peak{0};

void count_mapped(size_t added) {
  const size_t now = mapped_in_use.fetch_add(added, std::memory_order_relaxed) + added;
  size_t peak = mapped_peak.load(std::memory_order_relaxed);
  while (now > peak && !mapped_peak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
  }
}

void count_unmapped(size_t removed) {
  mapped_in_use.fetch_sub(removed, std::memory_order_relaxed);
}

// Retries `map` as operator new retries an allocation: while it fails and a new-handler is
// set, the handler runs (it frees memory, or ends the process); with none, std::bad_alloc.
template <class Map>
void* map_or_handle(Map map) {
  for (;;) {
    void* p = map();
    if (p != MAP_FAILED) return p;
    const std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}

void* map_anonymous(size_t bytes) {
  return map_or_handle([bytes] {
    return ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  });
}

}  // namespace

MappedMemory::MappedMemory(size_t bytes)
    : data_(static_cast<char*>(map_anonymous(bytes))), size_(bytes) {
  count_mapped(bytes);
}

MappedMemory::MappedMemory(MappedMemory&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

MappedMemory& MappedMemory::operator=(MappedMemory&& other) noexcept {
  if (this != &other) {
    release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

MappedMemory::~MappedMemory() { release(); }

void MappedMemory::release() {
  if (data_ == nullptr) return;
  ::munmap(data_, size_);
  count_unmapped(size_);
  data_ = nullptr;
  size_ = 0;
}

void MappedMemory::grow(size_t bytes) {
  if (data_ == nullptr) {
    *this = MappedMemory(bytes);
    return;
  }
#if defined(__linux__)
  void* const moved = map_or_handle(
      [this, bytes] { return ::mremap(data_, size_, bytes, MREMAP_MAYMOVE); });
  data_ = static_cast<char*>(moved);
  count_mapped(bytes - size_);
  size_ = bytes;
#else
  MappedMemory grown(bytes);
  std::memcpy(grown.data_, data_, size_);
  *this = std::move(grown);
#endif
}

void MappedMemory::shrink(size_t bytes) {
  if (bytes == 0) {
    release();
    return;
  }
  const size_t kept = round_to_page(bytes);
  if (kept < round_to_page(size_)) {
    ::munmap(data_ + kept, round_to_page(size_) - kept);
  }
  count_unmapped(size_ - bytes);
  size_ = bytes;
}

size_t MappedMemory::bytes_in_use() { return mapped_in_use.load(std::memory_order_relaxed); }
size_t MappedMemory::peak_bytes_in_use() { return mapped_peak.load(std::memory_order_relaxed); }
void MappedMemory::reset_peak() { mapped_peak.store(bytes_in_use(), std::memory_order_relaxed); }

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
