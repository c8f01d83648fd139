#include "advert/advertform.h"

#include <filesystem>
#include <string_view>
#include <system_error>

#include "advert/assets.h"
#include "platform/file_names.h"
#include "platform/file_paths.h"
#include "ui/cursors.h"

namespace tov {

namespace {

constexpr int kDesignWidth = 790;
constexpr int kDesignHeight = 564;
constexpr Color kViewColour = 0xFFFFFF;        // white
constexpr Color kScrollBarColour = 0x008000;   // green
constexpr Color kHandleColour = 0x00FFFF;      // yellow
constexpr int kScrollIncrement = 8;

// A missing picture is a normal case here: the form then closes itself.
bool fileExists(const std::string& path) {
  std::error_code error;
  const auto status = std::filesystem::status(pathOf(path), error);
  return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

void readStored(Picture& picture, std::string_view name) {
  picture.loadFromStored(advert_assets::embeddedFile(name));
}

}  // namespace

Tadvertform::Tadvertform(int language, std::string programFolder)
    : language_(language), programFolder_(std::move(programFolder)) {
  setCaption("advertform");
  setDesignSize(kDesignWidth, kDesignHeight);
  bground.setBounds(0, 0, 800, 600);
  bground.setAutoSize(true);
  setUpImage1();
  setUpExitButton();
  setUpViewer();
  setUpCloseTimer();
}

Tadvertform::~Tadvertform() {
  // The timer's handler and the button's click must not reach a form being taken apart.
  closetimer.OnTimer = nullptr;
  exitbut.OnClick = nullptr;
}

void Tadvertform::setUpImage1() {
  Image1.setBounds(723, 534, 77, 68);
  Image1.setAutoSize(true);
  readStored(Image1.picture(), advert_assets::kImage1);
  Image1.pictureChanged();
}

void Tadvertform::setUpExitButton() {
  exitbut.setBounds(738, 546, 49, 49);
  exitbut.setAutoSize(true);
  exitbut.setCursor(crHand);
  exitbut.setHint("Gaan Terug");
  exitbut.setShowHint(true);
  // As a form reads its description: the picture shown, then the state pictures straight
  // in (no setter runs), then the switches; enabling last shows PicFrom.
  readStored(exitbut.picture(), advert_assets::kExitNormal);
  exitbut.pictureChanged();
  readStored(exitbut.PicFrom(), advert_assets::kExitNormal);
  readStored(exitbut.PicTo(), advert_assets::kExitHover);
  readStored(exitbut.PicDown(), advert_assets::kExitPressed);
  exitbut.setEnableButMove(true);
  exitbut.setEnableBut(true);
  exitbut.OnClick = [this](TControl* sender) { exitbutClick(sender); };
}

void Tadvertform::setUpViewer() {
  adviewer.setBounds(77, 64, 642, 475);
  adviewer.setColor(kViewColour);
  adviewer.setScrollBarColor(kScrollBarColour);
  adviewer.setHandleColor(kHandleColour);
  adviewer.setShowHandleGrip(true);
  adviewer.setScrollBarSize(0);  // the system's thickness
  adviewer.setIncrement(kScrollIncrement);
}

void Tadvertform::setUpCloseTimer() {
  closetimer.setEnabled(false);
  closetimer.setInterval(200);
  closetimer.OnTimer = [this](TTimer* sender) { closetimerTimer(sender); };
}

void Tadvertform::LoadAdvertPictures() {
  const std::string letter = language_ == kLanguageAfrikaans ? "A" : "E";
  const std::string advertFile = resolveFileName(programFolder_ + "add_" + letter + ".jpg");
  if (!fileExists(advertFile)) {
    closetimer.setEnabled(true);
    return;
  }
  const std::string backgroundFile = resolveFileName(programFolder_ + "addback_" + letter + ".jpg");
  if (fileExists(backgroundFile)) {
    bground.loadPicture(backgroundFile);
    exitbut.setHint(letter == "A" ? "Gaan uit" : "Exit");
  } else {
    closetimer.setEnabled(true);
  }
  adviewer.loadFromFile(advertFile);
  adviewer.scroll(0, -kInitialScrollUp);
}

void Tadvertform::exitbutClick(TControl*) { Close(); }

void Tadvertform::closetimerTimer(TTimer*) {
  closetimer.setEnabled(false);
  Close();
}

}  // namespace tov
