#pragma once
// The desktop's taskbar: hidden while the menu runs, shown again at its end.

#include <cstdint>

namespace tov {

using TaskbarHandle = std::uint64_t;  // 0: no taskbar

class ITaskbar {
 public:
  virtual ~ITaskbar() = default;
  virtual TaskbarHandle find() = 0;
  // Hiding and showing the null handle does nothing.
  virtual void hide(TaskbarHandle taskbar) = 0;
  virtual void show(TaskbarHandle taskbar) = 0;
};

}  // namespace tov
