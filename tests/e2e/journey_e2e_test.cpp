// The pupil's journey through the real program, on a real X server with openbox and tint2,
// driven with xdotool as a pupil would drive it: language, name, hand, the menu, activities
// and the report program (the demo folder's stand-ins), and the way back. What happened is
// read from outside: the screen, window states, the pointer mapping and the stand-ins' log
// of the arguments they received.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/desktop_state.h"
#include "support/processes.h"
#include "support/real_menu.h"
#include "support/shell_text.h"

namespace tov::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Limits for conditions that normally hold within a second; generous, for a busy machine.
constexpr int kScreenMs = 10000;
constexpr int kWindowMs = 10000;

// Middles of the controls, in screen pixels of the 800 x 600 window at 0, 0 (more in
// support/real_menu.h).
constexpr Point kAfrikaans{64 + 305 / 2, 229 + 57 / 2};
constexpr Point kRightHand{590 + 44 / 2, 411 + 35 / 2};
constexpr Point kBack{459 + 56 / 2, 322 + 53 / 2};
constexpr Point kLanguageScreenReport{49 + 73 / 2, 466 + 68 / 2};
constexpr Point kMenuReport{459 + 56 / 2, 456 + 51 / 2};
constexpr Point kBackground{300, 100};  // on the menu's title, outside every control

struct Option {
  Point area;  // middle of the option's click area
  Point lamp;  // a point inside the lit glass of its indicator
  const char* afrikaansProgram;
  const char* englishProgram;
  const char* afrikaansName;  // the stand-in's window title starts with it
  const char* englishName;
};

// A lamp's glass is lit well inside its 37 x 35 indicator; this point lies below and right
// of the middle, away from the glass's white reflection.
constexpr Point lampPoint(int left, int top) { return {left + 21, top + 21}; }

const Option kOptions[] = {
    {{72 + 311 / 2, 140 + 42 / 2}, lampPoint(77, 144), "OPSIE1/opsie1.exe", "Option1/option1.exe", "Leesbegrip", "Reading comprehension"},
    {{72 + 313 / 2, 182 + 42 / 2}, lampPoint(77, 185), "OPSIE2/opsie2.exe", "Option2/option2.exe", "Leeskonsentrasie", "Reading concentration"},
    {{71 + 234 / 2, 252 + 42 / 2}, lampPoint(77, 256), "OPSIE3/opsie3.exe", "Option3/option3.exe", "Spelherkenning", "Spelling recognition"},
    {{71 + 250 / 2, 328 + 65 / 2}, lampPoint(77, 335), "OPSIE4/opsie4.exe", "Option4/option4.exe", "Geheue", "Memory"},
    {{73 + 170 / 2, 434 + 42 / 2}, lampPoint(77, 436), "OPSIE5/opsie5.exe", "Option5/option5.exe", "Kreatiewe denke", "Creative thinking"},
    {{467 + 297 / 2, 144 + 36 / 2}, lampPoint(470, 145), "OPSIE6/opsie6.exe", "Option6/option6.exe", "Vermenigvuldiging", "Multiplication"},
    {{467 + 297 / 2, 183 + 36 / 2}, lampPoint(471, 184), "OPSIE7/opsie7.exe", "Option7/option7.exe", "Deling", "Division"},
    {{467 + 297 / 2, 222 + 36 / 2}, lampPoint(470, 223), "OPSIE8/opsie8.exe", "Option8/option8.exe", "Optelling", "Addition"},
    {{467 + 297 / 2, 261 + 36 / 2}, lampPoint(471, 262), "OPSIE9/opsie9.exe", "Option9/option9.exe", "Aftrekking", "Subtraction"},
};

const Option& option(int number) { return kOptions[number - 1]; }

enum class Language { Afrikaans, English };
enum class Hand { Left, Right, EnterKey };

struct Rgb {
  int r = -1, g = -1, b = -1;
};

bool isYellow(Rgb c) { return c.r > 200 && c.g > 150 && c.b < 130; }
bool isGreen(Rgb c) { return c.g > 140 && c.r < 150 && c.b < 150; }
bool isLit(Rgb c) { return isYellow(c) || isGreen(c); }

// The stand-ins' log: one line per start, the program's relative path and then each
// argument, tab-separated; \\, \t, \n and \r stand for the characters themselves.
using LogLine = std::vector<std::string>;

std::vector<LogLine> parseLog(const std::string& text) {
  std::vector<LogLine> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    LogLine fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
      fields.push_back(unescapedLogField(line.substr(start, tab - start)));
    fields.push_back(unescapedLogField(line.substr(start)));
    lines.push_back(fields);
  }
  return lines;
}

// What an activity receives: five arguments framed "*...#" (the quotes of the command line
// are taken away by its splitting into arguments).
LogLine activityStart(const std::string& program, const std::string& folder, const std::string& name) {
  return {program, "*" + folder + "#", "*" + name + "#", "*#", "*#", "*TRUE#"};
}

