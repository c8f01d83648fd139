#pragma once
// Test doubles of the platform services: they keep what the program did to the "desktop"
// so tests can read it back.

#include <string>
#include <vector>

#include "doubles/fake_audio.h"
#include "doubles/fake_instance.h"
#include "doubles/fake_mixer.h"
#include "doubles/fake_process.h"
#include "platform/platform.h"

namespace tov::test {

class FakeDisplay : public IDisplay {
 public:
  DeviceCaps caps{60, 1024, 768, 32};
  std::vector<DisplayMode> modes;
  bool currentReadable = true;
  bool refuseChanges = false;
  std::vector<DisplayMode> changes;  // every mode the program asked for
  int broadcasts = 0;
  // Where the primary output starts on the screen; its size is that of the mode in force.
  std::int32_t outputLeft = 0;
  std::int32_t outputTop = 0;

  DeviceCaps currentCaps() override { return caps; }
  bool currentMode(DisplayMode& mode) override;
  bool enumMode(std::uint32_t index, DisplayMode& mode) override;
  bool changeMode(const DisplayMode& mode) override;
  void broadcastDisplayChange() override { ++broadcasts; }
  ScreenArea primaryOutputArea() override { return {outputLeft, outputTop, caps.width, caps.height}; }
};

class FakeTaskbar : public ITaskbar {
 public:
  TaskbarHandle handle = 7;  // 0: no taskbar on this desktop
  bool hidden = false;
  std::vector<std::string> calls;  // "find", "hide 7", "show 7"

  TaskbarHandle find() override;
  void hide(TaskbarHandle taskbar) override;
  void show(TaskbarHandle taskbar) override;
};

class FakePointer : public IPointer {
 public:
  bool swapped = false;
  std::vector<bool> calls;
  void setButtonsSwapped(bool value) override {
    calls.push_back(value);
    swapped = value;
  }
  bool buttonsSwapped() override { return swapped; }
};

class FakeTermination : public ITerminationWatch {
 public:
  std::function<void()> onRequest;
  void watch(std::function<void()> callback) override { onRequest = std::move(callback); }
};

struct FakePlatform {
  FakeDisplay display;
  FakeTaskbar taskbar;
  FakePointer pointer;
  FakeTermination termination;
  FakeWaveOutput waveOutput;
  FakeMusicPlayer music;
  FakeProcessStarter processes;
  FakeMixerSystem mixer;
  FakeInstanceLock instanceLock;
  FakeWindowActivator windowActivator;
  FakeHotKey hotKey;
  Platform services() {
    return Platform{&display, &taskbar, &pointer, &termination, &waveOutput, &music, &processes,
                    &mixer, &instanceLock, &windowActivator, &hotKey};
  }
};

// A mode as an XRandR screen of this machine would list it.
DisplayMode mode(std::uint32_t width, std::uint32_t height, std::uint32_t bits, std::uint32_t hz,
                 std::uint64_t id = 0);

}  // namespace tov::test
