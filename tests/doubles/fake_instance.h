#pragma once
// Test doubles of the single-instance lock, the window activator and the hot keys. The
// hot keys keep one desktop's worth of held combinations, so that a test can let another
// "program" hold one first.

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/hotkey.h"
#include "platform/instance.h"

namespace tov::test {

class FakeInstanceLock : public IInstanceLock {
 public:
  // Thrown by haltProcess: whatever follows a halt in the code under test must not run.
  struct Halted : std::runtime_error {
    explicit Halted(int code) : std::runtime_error("halted"), exitCode(code) {}
    int exitCode;
  };

  bool running = false;  // another copy held the lock at start-up
  std::vector<int> halts;

  bool alreadyRunning() override { return running; }
  void haltProcess(int exitCode) override;
};

class FakeWindowActivator : public IWindowActivator {
 public:
  std::map<WindowHandle, std::string> marked;  // window -> application title
  bool runningCopyFound = true;
  std::vector<std::string> activations;  // the titles asked for

  void markMainWindow(WindowHandle window, const std::string& applicationTitle) override {
    marked[window] = applicationTitle;
  }
  bool activate(const std::string& applicationTitle) override {
    activations.push_back(applicationTitle);
    return runningCopyFound;
  }
};

class FakeHotKey : public IHotKey {
 public:
  struct Combination {
    unsigned virtualKey;
    unsigned modifiers;
    auto operator<=>(const Combination&) const = default;
  };
  static constexpr int kOtherProgram = -1;  // the holder of combinations taken elsewhere

  std::map<Combination, int> held;  // combination -> target holding it
  std::vector<std::string> calls;   // "register 1 0x5a 3", "unregister 1"

  int addTarget(PressedHandler onPressed) override;
  void removeTarget(int target) override;
  bool registerKey(int target, unsigned virtualKey, unsigned modifiers) override;
  bool unregisterKey(int target) override;

  // Presses combination on the desktop; false when it reached no target of ours.
  bool press(Combination combination);
  int targetCount() const { return int(targets_.size()); }

 private:
  std::map<int, PressedHandler> targets_;
  int nextId_ = 1;
};

}  // namespace tov::test
