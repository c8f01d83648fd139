#pragma once
// The Win32 services of the program, owned together, made on the user-interface thread before
// any form. The music is not among them yet: services() leaves it null for the program's
// entry to fill.

#include <memory>
#include <string>

#include "platform/platform.h"

namespace tov::guardian {
class IUndoRecorder;
}

namespace tov::win32 {

class Win32Display;
class Win32Taskbar;
class Win32Pointer;
class Win32TerminationWatch;
class Win32ProcessStarter;
class Win32InstanceLock;
class Win32WindowActivator;
class Win32HotKey;
class Win32WaveOutput;
class Win32MixerSystem;

class Win32Platform {
 public:
  // programPath: the first command-line element, after whose file name the single-instance
  // mutex is named. guardian (may be null) is handed to the services that change the
  // desktop, to record each undo with.
  explicit Win32Platform(const std::string& programPath, guardian::IUndoRecorder* guardian = nullptr);
  ~Win32Platform();
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  Platform services();

 private:
  std::unique_ptr<Win32InstanceLock> instanceLock_;
  std::unique_ptr<Win32Display> display_;
  std::unique_ptr<Win32Taskbar> taskbar_;
  std::unique_ptr<Win32Pointer> pointer_;
  std::unique_ptr<Win32TerminationWatch> termination_;
  std::unique_ptr<Win32ProcessStarter> processes_;
  std::unique_ptr<Win32WindowActivator> windowActivator_;
  std::unique_ptr<Win32HotKey> hotKey_;
  std::unique_ptr<Win32WaveOutput> waveOutput_;
  std::unique_ptr<Win32MixerSystem> mixer_;
};

}  // namespace tov::win32
