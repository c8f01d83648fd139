#pragma once
// Tadvertform: the advertisement screen shown when the pupil leaves through an exit button.
// A borderless form with a full-screen background picture, one advertisement picture in a
// scrollable view, and an exit button on a plate in the lower right corner.
//
// The caller creates it, may turn on double buffering, places it (left 0, top 0, 800 x 600),
// calls LoadAdvertPictures, then ShowModal, which returns once the form has closed, and frees
// it. The pictures are read from the program folder: "add_" (advertisement) and "addback_"
// (background) with "A" for Afrikaans (language 1) or "E" otherwise, and ".jpg". When either
// is missing the form closes itself at the close timer's first tick, 200 ms after set-up at
// the earliest and never before its modal showing serves events.

#include <string>

#include "advert/imgview.h"
#include "components/imagebutton.h"
#include "ui/control.h"
#include "ui/form.h"
#include "ui/timer.h"

namespace tov {

class Tadvertform : public TForm {
 public:
  static constexpr int kLanguageAfrikaans = 1;
  // Puts the view at the top of any picture up to twice this much taller than the viewport.
  static constexpr int kInitialScrollUp = 2500;

  // language: 0 none chosen yet, 1 Afrikaans, 2 English. programFolder ends in "/".
  Tadvertform(int language, std::string programFolder);
  ~Tadvertform() override;

  // Chooses and loads the pictures; enables the close timer when one is missing. A picture
  // that exists but cannot be read or decoded throws the picture layer's error.
  void LoadAdvertPictures();
  // ShowModal (the form's) shows it application-modal, in front of the window active now, and
  // returns when it has closed; a form closed before it was shown returns at once.

  void exitbutClick(TControl* sender);
  void closetimerTimer(TTimer* sender);

  // The components, in their stacking order from the bottom; the view is a window of its
  // own and lies above them all.
  TImage bground{*this, "bground"};
  TImage Image1{*this, "Image1"};
  TImageButAdvanced exitbut{*this, "exitbut"};
  TImgView adviewer{this};
  TTimer closetimer{200};

 private:
  void setUpImage1();
  void setUpExitButton();
  void setUpViewer();
  void setUpCloseTimer();

  int language_;
  std::string programFolder_;
};

}  // namespace tov
