// The pupil's screens: the language choice, the name, the mouse hand and the menu options.
#include <algorithm>
#include <cctype>

#include "mainmenu/mainform.h"
#include "ui/application.h"

namespace tov {

namespace {
struct ActivityProgram {
  const char* afrikaans;
  const char* english;
};

// The activity programs of the nine options, relative to the program folder.
constexpr ActivityProgram kActivityPrograms[] = {
    {"OPSIE1/opsie1.exe", "Option1/option1.exe"}, {"OPSIE2/opsie2.exe", "Option2/option2.exe"},
    {"OPSIE3/opsie3.exe", "Option3/option3.exe"}, {"OPSIE4/opsie4.exe", "Option4/option4.exe"},
    {"OPSIE5/opsie5.exe", "Option5/option5.exe"}, {"OPSIE6/opsie6.exe", "Option6/option6.exe"},
    {"OPSIE7/opsie7.exe", "Option7/option7.exe"}, {"OPSIE8/opsie8.exe", "Option8/option8.exe"},
    {"OPSIE9/opsie9.exe", "Option9/option9.exe"},
};

bool nameHasBut(const TControl& control) {
  std::string name = control.Name();
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return name.find("but") != std::string::npos;
}

// The characters of UTF-8 text: every byte but the ones that continue a character.
std::size_t utf8CharacterCount(const std::string& text) {
  const auto startsCharacter = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; };
  return std::size_t(std::count_if(text.begin(), text.end(), startsCharacter));
}
}  // namespace

std::string activityProgramPath(int option, int language) {
  if (option < 1 || option > 9) return {};
  const ActivityProgram& program = kActivityPrograms[option - 1];
  return language == 1 ? program.afrikaans : program.english;
}

void TForm1::wireScreenEvents() {
  langoverlayafr.OnMouseMove = [this](TControl*, TShiftState, int, int) { langoverlayafrMouseMove(); };
  langoverlayeng.OnMouseMove = [this](TControl*, TShiftState, int, int) { langoverlayengMouseMove(); };
  langoverlayafr.OnClick = [this](TControl*) { langoverlayafrClick(); };
  langoverlayeng.OnClick = [this](TControl*) { langoverlayengClick(); };
  nameedit.OnKeyPress = [this](TEdit*, char32_t& key) { nameeditKeyPress(key); };
  lefthandbut.OnClick = [this](TControl*) { lefthandbutClick(); };
  righthandbut.OnClick = [this](TControl*) { righthandbutClick(); };
  bground.OnMouseMove = [this](TControl*, TShiftState, int, int) { bgroundMouseMove(); };
  TImage* const options[] = {&option1, &option2, &option3, &option4, &option5, &option6, &option7, &option8, &option9};
  for (int n = 1; n <= 9; ++n) {
    options[n - 1]->OnMouseMove = [this](TControl* sender, TShiftState, int, int) { option1MouseMove(sender); };
    options[n - 1]->OnClick = [this, n](TControl*) { optionClick(n); };
  }
  MorphButton1.OnClick = [this](TControl*) { MorphButton1Click(); };
}

// The language screen.

void TForm1::langoverlayafrMouseMove() {
  overlay_afr.setVisible(true);
  overlay_eng.setVisible(false);
}

void TForm1::langoverlayengMouseMove() {
  overlay_eng.setVisible(true);
  overlay_afr.setVisible(false);
}

void TForm1::langoverlayafrClick() { chooseLanguage(1, "Sounds-afr/"); }

void TForm1::langoverlayengClick() { chooseLanguage(2, "Sounds-eng/"); }

void TForm1::chooseLanguage(int chosen, const char* soundsFolder) {
  language = chosen;
  langoverlayafr.setVisible(false);
  langoverlayeng.setVisible(false);
  overlay_afr.setVisible(false);
  overlay_eng.setVisible(false);
  languageSoundsFolder = programFolder + soundsFolder;
  ShowFrame(5, 0);
  currentFrame = 5;
  targetFrame = 7;
  animatetimer.setEnabled(true);
}

// The name and hand screen.

void TForm1::nameeditKeyPress(char32_t& key) {
  if (key == 13) righthandbutClick();
  // The text as it is before this key takes effect.
  if (utf8CharacterCount(nameedit.Text()) == 1 && !nameSoundPlayed) {
    nameSoundPlayed = true;
    PlayLanguageSound("in2.wav");
  }
}

bool TForm1::takeNameAndHideField() {
  pupilName = nameedit.Text();
  if (pupilName.empty()) {
    nameedit.SetFocus();
    return false;
  }
  nameedit.setVisible(false);
  SetMouseButtonsSwapped(false);
  return true;
}

void TForm1::runToMenu() {
  currentFrame = 7;
  targetFrame = 10;
  animatetimer.setEnabled(true);
}

void TForm1::righthandbutClick() {
  if (!takeNameAndHideField()) return;
  runToMenu();
}

void TForm1::lefthandbutClick() {
  if (!takeNameAndHideField()) return;
  const char* question = language == 1 ? kSwapQuestionAfrikaans : kSwapQuestionEnglish;
  if (Application::messageDlg(question, MsgDlgType::mtConfirmation, mbYes | mbNo) == ModalResult::mrYes)
    SetMouseButtonsSwapped(true);
  runToMenu();
}

// The menu screen.

void TForm1::setLamps(int litTag, const Picture* lamp) {
  for (TControl* control : controls()) {
    auto* image = dynamic_cast<TImage*>(control);
    if (!image || !nameHasBut(*image)) continue;
    if (lamp && image->Tag() == litTag)
      image->setPicture(*lamp);
    else
      image->clearPicture();
  }
}

void TForm1::option1MouseMove(TControl* sender) {
  if (optionLocked) return;
  setLamps(sender->Tag(), &YellowLed.picture());
}

void TForm1::bgroundMouseMove() { setLamps(0, nullptr); }

void TForm1::optionClick(int option) {
  // Only the first option looks at the lock; the others always run.
  if (option == 1 && optionLocked) return;
  optionLocked = true;
  TImage* const lamps[] = {&but1, &but2, &but3, &but4, &but5, &but6, &but7, &but8, &but9};
  lamps[option - 1]->setPicture(GreenLed.picture());
  activityPath = activityProgramPath(option, language);
  returnFrame = 10;
  currentFrame = 10;
  targetFrame = 12;
  animatetimer.setEnabled(true);
}

void TForm1::MorphButton1Click() {
  PlayFxSound("back.wav");
  HideAllControls();
  ShowFrame(4, 0);
}

}  // namespace tov
