#include "mainmenu/mainform.h"

#include <tuple>

#include "mainmenu/assets.h"
#include "mainmenu/files.h"
#include "platform/file_names.h"
#include "platform/working_folder.h"
#include "ui/application.h"

namespace tov {

namespace {
// How long the music waits for the first frame to reach the screen before it gets ready
// all the same.
constexpr int kFirstPaintWaitMs = 250;
constexpr Color kButtonFace = 0xF0F0F0;
constexpr Color kWhite = 0xFFFFFF;
constexpr Color kNameFieldColour = 13612455;  // red 167, green 181, blue 207

struct ImagePlace {
  TImage TForm1::*image;
  int left, top, width, height, tag;
  bool visible;
  TCursor cursor;
};

// Where every picture control sits when the form is created.
const ImagePlace kImagePlaces[] = {
    {&TForm1::bground, 0, 0, 800, 600, 0, true, crDefault},
    {&TForm1::but1, 77, 144, 37, 35, 1, true, crDefault},
    {&TForm1::but2, 77, 185, 37, 35, 2, true, crDefault},
    {&TForm1::but3, 77, 256, 37, 35, 3, true, crDefault},
    {&TForm1::but4, 77, 335, 37, 35, 4, true, crDefault},
    {&TForm1::but5, 77, 436, 37, 35, 5, true, crDefault},
    {&TForm1::but9, 471, 262, 37, 35, 9, true, crDefault},
    {&TForm1::but8, 470, 223, 37, 35, 8, true, crDefault},
    {&TForm1::but7, 471, 184, 37, 35, 7, true, crDefault},
    {&TForm1::but6, 470, 145, 37, 35, 6, true, crDefault},
    {&TForm1::GreenLed, 2, 543, 37, 35, 0, false, crDefault},
    {&TForm1::YellowLed, 34, 543, 37, 35, 0, false, crDefault},
    {&TForm1::option1, 72, 140, 311, 42, 1, false, crHand},
    {&TForm1::option2, 72, 182, 313, 42, 2, false, crHand},
    {&TForm1::option3, 71, 252, 234, 42, 3, false, crHand},
    {&TForm1::option4, 71, 328, 250, 65, 4, false, crHand},
    {&TForm1::option5, 73, 434, 170, 42, 5, false, crHand},
    {&TForm1::option6, 467, 144, 297, 36, 6, false, crHand},
    {&TForm1::option7, 467, 183, 297, 36, 7, false, crHand},
    {&TForm1::option8, 467, 222, 297, 36, 8, false, crHand},
    {&TForm1::option9, 467, 261, 297, 36, 9, false, crHand},
    {&TForm1::overlay_eng, 392, 217, 350, 74, 0, false, crDefault},
    {&TForm1::overlay_afr, 48, 222, 336, 74, 0, false, crDefault},
    {&TForm1::langoverlayeng, 464, 228, 241, 57, 0, false, crHand},
    {&TForm1::langoverlayafr, 64, 229, 305, 57, 0, false, crHand},
    {&TForm1::mutebtn, -3, -2, 40, 40, 1, true, crDefault},
};

struct PanelPlace {
  TPanel TForm1::*panel;
  TMorphButton TForm1::*button;
  int left, top, width, height;
  int buttonLeft, buttonTop, buttonWidth, buttonHeight;
  bool visible;
  Color colour;
  bool stretch;
};

const PanelPlace kPanelPlaces[] = {
    {&TForm1::exitpanel, &TForm1::exitbut, 677, 469, 74, 68, 1, 1, 73, 68, false, kButtonFace, true},
    {&TForm1::reportpanel2, &TForm1::reportbut2, 49, 466, 73, 68, -2, -1, 75, 71, false, kButtonFace, true},
    {&TForm1::reportpanel, &TForm1::reportbut, 459, 456, 56, 51, -1, -1, 58, 53, false, kButtonFace, true},
    {&TForm1::exitpanel2, &TForm1::exitbut2, 459, 390, 57, 52, 0, 1, 57, 52, false, kButtonFace, true},
    {&TForm1::backpanel, &TForm1::MorphButton1, 459, 322, 56, 53, 1, 0, 56, 55, false, kButtonFace, true},
    {&TForm1::leftOkpanel, &TForm1::lefthandbut, 537, 411, 43, 35, -1, 0, 47, 37, true, kWhite, false},
    {&TForm1::rightOKPanel, &TForm1::righthandbut, 590, 411, 44, 35, -1, -1, 47, 37, true, kWhite, false},
};
}  // namespace

std::string frameFileName(const std::string& menuFolder, int number, int variant) {
  static const char* const kSuffixes[] = {".jpg", "a.jpg", "e.jpg"};
  if (variant < 0 || variant > 2) return {};
  return menuFolder + "m" + std::to_string(number) + kSuffixes[variant];
}

TForm1::TForm1(const Platform& platform) : platform_(platform) {
  OneInstance1.Loaded();
  GlobalHotKey2.setHotKey(scCtrl | scAlt | 'Z');  // 49242: held, with nothing attached
  setCaption(kFormCaption);
  setColor(kButtonFace);
  setDesignSize(790, 564);
  // The primary output, not the whole screen: another output beside it would take the
  // middle of the screen, or a part of the form.
  setScreenAreaSource([this] {
    const ScreenArea area = platform_.display->primaryOutputArea();
    return rectOf(area.left, area.top, area.width, area.height);
  });
  layOutControls();
  loadStoredPictures();
  wireEvents();
  FormCreate();
}

TForm1::~TForm1() {
  FormDestroy();
}

void TForm1::layOutControls() {
  for (const ImagePlace& place : kImagePlaces) {
    TImage& image = this->*place.image;
    image.setBounds(place.left, place.top, place.width, place.height);
    image.setTag(place.tag);
    image.setVisible(place.visible);
    image.setCursor(place.cursor);
  }
  bground.setAutoSize(true);
  for (TImage* lamp : {&but1, &but2, &but3, &but4, &but5, &but6, &but7, &but8, &but9, &GreenLed, &YellowLed})
    lamp->setStretch(true);
  overlay_eng.setAutoSize(true);
  overlay_afr.setAutoSize(true);
  mutebtn.setAutoSize(true);

  nameedit.setBounds(432, 293, 317, 34);
  nameedit.setVisible(false);
  nameedit.setColor(kNameFieldColour);
  nameedit.setFont(Font{"Arial", 24, true});
  // A double quote in the name would break the framing of the activity's and the report's
  // command lines, so the pupil's arguments would arrive corrupted.
  nameedit.setRejectedCharacters("\"");

  for (const PanelPlace& place : kPanelPlaces) {
    TPanel& panel = this->*place.panel;
    TMorphButton& button = this->*place.button;
    panel.setBounds(place.left, place.top, place.width, place.height);
    panel.setColor(place.colour);
    panel.setVisible(place.visible);
    button.setBounds(place.buttonLeft, place.buttonTop, place.buttonWidth, place.buttonHeight);
    button.setStretchToFit(place.stretch);
    button.setMorphRate(250);
    button.setCursor(crHand);
  }
  animatetimer.setInterval(200);
}

void TForm1::loadStoredPictures() {
  const std::pair<TImage*, const char*> stored[] = {
      {&bground, "bground.pic"}, {&GreenLed, "greenled.pic"}, {&YellowLed, "yellowled.pic"},
      {&overlay_eng, "overlay_eng.pic"}, {&overlay_afr, "overlay_afr.pic"}, {&mutebtn, "mutebtn.pic"}};
  for (const auto& [image, name] : stored) {
    image->picture().loadFromStored(assets::embeddedFile(name));
    image->pictureChanged();
  }
  const std::tuple<TMorphButton*, const char*, const char*> morphStored[] = {
      {&exitbut, "morph_exit1.pic", "morph_exit2.pic"},     {&exitbut2, "morph_exit1.pic", "morph_exit2.pic"},
      {&reportbut, "morph_report1.pic", "morph_report2.pic"}, {&reportbut2, "morph_report1.pic", "morph_report2.pic"},
      {&MorphButton1, "morph_back1.pic", "morph_back2.pic"},  {&lefthandbut, "morph_left1.pic", "morph_left2.pic"},
      {&righthandbut, "morph_right1.pic", "morph_right2.pic"}};
  for (const auto& [button, resting, hover] : morphStored) {
    button->MorphPic1().loadFromStored(assets::embeddedFile(resting));
    button->morphPicChanged();
    button->MorphPic2().loadFromStored(assets::embeddedFile(hover));
    button->morphPicChanged();
  }
}

void TForm1::wireEvents() {
  OnActivate = [this] { FormActivate(); };
  wireScreenEvents();
  wireLaunchEvents();
  wireVolumeEvents();
  wireExitEvents();
  closetimer.OnTimer = [this](TTimer*) { closetimerTimer(); };
  music.OnNotify = [this](TMediaPlayer*) { Application::guarded([this] { musicNotify(); }); };
  // An error met inside a tick (a frame that cannot be decoded) is reported and the screen
  // sequence goes on; letting it reach the timer would end the timer's worker for good.
  animatetimer.OnTimer = [this](auto*) {
    if (!destroyed_) Application::guarded([this] { animatetimerTimer(); });
  };
}

void TForm1::FormCreate() {
  volumeControlRunning = false;
  taskbarWindow = platform_.taskbar->find();
  platform_.taskbar->hide(taskbarWindow);
  bool switchAllowed = false;
  bool switched = false;
  try {
    switchAllowed = DisplaySwitchAllowed();
    // Another refresh rate only when the present one has no 800 x 600 at either depth.
    switched = switchAllowed && (TrySetDisplayMode(800, 600, 32) || TrySetDisplayMode(800, 600, 16) ||
                                 TrySetDisplayModeAtNearestRate(800, 600, 32) ||
                                 TrySetDisplayModeAtNearestRate(800, 600, 16));
  } catch (const std::exception& error) {
    // An unreadable settings file: reported, and the menu starts at its design size.
    Application::handleException(error);
    return;
  }
  if (switchAllowed && !switched) {
    RestoreDisplayMode();
    Application::messageDlg(kNoDisplayModeMessage, MsgDlgType::mtInformation, mbOK);
    closetimer.setEnabled(true);
    return;
  }
  setBounds(0, 0, 800, 600);
  // Hiding the docks is not enough: some desktops draw their panel in the window manager
  // or the shell (GNOME's top bar), and only a full-screen window is kept in front of it.
  if (switched) requestFullScreen();
}

void TForm1::FormActivate() {
  activityRunning = false;
  setDoubleBuffered(true);
  for (TPanel* panel : {&reportpanel2, &exitpanel, &rightOKPanel, &leftOkpanel, &backpanel, &exitpanel2, &reportpanel})
    panel->setDoubleBuffered(true);
  programFolder = workingFolder();
  menuFolder = programFolder + "menu/";
  musicFolder = programFolder + "Music/";
  languageSoundsFolder = programFolder + "Sounds-eng/";
  fxSoundsFolder = programFolder + "fxsounds/";
  pupilName.clear();
  // The music's player may still be reading its sound font: the first frame does not wait
  // for it. The music starts once it is read, and the intro after it, as ever: a question
  // about the music is answered before anything moves. Without a first frame the start
  // keeps its order, music first, then the message that ends the program.
  if (!music.Ready() && fileExists(resolveFileName(frameFileName(menuFolder, 1, 0)))) {
    ShowFirstFrame();
    // The reading starts once the frame is on the screen, so that it takes no processor
    // time from it.
    afterFirstPaint(
        [this] {
          music.WhenReady([this] {
            StartMusic();
            StartIntro();
          });
        },
        kFirstPaintWaitMs);
    return;
  }
  StartMusic();
  ShowFirstFrame();
  StartIntro();
}

void TForm1::ShowFirstFrame() {
  currentFrame = 1;
  language = 0;
  ShowFrame(1, 0);
}

void TForm1::StartIntro() {
  targetFrame = 4;
  animatetimer.setInterval(1000);
  animatetimer.setEnabled(true);
}

void TForm1::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  SetMouseButtonsSwapped(false);
  platform_.taskbar->show(taskbarWindow);
  RestoreDisplayMode();
}

void TForm1::closetimerTimer() {
  closetimer.setEnabled(false);
  Close();
}

void TForm1::SetMouseButtonsSwapped(bool swapped) { platform_.pointer->setButtonsSwapped(swapped); }

void TForm1::PlayFxSound(const std::string& file) { playIfExists(resolveFileName(fxSoundsFolder + file)); }

void TForm1::PlayLanguageSound(const std::string& file) { playIfExists(resolveFileName(languageSoundsFolder + file)); }

void TForm1::playIfExists(const std::string& path) {
  if (fileExists(path)) playWaveFile(path);
}

void TForm1::playWaveFile(const std::string& path) {
  sound.Wave().LoadFromFile(path);
  sound.Wave().Play();
}

}  // namespace tov
