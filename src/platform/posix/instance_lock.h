#pragma once
// The single-instance lock: flock on a file named after the program's file name and the X
// display it shows on, in $XDG_RUNTIME_DIR, else in /tmp. The kernel lets go of it when
// the process ends, however it ends, so a crashed copy never locks the next one out.

#include "platform/instance.h"

#include <string>

namespace tov::posix {

// The lock file of programPath (the first command-line element: only its file name
// counts, so a copy in another folder is the same program and one under another name is
// not) on displayName. runtimeDir is $XDG_RUNTIME_DIR (null or empty: unset); /tmp is
// shared by every user, so a name there carries the user's id.
std::string instanceLockPath(const std::string& programPath, const std::string& displayName,
                             const char* runtimeDir, unsigned userId);

class FlockInstanceLock : public IInstanceLock {
 public:
  // Takes the lock of path, or learns that another process holds it. A lock that cannot
  // be made (no such folder, a file of another user, a link) leaves this copy the first.
  explicit FlockInstanceLock(std::string path);
  ~FlockInstanceLock() override;
  FlockInstanceLock(const FlockInstanceLock&) = delete;
  FlockInstanceLock& operator=(const FlockInstanceLock&) = delete;

  bool alreadyRunning() override { return alreadyRunning_; }
  [[noreturn]] void haltProcess(int exitCode) override;

  const std::string& path() const { return path_; }
  bool held() const { return fd_ >= 0; }

 private:
  std::string path_;
  int fd_ = -1;  // open while the lock is ours
  bool alreadyRunning_ = false;
};

}  // namespace tov::posix