// What the report program receives: six arguments framed "...*", the last the language.
LogLine reportStart(const std::string& folder, const std::string& name, const std::string& code) {
  return {"report/report.exe", folder + "*", name + "*", "*", "*", "TRUE*", code + "*"};
}

class JourneyEndToEnd : public DesktopSuite {
 protected:
  static void SetUpTestSuite() {
    DesktopSuite::SetUpTestSuite();
    // Letters that the keyboard map lacks are typed by xdotool through a key it maps for a
    // moment and maps back, and the program may read the key after the map has changed back:
    // the letter is lost. Keys of their own, given before the program starts, avoid that.
    if (session_)
      session_->run("xmodmap -e 'keycode any = eacute Eacute' -e 'keycode any = ediaeresis Ediaeresis' "
                    "-e 'keycode any = ecircumflex Ecircumflex' -e 'keycode any = ocircumflex Ocircumflex' "
                    "-e 'keycode any = idiaeresis Idiaeresis'");
  }

  void SetUp() override {
    TOV_SKIP_WITHOUT_X(session_, whyNot_);
    folder_ = folderForThisTest("tovaleer-journey");
    copyDemoFolder(folder_);
    // The menu's program folder is its working directory as the system names it.
    programFolder_ = fs::canonical(folder_).string() + "/";
    logPath_ = (folder_ / "standin.log").string();
    ASSERT_TRUE(fs::exists(folder_ / "report" / "report.exe")) << "the demo folder has no stand-ins";
  }

  void TearDown() override {
    if (menu_) menu_->terminate(2000);
    if (session_) {
      // Stand-ins the menu started are not in its process group: end them by their window.
      session_->run("for w in $(xdotool search --name ' - Tovaleer$' 2>/dev/null); do "
                    "kill $(xdotool getwindowpid $w 2>/dev/null) 2>/dev/null; done");
      restoreDesktop(*session_);
    }
    fs::remove_all(folder_);
  }

  // ---- the menu ----

  void startMenu() {
    std::string why;
    const std::string command = "cd " + shellQuoted(folder_.string()) + " && TOVALEER_STANDIN_LOG=" + shellQuoted(logPath_) +
                                " " + environment_ + " exec " + shellQuoted(kBuildDir + "/tovaleer");
    menu_ = session_->launch({"sh", "-c", command}, (folder_ / "menu.log").string(), &why);
    ASSERT_TRUE(menu_) << why;
    ASSERT_TRUE(session_->waitFor([&] { return !menuWindow().empty(); }, kWindowMs)) << menuLog();
  }

  std::string menuLog() { return "menu's output: " + readFile((folder_ / "menu.log").string()); }

  // The menu keeps its one window from start to end.
  std::string menuWindow() {
    if (menuWindow_.empty()) menuWindow_ = windowNamed(kMenuTitle);
    return menuWindow_;
  }

  // Only a window on show counts: a window can carry its title before it is mapped, and
  // keys sent to it then reach another one. xdotool's search ends with an X error when a
  // window goes while it looks, so an empty answer means "not found now", never "gone":
  // that is asked of a known window (viewable).
  std::string windowNamed(const std::string& pattern) {
    return trimmed(session_->run("xdotool search --onlyvisible --name " + shellQuoted(pattern) +
                                 " 2>/dev/null | head -n 1"));
  }

  bool viewable(const std::string& window) {
    return session_->run("xwininfo -id " + window + " 2>/dev/null").find("IsViewable") != std::string::npos;
  }

  // ---- the pointer and the keyboard ----

  // The button that acts as the left one: the pointer mapping decides which physical
  // button xdotool must press for it.
  int leftButton() { return pointerMap(*session_) == "3 2 1 " ? 3 : 1; }

  void moveTo(Point at) { session_->run("xdotool mousemove --sync " + std::to_string(at.x) + " " + std::to_string(at.y)); }

  void click(Point at) {
    moveTo(at);
    session_->run("xdotool click " + std::to_string(leftButton()));
  }

  void typeText(const std::string& text) { session_->run("xdotool type --delay 40 " + shellQuoted(text)); }

  // Keys to a window of its own (a message box, a stand-in): made active first, since the
  // fake key events go to the window that has the focus.
  void keyTo(const std::string& window, const std::string& keys) {
    session_->run("xdotool windowactivate --sync " + window + " key --clearmodifiers " + keys);
  }

  // ---- the screen ----

  std::string screenshot() {
    const std::string shot = (folder_ / "shot.png").string();
    session_->run("import -window root " + shellQuoted(shot));
    return shot;
  }

  double difference(const std::string& frame, const std::string& region) {
    lastDifference_ = frameDifference(*session_, referenceFolder_.empty() ? folder_ : referenceFolder_, frame, region);
    return lastDifference_;
  }

