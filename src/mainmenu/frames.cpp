// The screen sequence: frames, the controls that belong to them, and the animation tick.
#include <algorithm>
#include <cctype>

#include "mainmenu/files.h"
#include "mainmenu/mainform.h"
#include "platform/file_names.h"
#include "ui/application.h"

namespace tov {

namespace {
std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

constexpr std::int64_t kNameScreenPauseMs = 500;
}  // namespace

void TForm1::ShowFrame(int number, int variant) {
  const std::string fileName = resolveFileName(frameFileName(menuFolder, number, variant));
  if (fileExists(fileName)) {
    loadFrame(fileName);
  } else {
    Application::messageDlg(kMissingFrameMessage, MsgDlgType::mtCustom, mbOK);
    // The program ends once the current event has been handled; the steps below still run.
    Close();
  }
  switch (number) {
    case 4:
      reportpanel2.setVisible(true);
      exitpanel.setVisible(true);
      overlay_afr.setVisible(false);
      overlay_eng.setVisible(false);
      langoverlayafr.setVisible(true);
      langoverlayeng.setVisible(true);
      break;
    case 7: {
      // The new frame is painted during the pause; the name controls come after it.
      const std::int64_t start = Application::tickCount();
      Repaint();
      Application::waitDispatching(start, kNameScreenPauseMs);
      leftOkpanel.setVisible(true);
      rightOKPanel.setVisible(true);
      nameedit.setVisible(true);
      nameedit.setText(pupilName);
      nameedit.SetFocus();
      nameSoundPlayed = false;
      PlayLanguageSound("m1.wav");
      break;
    }
    case 10:
      backpanel.setVisible(true);
      exitpanel2.setVisible(true);
      reportpanel.setVisible(true);
      SetOptionsVisible(true);
      break;
    default:
      HideAllControls();
      if (number != 1 && number != 13) PlayFxSound("blaai.wav");
      break;
  }
}

void TForm1::loadFrame(const std::string& fileName) {
  try {
    bground.loadPicture(fileName);
  } catch (const std::exception& error) {
    // Reported with its file, so that whoever looks after the suite knows what to replace;
    // the screen's controls still come, over the last picture shown, so that the pupil can
    // always go on and leave. Once in a run: a screen that comes again (the menu after every
    // activity) would otherwise stop the pupil with the same box each time.
    if (!damagedFramesReported_.insert(fileName).second) return;
    Application::handleException(
        Exception(formatError(ErrorCode::FramePictureUnreadable, fileName) + "\n" + error.what()));
  }
}

void TForm1::HideAllControls() {
  SetOptionsVisible(false);
  reportpanel2.setVisible(false);
  exitpanel.setVisible(false);
  leftOkpanel.setVisible(false);
  rightOKPanel.setVisible(false);
  nameedit.setVisible(false);
  backpanel.setVisible(false);
  exitpanel2.setVisible(false);
  reportpanel.setVisible(false);
  overlay_afr.setVisible(false);
  overlay_eng.setVisible(false);
  langoverlayeng.setVisible(false);
  langoverlayafr.setVisible(false);
}

void TForm1::SetOptionsVisible(bool visible) {
  for (TControl* control : controls()) {
    auto* image = dynamic_cast<TImage*>(control);
    if (!image) continue;
    const std::string name = lowerCase(image->Name());
    if (name.find("option") != std::string::npos) image->setVisible(visible);
    if (name.find("but") != std::string::npos) image->setVisible(visible);
  }
}

void TForm1::animatetimerTimer() {
  animatetimer.setInterval(200);
  if (currentFrame < targetFrame) {
    ++currentFrame;
    ShowFrame(currentFrame, language);
    return;
  }
  animatetimer.setEnabled(false);
  // The first rest is the language screen's: the suite's programs are got ready while the
  // pupil chooses, without taking time from a frame of the opening animation.
  prepareProgramStarts();
  if (currentFrame == 12) {
    LaunchActivity(activityPath);
    ShowFrame(returnFrame, language);
  }
}

}  // namespace tov
