#pragma once
// TForm1: the main form. Its controls in creation order, the menu state the screens share,
// and the start-up, display and frame logic; the screens' handlers live beside it.

#include <array>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "components/globalhotkey.h"
#include "components/morphbutton.h"
#include "components/oneinstance.h"
#include "components/starter.h"
#include "components/sysinfo.h"
#include "components/threadedtimer.h"
#include "platform/platform.h"
#include "sound/audiomixer.h"
#include "sound/mediaplayer.h"
#include "sound/wave.h"
#include "ui/control.h"
#include "ui/edit.h"
#include "ui/form.h"
#include "ui/timer.h"

namespace tov {

inline constexpr const char* kApplicationTitle = "Tovaleer Gr 45";
inline constexpr const char* kFormCaption = "Tovaleer! Gr4-5 v4.2";

inline constexpr const char* kMissingFrameMessage =
    "Animation frame does not exists! Uninstall and then re-install software.";
inline constexpr const char* kNoDisplayModeMessage =
    "This program requires a screen resolution of at least 800x600 @ 16bit colour. Please "
    "update your display drivers.";
inline constexpr const char* kMidiDriverMessage =
    "The MCI driver for midi-files is not properly installed. Midi files are music files that "
    "are used for background music. Do you want to disable the music?";
inline constexpr const char* kMidiRemovedMessage = "Please re-start this program. Midi-files have been removed.";
inline constexpr const char* kSelectionTune = "mm8-select.mid";
inline constexpr const char* kVolumeControlMissingMessage = "Volume control utility not found!";
inline constexpr const char* kVolumeControlRunningMessage = "Volume control allready loaded!";
inline constexpr const char* kSwapQuestionAfrikaans =
    "Die L-Knoppie ruil die funksies van jou muis se knoppies om. Is jy seker jy wil dit doen?";
inline constexpr const char* kSwapQuestionEnglish =
    "The L-button will swap the functions of your mouse buttons. Are you sure you want to do this?";
inline constexpr const char* kColourDepthMessage =
    "This program requires a colordepth of at least 16-bit to view the graphics in this "
    "application. Update your display driver or graphics adaptor.";

// The file of frame number in variant (0 neutral, 1 Afrikaans, 2 English); empty for any
// other variant.
std::string frameFileName(const std::string& menuFolder, int number, int variant);

// The activity program of option 1 to 9, relative to the program folder: the Afrikaans one
// when language is 1, the English one otherwise.
std::string activityProgramPath(int option, int language);

// The parameter line of an activity program: the program folder, the pupil's name, two
// empty arguments and "TRUE", each framed as "*value#".
std::string activityParameters(const std::string& programFolder, const std::string& pupilName);
// The parameter line of the report program: as an activity's with the language code ("AFR",
// "ENG" or empty) as a sixth argument, each framed as "value*".
std::string reportParameters(const std::string& programFolder, const std::string& pupilName, int language);

// The random pick of the next piece: 1 to count, from the time of day in milliseconds since
// midnight (UTC), by one step of the linear congruential generator.
int pickMusicIndex(int count, std::uint32_t msSinceMidnight);

// The MIDI files of folder in the order the system lists them; includeHidden adds the
// files whose names begin with a dot. Folders are never listed.
std::vector<std::string> listMidiFiles(const std::string& folder, bool includeHidden);

class TForm1 : public TForm {
  // First, so that the components below can be built on the platform's services.
  Platform platform_;

 public:
  // Built before every control, and OneInstance1 is checked first of all: a second copy of
  // the program ends in the constructor, having changed nothing on the desktop.
  TOneInstance OneInstance1{*platform_.instanceLock, *platform_.windowActivator};
  TGlobalHotKey GlobalHotKey2{*platform_.hotKey};

  // Creates every control and runs FormCreate.
  explicit TForm1(const Platform& platform);
  // Runs FormDestroy: the desktop is given back before any control goes.
  ~TForm1() override;

  void FormCreate();
  void FormActivate();
  // Frame 1, the start screen; then the intro's run to the language screen (frames 2 to 4).
  void ShowFirstFrame();
  void StartIntro();
  void FormDestroy();
  void closetimerTimer();

  bool DisplaySwitchAllowed();
  // Switches to the mode of this size and depth at the present refresh rate.
  bool TrySetDisplayMode(int width, int height, int bits);
  // As TrySetDisplayMode, at the offered rate nearest the present one: for displays that
  // offer no such mode at the rate they run at (100 Hz and more).
  bool TrySetDisplayModeAtNearestRate(int width, int height, int bits);
  bool ApplyDisplayMode(const DisplayMode& mode);
  void RestoreDisplayMode();
  void SetMouseButtonsSwapped(bool swapped);

  void ShowFrame(int number, int variant);
  void HideAllControls();
  void SetOptionsVisible(bool visible);
  void animatetimerTimer();

  void PlayFxSound(const std::string& file);
  void PlayLanguageSound(const std::string& file);

  // The language screen.
  void langoverlayafrMouseMove();
  void langoverlayengMouseMove();
  void langoverlayafrClick();
  void langoverlayengClick();
  // The name and hand screen.
  void nameeditKeyPress(char32_t& key);
  void righthandbutClick();
  void lefthandbutClick();
  // The menu screen.
  void option1MouseMove(TControl* sender);
  void bgroundMouseMove();
  void optionClick(int option);  // option1Click to option9Click
  void option1Click() { optionClick(1); }
  void MorphButton1Click();

  // Starting programs and coming back.
  void LaunchActivity(const std::string& relativePath);
  void appExeAfterStart();
  void appExeError();
  void appExeFinished();
  void reportbutClick();
  void reportbut2Click();