  // The frame's middle only: the mute picture, the report and exit buttons lie at the edges.
  bool screenShows(const std::string& frame) {
    const bool same = difference(frame, "[700x360+50+50]") < 0.04;
    const fs::path shot = (referenceFolder_.empty() ? folder_ : referenceFolder_) / "shot.png";
    if (!same) session_->run("cp " + shellQuoted(shot.string()) + " /tmp/tovaleer-journey-last-shot.png");
    return same;
  }

  // A screen the journey must reach to go on; a failure ends the test (with
  // ASSERT_NO_FATAL_FAILURE around the step) instead of waiting out every later condition.
  void reachScreen(const std::string& frame) {
    ASSERT_TRUE(session_->waitFor([&] { return screenShows(frame); }, kScreenMs))
        << frame << ": difference " << lastDifference_ << " (last screen: /tmp/tovaleer-journey-last-shot.png); "
        << menuLog();
  }

  Rgb pixel(Point at) {
    const std::string shot = screenshot();
    const std::string p = "p{" + std::to_string(at.x) + "," + std::to_string(at.y) + "}";
    const std::string out = session_->run("convert " + shellQuoted(shot) + " -format '%[fx:int(255*" + p + ".r+0.5)] %[fx:int(255*" +
                                          p + ".g+0.5)] %[fx:int(255*" + p + ".b+0.5)]' info:");
    Rgb colour;
    std::istringstream(out) >> colour.r >> colour.g >> colour.b;
    return colour;
  }

  // ---- the stand-ins ----

  std::vector<LogLine> standinLog() { return parseLog(readFile(logPath_)); }

  // Waits for the count-th start in the log and returns it.
  std::optional<LogLine> waitForStart(std::size_t count) {
    std::vector<LogLine> log;
    if (!session_->waitFor([&] { return (log = standinLog()).size() >= count; }, kWindowMs)) return std::nullopt;
    return log[count - 1];
  }

  std::string standinWindow(const std::string& name) { return windowNamed("^" + name + " - Tovaleer$"); }

  std::string waitForStandin(const std::string& name) {
    std::string window;
    session_->waitFor([&] { return !(window = standinWindow(name)).empty(); }, kWindowMs);
    return window;
  }

  // Ends a stand-in by its button (or Enter on it) and returns how long after the process
  // ended the menu window was normal again; nothing when it did not come back.
  std::optional<int> finishStandin(const std::string& window, bool byButton) {
    const std::string pid = trimmed(session_->run("xdotool getwindowpid " + window));
    if (pid.empty()) return std::nullopt;
    const pid_t standin = pid_t(std::atol(pid.c_str()));
    if (byButton) {
      const std::string geometry = session_->run("xdotool getwindowgeometry --shell " + window);
      int x = 0, y = 0, width = 0, height = 0;
      std::istringstream in(geometry);
      for (std::string line; std::getline(in, line);) {
        std::sscanf(line.c_str(), "X=%d", &x);
        std::sscanf(line.c_str(), "Y=%d", &y);
        std::sscanf(line.c_str(), "WIDTH=%d", &width);
        std::sscanf(line.c_str(), "HEIGHT=%d", &height);
      }
      // The Done button spans the bottom middle of the 640 x 420 window.
      click({x + width / 2, y + height - 50});
    } else {
      keyTo(window, "Return");
    }
    if (!session_->waitFor([&] { return processEnded(standin); }, kWindowMs)) return std::nullopt;
    const auto ended = Clock::now();
    const std::string menu = menuWindow();
    if (!session_->waitFor([&] { return normal(*session_, menu); }, kWindowMs)) return std::nullopt;
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - ended).count());
  }

  // ---- the journey ----

  void toLanguageScreen() {
    ASSERT_NO_FATAL_FAILURE(startMenu());
    reachScreen("m4.jpg");
  }

  // From the language screen to the menu. The name field comes with the hand buttons, half
  // a second after frame 7; a hand button that differs from the frame shows they are there.
  void toMenu(Language language, const std::string& typedName, Hand hand, bool answerYes = true) {
    const std::string suffix = language == Language::Afrikaans ? "a" : "e";
    click(language == Language::Afrikaans ? kAfrikaans : kEnglish);
    ASSERT_NO_FATAL_FAILURE(reachScreen("m7" + suffix + ".jpg"));
    ASSERT_TRUE(session_->waitFor([&] { return difference("m7" + suffix + ".jpg", "[43x35+537+411]") > 0.05; }, kScreenMs))
        << "the hand buttons did not appear; difference " << lastDifference_;
    typeText(typedName);
    if (hand == Hand::EnterKey) {
      session_->run("xdotool key --clearmodifiers Return");
    } else {
      click(hand == Hand::Left ? kLeftHand : kRightHand);
    }
    if (hand == Hand::Left) {
      ASSERT_NO_FATAL_FAILURE(answerSwapQuestion(answerYes));
    }
    reachScreen("m10" + suffix + ".jpg");
  }

  void answerSwapQuestion(bool yes) {
    std::string box;
    ASSERT_TRUE(session_->waitFor([&] { return !(box = windowNamed("^Confirm$")).empty(); }, kWindowMs))
        << "the left hand's question did not come";
    keyTo(box, yes ? "alt+y" : "alt+n");
    EXPECT_TRUE(session_->waitFor([&] { return !viewable(box); }, kWindowMs));
  }

  // Clicks an option and waits for its stand-in; the menu is minimised while it runs.
  std::string launch(int number, Language language) {
    const Option& chosen = option(number);
    click(chosen.area);
    const std::string window =
        waitForStandin(language == Language::Afrikaans ? chosen.afrikaansName : chosen.englishName);
    EXPECT_FALSE(window.empty()) << "option " << number << " started nothing; " << menuLog();
    EXPECT_TRUE(session_->waitFor([&] { return minimised(*session_, menuWindow()); }, kWindowMs))
        << "the menu is not minimised while the activity runs";
    return window;
  }

  void endMenuWithSigterm() {
    ::kill(menu_->pid(), SIGTERM);
    const auto code = menu_->wait(5000);
    ASSERT_TRUE(code.has_value()) << "the menu did not end on SIGTERM";
    EXPECT_EQ(*code, 0);
  }

  fs::path folder_;
  fs::path referenceFolder_;  // where the frames to compare with lie; empty: folder_
  std::string environment_;   // NAME=value words for the menu's command
  std::string programFolder_;
  std::string logPath_;
  double lastDifference_ = 1.0;
  std::string menuWindow_;
  std::unique_ptr<ChildProcess> menu_;
};

