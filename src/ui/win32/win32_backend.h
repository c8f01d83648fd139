#pragma once
// The windowing layer's backend on Win32: made on the thread whose message loop serves the
// program (the event loop's), and installed by the program's entry (or a test's) with the
// event loop on the same thread's message queue.

#include <memory>

#include "ui/backend.h"
#include "ui/win32/win32_event_loop.h"

namespace tov::win32 {

class Win32Backend final : public ui::Backend {
 public:
  Win32Backend();

  std::unique_ptr<ui::NativeWindow> createWindow(ui::WindowEvents& events, ui::NativeWindow* parent,
                                                 const ui::WindowOptions& options) override;
  std::unique_ptr<ui::NativeEdit> createEdit(ui::EditEvents& events, ui::NativeWindow& parent,
                                             const std::string& name) override;
  ModalResult showMessage(const Application::MessageRequest& request) override;
  void registerCursor(TCursor id, const CursorImage& image) override;
  // Restores the window when minimised and makes it the foreground window; any top-level
  // window, also another process's (a copy started by the user may hand the foreground on).
  void raiseWindow(std::uint64_t nativeId, const std::string& activationToken) override;
  Rect primaryScreenArea() const override;
  // Forms are shown at their own size on Windows, where the program sets the display to it.
  void setScaleToWindow(bool) override {}
  void setMouseButtonsMirrored(bool mirrored) override;
  // The platform's application window carries the title for a second copy to find; the
  // windows here show their forms' captions.
  void setApplicationTitle(const std::string&) override {}
  // WM_QUIT, which the event loop notes for whoever runs the program's loop.
  void quit() override;
};

// Makes the event loop and the backend on Win32 and installs both for as long as it lives.
class InstalledWin32Backend {
 public:
  InstalledWin32Backend() { ui::installBackend(&backend_); }
  ~InstalledWin32Backend() { ui::installBackend(nullptr); }
  Win32EventLoop& loop() { return loop_.loop(); }

 private:
  InstalledWin32EventLoop loop_;
  Win32Backend backend_;
};

}  // namespace tov::win32
