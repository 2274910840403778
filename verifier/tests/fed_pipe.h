// A named pipe in a scratch directory, fed by a thread: a given text, then the end or endless
// bytes, in small pieces, so that its reader gets them in many short reads. The writer may
// pause at one place of the text, so that its reader has taken in all that came before.
#pragma once

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>

#include "test_files.h"

namespace kovra::verifier::testing {

class FedPipe {
 public:
  static constexpr size_t kPiece = 1000;

  // `content` once and then the end, or (endless) "x" until the reader goes away, in writes
  // of `piece` bytes at most; with `pause_at` in the content, a pause of a tenth of a second
  // before that byte.
  explicit FedPipe(std::string content, bool endless = false, size_t pause_at = SIZE_MAX,
                   size_t piece = kPiece)
      : path_(dir_.file("pipe")),
        content_(std::move(content)),
        endless_(endless),
        pause_at_(pause_at),
        piece_(piece) {
    if (::mkfifo(path_.c_str(), 0600) != 0) std::abort();
    writer_ = std::thread([this] { feed(); });
  }

  // Releases a writer still waiting for its reader, then waits for it.
  ~FedPipe() {
    const int fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
    writer_.join();
  }
  FedPipe(const FedPipe&) = delete;
  FedPipe& operator=(const FedPipe&) = delete;

  const std::string& path() const { return path_; }

 private:
  void feed() {
    // A reader that leaves early makes the writes fail with EPIPE; the signal it raises stays
    // blocked in this thread and is dropped with it.
    sigset_t pipe_signal;
    sigemptyset(&pipe_signal);
    sigaddset(&pipe_signal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_signal, nullptr);
    const int fd = ::open(path_.c_str(), O_WRONLY);
    if (fd < 0) return;
    const std::string endless_piece(piece_, 'x');
    for (size_t at = 0; endless_ || at < content_.size();) {
      if (at == pause_at_) std::this_thread::sleep_for(std::chrono::milliseconds(100));
      const size_t end = at < pause_at_ ? std::min(pause_at_, content_.size()) : content_.size();
      const std::string_view piece =
          at >= content_.size()
              ? std::string_view(endless_piece)
              : std::string_view(content_).substr(at, std::min(piece_, end - at));
      const ssize_t n = ::write(fd, piece.data(), piece.size());
      if (n <= 0) break;
      at += static_cast<size_t>(n);
    }
    ::close(fd);
  }

  TempDir dir_;
  std::string path_;
  std::string content_;
  bool endless_;
  size_t pause_at_;
  size_t piece_;
  std::thread writer_;
};

}  // namespace kovra::verifier::testing