// A left-handed pupil: the buttons are exchanged from the question on (every later click is
// made with the other physical button), the lamp follows the pointer, an option starts its
// activity, the back button returns to the language screen, and the end puts the buttons back.
TEST_F(JourneyEndToEnd, LeftHandedPupilChoosesAnActivityAndGoesBack) {
  ASSERT_NO_FATAL_FAILURE(toLanguageScreen());
  ASSERT_NO_FATAL_FAILURE(toMenu(Language::Afrikaans, "anél van wyk", Hand::Left, /*answerYes=*/true));
  ASSERT_TRUE(session_->waitFor([&] { return pointerMap(*session_) == "3 2 1 "; }, kWindowMs))
      << "Yes exchanges the buttons";

  // The yellow lamp follows the pointer from option to option and goes out over the page.
  for (const int number : {6, 3, 7}) {
    moveTo(option(number).area);
    EXPECT_TRUE(session_->waitFor([&] { return isYellow(pixel(option(number).lamp)); }, kScreenMs))
        << "option " << number << "'s lamp is not yellow";
  }
  EXPECT_FALSE(isLit(pixel(option(3).lamp))) << "an earlier lamp stays lit";
  moveTo(kBackground);
  EXPECT_TRUE(session_->waitFor([&] { return !isLit(pixel(option(7).lamp)); }, kScreenMs));

  const std::string window = launch(6, Language::Afrikaans);
  const auto start = waitForStart(1);
  ASSERT_TRUE(start);
  EXPECT_EQ(*start, activityStart("OPSIE6/opsie6.exe", programFolder_, "ANÉL VAN WYK"));
  EXPECT_EQ(pointerMap(*session_), "3 2 1 ") << "the activity runs with the pupil's buttons";
  ASSERT_FALSE(window.empty());
  EXPECT_TRUE(finishStandin(window, /*byButton=*/true)) << "the menu did not come back";
  reachScreen("m10a.jpg");

  click(kBack);
  reachScreen("m4.jpg");

  endMenuWithSigterm();
  EXPECT_EQ(pointerMap(*session_), "1 2 3 ") << "the end gives the normal buttons back";
}

// Under GNOME's platform theme Qt lays the question's buttons out No | Yes and would make
// the first one the default: Enter must still answer Yes, as on every desktop.
TEST_F(JourneyEndToEnd, EnterAnswersYesToTheLeftHandsQuestionUnderGnomesTheme) {
  environment_ = "QT_QPA_PLATFORMTHEME=gtk3";
  ASSERT_NO_FATAL_FAILURE(toLanguageScreen());
  click(kEnglish);
  ASSERT_NO_FATAL_FAILURE(reachScreen("m7e.jpg"));
  ASSERT_TRUE(session_->waitFor([&] { return difference("m7e.jpg", "[43x35+537+411]") > 0.05; }, kScreenMs))
      << "the hand buttons did not appear";
  typeText("sam");
  click(kLeftHand);
  std::string box;
  ASSERT_TRUE(session_->waitFor([&] { return !(box = windowNamed("^Confirm$")).empty(); }, kWindowMs)) << menuLog();
  keyTo(box, "Return");
  EXPECT_TRUE(session_->waitFor([&] { return !viewable(box); }, kWindowMs));
  EXPECT_TRUE(session_->waitFor([&] { return pointerMap(*session_) == "3 2 1 "; }, kWindowMs))
      << "Enter did not answer Yes";
  endMenuWithSigterm();
}

