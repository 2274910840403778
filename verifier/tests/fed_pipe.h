// A named pipe in a scratch directory, fed by a thread: a given text or endless bytes, in
// small pieces, so that its reader gets them in many short reads.
#pragma once

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>

#include "test_files.h"

namespace kovra::verifier::testing {

class FedPipe {
 public:
  static constexpr size_t kPiece = 1000;

  // `content` once and then the end, or (endless) bytes until the reader goes away.
  explicit FedPipe(std::string content, bool endless = false)
      : path_(dir_.file("pipe")), content_(std::move(content)), endless_(endless) {
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
    const std::string endless_piece(kPiece, 'x');
    for (size_t at = 0; endless_ || at < content_.size();) {
      const std::string_view piece =
          endless_ ? std::string_view(endless_piece)
                   : std::string_view(content_).substr(at, std::min(kPiece, content_.size() - at));
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
  std::thread writer_;
};

}  // namespace kovra::verifier::testing
