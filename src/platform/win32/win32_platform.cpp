#include "platform/win32/win32_platform.h"

#include "platform/win32/win32_display.h"
#include "platform/win32/win32_hotkey.h"
#include "platform/win32/win32_instance.h"
#include "platform/win32/win32_mixer.h"
#include "platform/win32/win32_pointer.h"
#include "platform/win32/win32_process_starter.h"
#include "platform/win32/win32_taskbar.h"
#include "platform/win32/win32_termination_watch.h"
#include "platform/win32/win32_wave_output.h"

namespace tov::win32 {

Win32Platform::Win32Platform(const std::string& programPath, guardian::IUndoRecorder* guardian)
    : instanceLock_(std::make_unique<Win32InstanceLock>(programPath)),
      display_(std::make_unique<Win32Display>(guardian)),
      taskbar_(std::make_unique<Win32Taskbar>(guardian)),
      pointer_(std::make_unique<Win32Pointer>(guardian)),
      termination_(std::make_unique<Win32TerminationWatch>()),
      processes_(std::make_unique<Win32ProcessStarter>()),
      windowActivator_(std::make_unique<Win32WindowActivator>()),
      hotKey_(std::make_unique<Win32HotKey>()),
      waveOutput_(std::make_unique<Win32WaveOutput>()),
      mixer_(std::make_unique<Win32MixerSystem>()) {}

Win32Platform::~Win32Platform() = default;

Platform Win32Platform::services() {
  Platform platform;
  platform.display = display_.get();
  platform.taskbar = taskbar_.get();
  platform.pointer = pointer_.get();
  platform.termination = termination_.get();
  platform.processes = processes_.get();
  platform.instanceLock = instanceLock_.get();
  platform.windowActivator = windowActivator_.get();
  platform.hotKey = hotKey_.get();
  platform.waveOutput = waveOutput_.get();
  platform.mixer = mixer_.get();
  return platform;
}

}  // namespace tov::win32