// The whole journey: two activities, each started with exactly the five framed
// arguments, the menu minimised while each runs and normal again once it has ended.
TEST_F(JourneyEndToEnd, ActivitiesGetTheFramedArgumentsAndTheMenuComesBack) {
  ASSERT_NO_FATAL_FAILURE(toLanguageScreen());
  ASSERT_NO_FATAL_FAILURE(toMenu(Language::English, "zoë du toit", Hand::Right));
  EXPECT_EQ(pointerMap(*session_), "1 2 3 ");

  struct Step {
    int option;
    bool byButton;
  };
  for (const Step step : {Step{6, false}, Step{8, true}}) {
    SCOPED_TRACE("option " + std::to_string(step.option));
    const std::size_t starts = standinLog().size();
    const std::string window = launch(step.option, Language::English);
    ASSERT_FALSE(window.empty());
    const auto start = waitForStart(starts + 1);
    ASSERT_TRUE(start);
    EXPECT_EQ(*start, activityStart(option(step.option).englishProgram, programFolder_, "ZOË DU TOIT"));
    EXPECT_TRUE(minimised(*session_, menuWindow())) << "the menu came back while the activity ran";
    const auto back = finishStandin(window, step.byButton);
    ASSERT_TRUE(back) << "the menu stayed minimised after the activity ended";
    // How long it took is kept for the record only: a busy machine may take any time.
    RecordProperty("restored_after_ms_option_" + std::to_string(step.option), *back);
    reachScreen("m10e.jpg");
  }
  EXPECT_EQ(standinLog().size(), 2u) << "one start per click";
}

// The report program from the language screen (no name yet, no language) and from the menu
// (the name and the chosen language's code); each time the menu waits minimised and comes
// back to the screen it left.
TEST_F(JourneyEndToEnd, ReportFromTheLanguageScreenAndFromTheMenu) {
  const auto expectReport = [&](Point button, const LogLine& expected, const std::string& screen) {
    const std::size_t starts = standinLog().size();
    click(button);
    const std::string window = waitForStandin("Verslag / Report");
    ASSERT_FALSE(window.empty()) << menuLog();
    EXPECT_TRUE(session_->waitFor([&] { return minimised(*session_, menuWindow()); }, kWindowMs));
    const auto start = waitForStart(starts + 1);
    ASSERT_TRUE(start);
    EXPECT_EQ(*start, expected);
    EXPECT_TRUE(finishStandin(window, /*byButton=*/false));
    reachScreen(screen);
  };
  ASSERT_NO_FATAL_FAILURE(toLanguageScreen());
  {
    SCOPED_TRACE("language screen");
    expectReport(kLanguageScreenReport, reportStart(programFolder_, "", ""), "m4.jpg");
  }
  ASSERT_NO_FATAL_FAILURE(toMenu(Language::Afrikaans, "kôbus ïngrid", Hand::EnterKey));
  {
    SCOPED_TRACE("menu");
    expectReport(kMenuReport, reportStart(programFolder_, "KÔBUS ÏNGRID", "AFR"), "m10a.jpg");
  }
}

// A missing activity program: the platform's own error box, the menu never minimised; after
// the box the menu is unlocked and the next option starts its program.
TEST_F(JourneyEndToEnd, MissingActivityShowsTheErrorAndTheMenuStaysUsable) {
  fs::remove(folder_ / "OPSIE3" / "opsie3.exe");
  ASSERT_NO_FATAL_FAILURE(toLanguageScreen());
  ASSERT_NO_FATAL_FAILURE(toMenu(Language::Afrikaans, "thabo", Hand::Right));

  click(option(3).area);
  std::string box;
  ASSERT_TRUE(session_->waitFor([&] { return !(box = windowNamed("^Error$")).empty(); }, kWindowMs))
      << "no error box; " << menuLog();
  EXPECT_TRUE(normal(*session_, menuWindow()));
  keyTo(box, "Return");
  ASSERT_TRUE(session_->waitFor([&] { return !viewable(box); }, kWindowMs));
  EXPECT_TRUE(normal(*session_, menuWindow()));
  reachScreen("m10a.jpg");
  EXPECT_TRUE(standinLog().empty());

  const std::string window = launch(5, Language::Afrikaans);
  const auto start = waitForStart(1);
  ASSERT_TRUE(start) << "the options stayed locked after the failed start";
  EXPECT_EQ(*start, activityStart("OPSIE5/opsie5.exe", programFolder_, "THABO"));
  EXPECT_TRUE(finishStandin(window, /*byButton=*/false));
}

