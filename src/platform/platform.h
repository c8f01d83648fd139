#pragma once
// The operating-system services the program uses, one interface each. The program holds
// one Platform; tests fill it with test doubles.

#include "platform/audio.h"
#include "platform/display.h"
#include "platform/hotkey.h"
#include "platform/instance.h"
#include "platform/mixer.h"
#include "platform/pointer.h"
#include "platform/process.h"
#include "platform/taskbar.h"
#include "platform/termination.h"

namespace tov {

struct Platform {
  IDisplay* display = nullptr;
  ITaskbar* taskbar = nullptr;
  IPointer* pointer = nullptr;
  ITerminationWatch* termination = nullptr;
  IWaveOutput* waveOutput = nullptr;
  IMusicPlayer* music = nullptr;
  IProcessStarter* processes = nullptr;
  IMixerSystem* mixer = nullptr;
  IInstanceLock* instanceLock = nullptr;
  IWindowActivator* windowActivator = nullptr;
  IHotKey* hotKey = nullptr;
};

}  // namespace tov
