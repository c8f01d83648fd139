#pragma once
// TImageButAdvanced: a picture control that acts as a button by swapping whole pictures,
// at once and with no fade: PicFrom at rest, PicTo under the pointer and after a release,
// PicDown while a mouse button is held on it, PicDisabled while disabled.
//
// A windowless control: its window paints the picture shown (TImage's Picture) like any
// other. The windowing layer gives windowless controls clicks only; this button takes its
// own share of the window's mouse buttons (it observes its window's mouse events): a press
// of any button on it, and every release after that until all buttons are up again, wherever
// the pointer is then. The release is first handled by the window as usual (a left-button
// click raises OnClick), and OnMouseUp follows when that has returned. A disabled button
// takes no press at all, so it can never be clicked.

#include <functional>
#include <memory>
#include <string>

#include "imaging/picture.h"
#include "ui/control.h"

namespace tov {

class TImageButAdvanced : public TImage {
 public:
  using MouseEvent = std::function<void(TControl* sender, TMouseButton button, TShiftState shift, int x, int y)>;

  // Visible, enabled, neither sized to its picture nor stretched, with four empty pictures;
  // its own picture changes are installed as OnMouseDown and OnMouseUp.
  TImageButAdvanced(ControlHost& host, std::string name);
  ~TImageButAdvanced() override;

  // The state pictures, owned by the button. The setters copy the given picture's graphic
  // (an empty picture empties the owned one); only setPicFrom changes what is shown. The
  // non-const accessors are for reading stored pictures straight in, as a form does.
  const Picture& PicFrom() const { return picFrom_; }
  const Picture& PicTo() const { return picTo_; }
  const Picture& PicDown() const { return picDown_; }
  const Picture& PicDisabled() const { return picDisabled_; }
  Picture& PicFrom() { return picFrom_; }
  Picture& PicTo() { return picTo_; }
  Picture& PicDown() { return picDown_; }
  Picture& PicDisabled() { return picDisabled_; }
  void setPicFrom(const Picture& picture);
  void setPicTo(const Picture& picture);
  void setPicDown(const Picture& picture);
  void setPicDisabled(const Picture& picture);

  // Whether pressing and releasing change the picture; hover changes do not depend on it.
  bool EnableButMove() const { return enableButMove_; }
  void setEnableButMove(bool enable) { enableButMove_ = enable; }
  // Whether the button is active. Setting it, even to the value it has, shows PicFrom (true)
  // or PicDisabled (false) and enables or disables the control to match.
  bool EnableBut() const { return enableBut_; }
  void setEnableBut(bool enable);
  // The control's own enabled state: a disabled control takes no mouse presses.
  bool Enabled() const { return enabled_; }

  // The text shown in a tool tip while the pointer rests on the button, when ShowHint.
  const std::string& Hint() const { return hint_; }
  void setHint(const std::string& hint) { hint_ = hint; }
  bool ShowHint() const { return showHint_; }
  void setShowHint(bool show) { showHint_ = show; }

  void mouseEnter() override;
  void mouseLeave() override;

  // x and y are relative to the control. Replacing one replaces the button's own behaviour.
  MouseEvent OnMouseDown;
  MouseEvent OnMouseUp;

  // The button's own handlers, as installed at creation.
  void MouseDownPicture(TControl* sender, TMouseButton button, TShiftState shift, int x, int y);
  void MouseUpPicture(TControl* sender, TMouseButton button, TShiftState shift, int x, int y);

 private:
  class MouseHook;
  friend class MouseHook;

  void showState(const Picture& statePicture);

  Picture picFrom_;
  Picture picTo_;
  Picture picDown_;
  Picture picDisabled_;
  bool enableButMove_ = true;
  bool enableBut_ = true;
  bool enabled_ = true;
  bool showHint_ = false;
  std::string hint_;
  std::unique_ptr<MouseHook> mouseHook_;
};

}  // namespace tov