// The stand-in itself: it names the program it stands for in its title, keeps to its size,
// logs every argument byte for byte whatever it holds, and Enter ends it with code 0.
TEST_F(JourneyEndToEnd, StandinShowsItselfAndLogsEveryArgumentAsReceived) {
  const std::vector<std::string> arguments = {"*with\ttab#", "line\nbreak", " spaced ", "", "back\\slash",
                                              "Afrikaans: ê ë é ô ï", std::string("bad \xff byte"), "-platform"};
  std::vector<std::string> argv = {programFolder_ + "Option9/option9.exe"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::string why;
  auto standin = ChildProcess::spawn(
      {.argv = argv,
       .environment = environmentWith({"DISPLAY=" + session_->display(), "TOVALEER_STANDIN_LOG=" + logPath_}),
       .outputPath = (folder_ / "standin.out").string()},
      &why);
  ASSERT_TRUE(standin) << why;
  const std::string window = waitForStandin("Subtraction");
  ASSERT_FALSE(window.empty()) << readFile((folder_ / "standin.out").string());
  const std::string geometry = session_->run("xdotool getwindowgeometry " + window);
  EXPECT_NE(geometry.find("Geometry: 640x420"), std::string::npos) << geometry;

  LogLine expected = {"Option9/option9.exe"};
  expected.insert(expected.end(), arguments.begin(), arguments.end());
  EXPECT_EQ(standinLog(), std::vector<LogLine>{expected});
  const std::string log = readFile(logPath_);
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << "one line per start";

  keyTo(window, "Return");
  const auto code = standin->wait(kWindowMs);
  ASSERT_TRUE(code.has_value()) << "Enter did not end the stand-in";
  EXPECT_EQ(*code, 0);
}

}  // namespace
}  // namespace tov::test

namespace tov::test {
namespace {

constexpr Point kLanguageScreenExit{677 + 74 / 2, 469 + 68 / 2};
constexpr Point kMenuExit{459 + 57 / 2, 390 + 52 / 2};
constexpr Point kAdvertisementExit{738 + 49 / 2, 546 + 49 / 2};
constexpr Point kMute{-3 + 40 / 2, -2 + 40 / 2};

class LeavingEndToEnd : public JourneyEndToEnd {
 protected:
  // The advertisement screen shows the background of letter: its top strip, above the view,
  // matches that background better than the other language's.
  void expectAdvertisementIn(char letter) {
    ASSERT_TRUE(session_->waitFor([&] { return !windowNamed("^advertform$").empty(); }, kWindowMs)) << menuLog();
    const char other = letter == 'A' ? 'E' : 'A';
    const std::string strip = "[700x50+50+6]";
    EXPECT_TRUE(session_->waitFor([&] {
      return difference(std::string("../addback_") + letter + ".jpg", strip) + 0.02 <
             difference(std::string("../addback_") + other + ".jpg", strip);
    }, kWindowMs)) << "the advertisement of letter " << letter;
  }
  void leaveThroughTheAdvertisement() {
    click(kAdvertisementExit);
    const auto code = menu_->wait(kWindowMs);
    ASSERT_TRUE(code.has_value()) << "the program ends after the advertisement screen";
    EXPECT_EQ(*code, 0);
    EXPECT_TRUE(session_->waitFor([&] { return currentMode(*session_) == "1024x768"; }, 2000));
    EXPECT_TRUE(session_->waitFor([&] { return taskbarViewable(*session_); }, 2000));
    EXPECT_EQ(pointerMap(*session_), "1 2 3 ");
  }
};

TEST_F(LeavingEndToEnd, ExitFromTheLanguageScreenShowsTheEnglishAdvertisementAndEnds) {
  ASSERT_NO_FATAL_FAILURE(toLanguageScreen());
  click(kLanguageScreenExit);
  ASSERT_NO_FATAL_FAILURE(expectAdvertisementIn('E'));
  ASSERT_NO_FATAL_FAILURE(leaveThroughTheAdvertisement());
}

TEST_F(LeavingEndToEnd, ExitFromTheMenuWithAfrikaansShowsTheAfrikaansAdvertisementAndEnds) {
  ASSERT_NO_FATAL_FAILURE(toLanguageScreen());
  ASSERT_NO_FATAL_FAILURE(toMenu(Language::Afrikaans, "thabo", Hand::Left, /*answerYes=*/true));
  click(kMenuExit);
  ASSERT_NO_FATAL_FAILURE(expectAdvertisementIn('A'));
  ASSERT_NO_FATAL_FAILURE(leaveThroughTheAdvertisement());
}

// The volume control is the system's pavucontrol. Without a sound server (as on a test
// machine) it ends by itself soon after it starts; with one, the test closes its window. Either
// way the menu is minimised while it runs and normal again when it has ended.
TEST_F(LeavingEndToEnd, TheMutePictureStartsTheVolumeControlWithTheMenuOutOfTheWay) {
  if (!fs::exists("/usr/bin/pavucontrol") && !fs::exists("/usr/local/bin/pavucontrol")) {
    if (xTestsRequired()) FAIL() << "pavucontrol is not installed";
    GTEST_SKIP() << "pavucontrol is not installed";
  }
  ASSERT_NO_FATAL_FAILURE(toLanguageScreen());
  click(kMute);
  EXPECT_TRUE(session_->waitFor([&] { return minimised(*session_, menuWindow()); }, kWindowMs))
      << windowState(*session_, menuWindow());
  ASSERT_TRUE(session_->waitFor([&] {
    session_->run("for w in $(xdotool search --onlyvisible --class pavucontrol 2>/dev/null); do "
                  "kill $(xdotool getwindowpid $w 2>/dev/null) 2>/dev/null; done");
    return normal(*session_, menuWindow());
  }, 30000)) << windowState(*session_, menuWindow());
}

}  // namespace
}  // namespace tov::test

