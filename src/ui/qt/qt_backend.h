#pragma once
// The windowing layer's backend on Qt Widgets: made once the QApplication exists, on its
// thread, and installed by the program's entry (or a test's) with the event loop on Qt's.

#include <memory>

#include "ui/backend.h"
#include "ui/qt/qt_event_loop.h"

namespace tov::qt {

class ButtonMirror;

class QtBackend final : public ui::Backend {
 public:
  QtBackend();
  ~QtBackend() override;

  std::unique_ptr<ui::NativeWindow> createWindow(ui::WindowEvents& events, ui::NativeWindow* parent,
                                                 const ui::WindowOptions& options) override;
  std::unique_ptr<ui::NativeEdit> createEdit(ui::EditEvents& events, ui::NativeWindow& parent,
                                             const std::string& name) override;
  ModalResult showMessage(const Application::MessageRequest& request) override;
  void registerCursor(TCursor id, const CursorImage& image) override;
  void raiseWindow(std::uint64_t nativeId, const std::string& activationToken) override;
  Rect primaryScreenArea() const override;
  void setScaleToWindow(bool on) override;
  void setMouseButtonsMirrored(bool mirrored) override;
  void setApplicationTitle(const std::string& title) override;
  void quit() override;

 private:
  std::unique_ptr<ButtonMirror> mirror_;
};

// Makes the event loop and the backend on Qt and installs both for as long as it lives.
class InstalledQtBackend {
 public:
  InstalledQtBackend() { ui::installBackend(&backend_); }
  ~InstalledQtBackend() { ui::installBackend(nullptr); }

 private:
  InstalledQtEventLoop loop_;
  QtBackend backend_;
};

}  // namespace tov::qt
