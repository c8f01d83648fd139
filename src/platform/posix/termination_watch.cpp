#include "platform/posix/termination_watch.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace tov::posix {

namespace {

constexpr std::array<int, 3> kWatchedSignals = {SIGTERM, SIGINT, SIGHUP};

// Where the signal handler writes; -1 while no watch holds the signals.
std::atomic<int> requestPipe{-1};
static_assert(std::atomic<int>::is_always_lock_free, "used from a signal handler");

extern "C" void onTerminationSignal(int signalNumber) {
  const int savedErrno = errno;
  const int fd = requestPipe.load();
  const unsigned char byte = static_cast<unsigned char>(signalNumber);
  // A full pipe already holds a request that has not been taken: nothing is lost.
  if (fd >= 0) [[maybe_unused]] ssize_t written = ::write(fd, &byte, 1);
  errno = savedErrno;
}

}  // namespace

PosixTerminationWatch::PosixTerminationWatch() {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
  readEnd_ = ends[0];
  writeEnd_ = ends[1];
  watch_ = std::make_unique<LoopWatch>(readEnd_, WatchFor::Readable, [this] { takeRequests(); });
}

PosixTerminationWatch::~PosixTerminationWatch() {
  if (handlersInstalled_) {
    for (std::size_t i = 0; i < kWatchedSignals.size(); ++i)
      ::sigaction(kWatchedSignals[i], &previousActions_[i], nullptr);
    int expected = writeEnd_;
    requestPipe.compare_exchange_strong(expected, -1);
  }
  watch_.reset();
  if (readEnd_ >= 0) ::close(readEnd_);
  if (writeEnd_ >= 0) ::close(writeEnd_);
}

void PosixTerminationWatch::watch(std::function<void()> onRequest) {
  onRequest_ = std::move(onRequest);
  if (handlersInstalled_ || writeEnd_ < 0) return;
  requestPipe.store(writeEnd_);
  struct sigaction action {};
  action.sa_handler = onTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < kWatchedSignals.size(); ++i)
    ::sigaction(kWatchedSignals[i], &action, &previousActions_[i]);
  handlersInstalled_ = true;
}

void PosixTerminationWatch::takeRequests() {
  // Several signals before the loop got here are one request: the window closes once.
  unsigned char buffer[64];
  bool requested = false;
  while (::read(readEnd_, buffer, sizeof buffer) > 0) requested = true;
  if (requested && onRequest_) onRequest_();
}

}  // namespace tov::posix