namespace tov::test {
namespace {

// A school's own suite as it is copied from Windows media: every name in upper case, and
// Windows programs at every activity path and at the report path. The Windows stand-in (built
// with mingw-w64) logs its wide command line, its arguments as CommandLineToArgvW splits them
// and its working folder, and ends by itself.
class SchoolSuiteEndToEnd : public LeavingEndToEnd {
 protected:
  static void SetUpTestSuite() {
    LeavingEndToEnd::SetUpTestSuite();
    whyNoWine_.clear();
    if (std::string(TOVALEER_STANDIN_WINDOWS).empty() || !fs::exists(TOVALEER_STANDIN_WINDOWS))
      whyNoWine_ = "the Windows stand-in was not built (no mingw-w64)";
    else if (std::system("command -v wine >/dev/null") != 0)
      whyNoWine_ = "wine is not installed";
    else if (!fs::exists(winePrefix() / "system.reg") &&
             std::system(("WINEPREFIX=" + shellQuoted(winePrefix().string()) +
                          " WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= DISPLAY= wine wineboot -i >/dev/null 2>&1 && "
                          "WINEPREFIX=" + shellQuoted(winePrefix().string()) + " wineserver -w").c_str()) != 0)
      whyNoWine_ = "the Wine prefix could not be made";
  }

  static fs::path winePrefix() { return fs::path(kBuildDir) / "wineprefix"; }

  void SetUp() override {
    LeavingEndToEnd::SetUp();
    if (HasFatalFailure() || IsSkipped()) return;
    if (!whyNoWine_.empty()) {
      if (xTestsRequired()) FAIL() << whyNoWine_;
      GTEST_SKIP() << whyNoWine_;
    }
    // The frames to compare the screen with keep their demo names.
    referenceFolder_ = folder_ / "reference";
    fs::create_directories(referenceFolder_);
    fs::create_directory_symlink(fs::canonical(fs::path(kBuildDir) / "suite" / "menu"), referenceFolder_ / "menu");
    for (const char* program : {"OPSIE1/opsie1.exe", "OPSIE2/opsie2.exe", "OPSIE3/opsie3.exe", "OPSIE4/opsie4.exe",
                                "OPSIE5/opsie5.exe", "OPSIE6/opsie6.exe", "OPSIE7/opsie7.exe", "OPSIE8/opsie8.exe",
                                "OPSIE9/opsie9.exe", "Option1/option1.exe", "Option2/option2.exe", "Option3/option3.exe",
                                "Option4/option4.exe", "Option5/option5.exe", "Option6/option6.exe", "Option7/option7.exe",
                                "Option8/option8.exe", "Option9/option9.exe", "report/report.exe"})
      fs::copy_file(TOVALEER_STANDIN_WINDOWS, folder_ / program, fs::copy_options::overwrite_existing);
    std::ofstream(folder_ / "displaysettings.txt") << "SET=YES\n";
    upperCaseEveryName(folder_, {"reference", "standin.log"});
    windowsFolder_ = "Z:" + programFolder_;
    std::replace(windowsFolder_.begin(), windowsFolder_.end(), '/', '\\');
    // A locale that is not UTF-8: the name's letters must reach the program all the same.
    environment_ = "LANG=C LC_ALL= LC_CTYPE= WINEDEBUG=-all TOVALEER_STANDIN_DONE_AFTER_MS=3000 WINEPREFIX=" +
                   shellQuoted(winePrefix().string());
  }

