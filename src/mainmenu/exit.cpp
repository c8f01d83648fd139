// Leaving through an exit button: the goodbye, the exit frame, the advertisement screen, the end.
#include <memory>

#include "advert/advertform.h"
#include "mainmenu/mainform.h"
#include "ui/application.h"

namespace tov {

void TForm1::wireExitEvents() {
  exitbut.OnClick = [this](TControl*) { exitbutClick(); };
  exitbut2.OnClick = [this](TControl*) { exitbutClick(); };
}

void TForm1::exitbutClick() {
  PlayLanguageSound("m2.wav");
  ShowFrame(13, 0);
  // A missing exit frame has closed the main window already: the program is ending, and an
  // advertisement screen shown now would keep it alive until its exit button is pressed.
  if (!Visible()) return;
  // A picture of the advertisement screen that cannot be decoded is reported, and the
  // program ends all the same: the pupil asked to leave.
  Application::guarded([this] {
    auto advertform = std::make_unique<Tadvertform>(language, programFolder);
    advertform->setDoubleBuffered(true);
    advertform->setBounds(0, 0, 800, 600);
    // Over a full-screen menu only another full-screen window is sure to come in front.
    if (FullScreen()) advertform->requestFullScreen();
    advertform->LoadAdvertPictures();
    advertform->ShowModal();
  });
  Close();
}

}  // namespace tov