  // Leaving.
  void exitbutClick();

  // The mute picture.
  void mutebtnClick();
  void volstarterFinished();

  void StartMusic();
  void PlayNextMusic();
  void musicNotify();

  // Menu state.
  TaskbarHandle taskbarWindow = 0;
  std::string programFolder;
  std::string menuFolder;
  std::string musicFolder;
  std::string languageSoundsFolder;
  std::string fxSoundsFolder;
  int language = 0;
  std::string pupilName;
  int currentFrame = 0;
  int targetFrame = 0;
  int returnFrame = 0;
  bool nameSoundPlayed = false;
  bool activityRunning = false;
  bool optionLocked = false;
  std::string activityPath;
  bool musicPending = false;
  bool volumeControlRunning = false;

  // The music folder's pieces, read once at the first random pick. The list grows with the
  // folder: a folder of more than fifty pieces is played whole.
  std::vector<std::string> musicFiles;
  int musicFileCount = 0;
  bool musicListLoaded = false;

  // Display setup state.
  DeviceCaps startMode;
  std::vector<DisplayMode> modeList;
  int savedModeIndex = 0;

  // Controls, in creation order: pictures are drawn in this order.
  TImage bground{*this, "bground"};
  TImage but1{*this, "but1"};
  TImage but2{*this, "but2"};
  TImage but3{*this, "but3"};
  TImage but4{*this, "but4"};
  TImage but5{*this, "but5"};
  TImage but9{*this, "but9"};
  TImage but8{*this, "but8"};
  TImage but7{*this, "but7"};
  TImage but6{*this, "but6"};
  TImage GreenLed{*this, "GreenLed"};
  TImage YellowLed{*this, "YellowLed"};
  TImage option1{*this, "option1"};
  TImage option2{*this, "option2"};
  TImage option3{*this, "option3"};
  TImage option4{*this, "option4"};
  TImage option5{*this, "option5"};
  TImage option6{*this, "option6"};
  TImage option7{*this, "option7"};
  TImage option8{*this, "option8"};
  TImage option9{*this, "option9"};
  TImage overlay_eng{*this, "overlay_eng"};
  TImage overlay_afr{*this, "overlay_afr"};
  TImage langoverlayeng{*this, "langoverlayeng"};
  TImage langoverlayafr{*this, "langoverlayafr"};
  TImage mutebtn{*this, "mutebtn"};
  TEdit nameedit{*this, "nameedit"};
  TMediaPlayer music{*platform_.music};
  TPanel exitpanel{*this, "exitpanel"};
  TMorphButton exitbut{exitpanel, "exitbut"};
  TPanel reportpanel2{*this, "reportpanel2"};
  TMorphButton reportbut2{reportpanel2, "reportbut2"};
  TPanel reportpanel{*this, "reportpanel"};
  TMorphButton reportbut{reportpanel, "reportbut"};
  TPanel exitpanel2{*this, "exitpanel2"};
  TMorphButton exitbut2{exitpanel2, "exitbut2"};
  TPanel backpanel{*this, "backpanel"};
  TMorphButton MorphButton1{backpanel, "MorphButton1"};
  TPanel leftOkpanel{*this, "leftOkpanel"};
  TMorphButton lefthandbut{leftOkpanel, "lefthandbut"};
  TPanel rightOKPanel{*this, "rightOKPanel"};
  TMorphButton righthandbut{rightOKPanel, "righthandbut"};

  // Components without a window. The animation timer goes first at destruction, so no
  // tick reaches a control that is already gone.
  TTimer closetimer{2500};
  TSysInfo sysinfo;
  TStarter appExe{*platform_.processes};
  TStarter volstarter{*platform_.processes};
  TWaveComp sound{*platform_.waveOutput};
  TAudioMixer mixer{*platform_.mixer};  // opens mixer device 0; the menu reads nothing of it
  TThreadedTimer animatetimer;

 protected:
  // Plays a wave file that exists, without waiting for it.
  virtual void playWaveFile(const std::string& path);
  // Milliseconds since midnight, UTC: the seed of every random pick of music.
  virtual std::uint32_t timeOfDayMs() const;

 private:
  void layOutControls();
  void playIfExists(const std::string& path);
  // Loads a frame that exists; one that cannot be decoded leaves the last picture, and is
  // reported the first time only.
  void loadFrame(const std::string& fileName);
  void loadStoredPictures();
  void wireEvents();
  void wireScreenEvents();
  void wireLaunchEvents();
  void wireVolumeEvents();
  void wireExitEvents();
  void startProgram(const std::string& command, const std::string& parameters);
  std::string folderAsSeenBy(const std::string& program) const;
  // Lets the starter get ready for the suite's programs (Wine, for Windows ones) while the
  // pupil is still on the first screens; once.
  void prepareProgramStarts();
  void startReport();
  void backFromProgram();
  void chooseLanguage(int chosen, const char* soundsFolder);
  bool takeNameAndHideField();
  void runToMenu();
  // Lights the lamp of the option tagged litTag with lamp and clears every other lamp.
  void setLamps(int litTag, const Picture* lamp);
  int screenWidth() const;
  // Present: only the rate the display runs at; Nearest: the offered rate nearest to it.
  enum class RateChoice { Present, Nearest };
  bool switchDisplayMode(int width, int height, int bits, RateChoice rateChoice);

  bool destroyed_ = false;
  bool startFailed_ = false;  // the last start failed: its after-start event changes nothing
  bool programStartsPrepared_ = false;
  std::set<std::string> damagedFramesReported_;  // frame files whose decoding error was shown
};

}  // namespace tov