  void TearDown() override {
    LeavingEndToEnd::TearDown();
    if (whyNoWine_.empty())
      std::system(("WINEPREFIX=" + shellQuoted(winePrefix().string()) + " wineserver -k 2>/dev/null").c_str());
  }

  static void upperCaseEveryName(const fs::path& folder, const std::vector<std::string>& keep) {
    std::vector<fs::path> entries;
    for (const auto& entry : fs::directory_iterator(folder))
      if (std::find(keep.begin(), keep.end(), entry.path().filename().string()) == keep.end()) entries.push_back(entry.path());
    for (const fs::path& entry : entries) {
      if (fs::is_directory(entry) && !fs::is_symlink(entry)) upperCaseEveryName(entry, {});
      std::string name = entry.filename().string();
      std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::toupper(c)); });
      if (name != entry.filename().string()) fs::rename(entry, entry.parent_path() / name);
    }
  }

  // A start of the Windows stand-in: its arguments after the program's own name, and its
  // working folder (the log has the wide command line, then every argument, then the folder).
  struct WindowsStart {
    std::vector<std::string> arguments;
    std::string folder;
  };
  std::optional<WindowsStart> windowsStart(std::size_t count) {
    const auto line = waitForStart(count);
    if (!line || line->size() < 3) return std::nullopt;
    return WindowsStart{{line->begin() + 2, line->end() - 1}, line->back()};
  }

  // The menu minimised while the program runs, and normal again after it has ended by itself.
  void expectAwayWhileItRuns() {
    EXPECT_TRUE(session_->waitFor([&] { return minimised(*session_, menuWindow()); }, kWindowMs))
        << "the menu is not minimised while the Windows program runs";
    EXPECT_TRUE(session_->waitFor([&] { return normal(*session_, menuWindow()); }, 30000))
        << "the menu did not come back after the Windows program ended";
  }

  static std::string whyNoWine_;
  std::string windowsFolder_;
};

std::string SchoolSuiteEndToEnd::whyNoWine_;

TEST_F(SchoolSuiteEndToEnd, UpperCaseNamesAndWindowsProgramsWorkAsTheDemoSuiteDoes) {
  ASSERT_NO_FATAL_FAILURE(toLanguageScreen());
  EXPECT_EQ(currentMode(*session_), "800x600") << "DISPLAYSETTINGS.TXT allows the switch";
  ASSERT_NO_FATAL_FAILURE(toMenu(Language::English, "zoë bo", Hand::Right));

  click(option(6).area);
  const auto activity = windowsStart(1);
  ASSERT_TRUE(activity) << menuLog();
  EXPECT_EQ(activity->arguments, (std::vector<std::string>{"*" + windowsFolder_ + "#", "*ZOË BO#", "*#", "*#", "*TRUE#"}));
  EXPECT_EQ(activity->folder + "\\", windowsFolder_) << "the program folder is the working folder";
  ASSERT_NO_FATAL_FAILURE(expectAwayWhileItRuns());
  reachScreen("m10e.jpg");

  click(kMenuReport);
  const auto report = windowsStart(2);
  ASSERT_TRUE(report) << menuLog();
  EXPECT_EQ(report->arguments,
            (std::vector<std::string>{windowsFolder_ + "*", "ZOË BO*", "*", "*", "TRUE*", "ENG*"}));
  ASSERT_NO_FATAL_FAILURE(expectAwayWhileItRuns());

  click(kMenuExit);
  ASSERT_NO_FATAL_FAILURE(expectAdvertisementIn('E'));
  ASSERT_NO_FATAL_FAILURE(leaveThroughTheAdvertisement());
}

// Wine is kept ready while the menu runs, and goes with the menu however it ends: by SIGTERM
// (the menu's own orderly end) or by SIGKILL (no code of the menu runs).
class SchoolSuiteMenuEnd : public SchoolSuiteEndToEnd, public ::testing::WithParamInterface<int> {};

TEST_P(SchoolSuiteMenuEnd, LeavesNoWineServerBehind) {
  ASSERT_NO_FATAL_FAILURE(toLanguageScreen());
  const std::string prefix = winePrefix().string();
  ASSERT_TRUE(session_->waitFor([&] { return !wineServersOf(prefix).empty(); }, 60000))
      << "Wine is not kept ready while the menu runs; " << menuLog();

  ::kill(menu_->pid(), GetParam());
  ASSERT_TRUE(menu_->wait(kWindowMs).has_value()) << "the menu did not end";
  EXPECT_TRUE(session_->waitFor([&] { return wineServersOf(prefix).empty(); }, 60000))
      << "a Wine server of " << prefix << " outlived the menu";
}

INSTANTIATE_TEST_SUITE_P(Signals, SchoolSuiteMenuEnd, ::testing::Values(SIGTERM, SIGKILL),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(info.param == SIGKILL ? "Killed" : "Terminated");
                         });

}  // namespace
}  // namespace tov::test
