#pragma once
// Forms and panels: the windows of the program. A form is a borderless top-level window;
// a panel is a child window that lies above every picture of its form.

#include <functional>
#include <string>
#include <utility>

#include "ui/controlhost.h"

namespace tov {

class TForm : public ControlHost {
 public:
  TForm();

  const std::string& Caption() const { return caption_; }
  void setCaption(const std::string& caption);

  void setBounds(int left, int top, int width, int height) { setGeometry(left, top, width, height); }
  void setDesignSize(int width, int height);
  // The screen's size as the form centres itself on it when first shown. The windowing
  // system may learn of a display change later than the program that made it.
  void setScreenSizeSource(std::function<std::pair<int, int>()> source) { screenSize_ = std::move(source); }

  void Close() { close(); }
  void Minimize() { showMinimized(); }
  void Restore() { showNormal(); }

  // Runs once, when the window first becomes active after being shown.
  std::function<void()> OnActivate;

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void activateOnce();
  void centreOnScreen();

  std::string caption_;
  std::function<std::pair<int, int>()> screenSize_;
  bool centred_ = false;
  bool activated_ = false;
};

class TPanel : public ControlHost {
 public:
  TPanel(QWidget& parent, std::string name);
  const std::string& Name() const { return name_; }
  void setBounds(int left, int top, int width, int height) { setGeometry(left, top, width, height); }
  bool Visible() const { return !isHidden(); }
  void setVisible(bool visible) override { ControlHost::setVisible(visible); }

 private:
  std::string name_;
};

}  // namespace tov
