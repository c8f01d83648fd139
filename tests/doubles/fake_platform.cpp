#include "doubles/fake_platform.h"

namespace tov::test {

DisplayMode mode(std::uint32_t width, std::uint32_t height, std::uint32_t bits, std::uint32_t hz,
                 std::uint64_t id) {
  DisplayMode m;
  m.width = width;
  m.height = height;
  m.bitsPerPel = bits;
  m.frequency = hz;
  m.nativeId = id;
  return m;
}

bool FakeDisplay::currentMode(DisplayMode& mode) {
  if (!currentReadable) return false;
  mode = test::mode(std::uint32_t(caps.width), std::uint32_t(caps.height),
                    std::uint32_t(caps.bitsPerPixel), std::uint32_t(caps.refresh), 999);
  return true;
}

bool FakeDisplay::enumMode(std::uint32_t index, DisplayMode& mode) {
  if (index >= modes.size()) return false;
  mode = modes[index];
  return true;
}

bool FakeDisplay::changeMode(const DisplayMode& mode) {
  changes.push_back(mode);
  if (refuseChanges) return false;
  caps = DeviceCaps{std::int32_t(mode.frequency), std::int32_t(mode.width), std::int32_t(mode.height),
                    std::int32_t(mode.bitsPerPel)};
  return true;
}

TaskbarHandle FakeTaskbar::find() {
  calls.push_back("find");
  return handle;
}

void FakeTaskbar::hide(TaskbarHandle taskbar) {
  calls.push_back("hide " + std::to_string(taskbar));
  if (taskbar != 0) hidden = true;
}

void FakeTaskbar::show(TaskbarHandle taskbar) {
  calls.push_back("show " + std::to_string(taskbar));
  if (taskbar != 0) hidden = false;
}

}  // namespace tov::test
