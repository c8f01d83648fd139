// tovaleer-check on copies of the demo program folder: whole, broken one way at a time, named
// as Windows media name it, and holding Windows programs on machines with and without Wine.
// Each case states the exit status and the words a person must read in the report.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace tov {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int exitCode = -1;
  std::string output;
};

// environment: complete ("NAME=value"); empty: this process's own.
ToolRun runTool(const std::vector<std::string>& argv, const std::string& name,
                const std::vector<std::string>& environment = {}, int timeoutMs = 60000) {
  fs::create_directories(SCRATCH_DIR);
  const std::string outputPath = std::string(SCRATCH_DIR) + "/" + name + ".out";
  fs::remove(outputPath);  // the child appends to it
  std::string whyNot;
  auto child = test::ChildProcess::spawn({argv, environment, outputPath, -1}, &whyNot);
  if (!child) ADD_FAILURE() << "cannot start " << argv.front() << ": " << whyNot;
  if (!child) return {};
  const std::optional<int> code = child->wait(timeoutMs);
  if (!code) ADD_FAILURE() << argv.front() << " did not end";
  return {code.value_or(-1), test::readFile(outputPath)};
}

ToolRun check(const std::vector<std::string>& arguments, const std::string& name,
              const std::vector<std::string>& environment = {}, int timeoutMs = 60000) {
  std::vector<std::string> argv = {CHECK_TOOL};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return runTool(argv, name, environment, timeoutMs);
}

bool contains(const std::string& text, const std::string& words) { return text.find(words) != std::string::npos; }

// One line per problem or piece of information, then the summary: nothing else.
void expectReportLinesOnly(const std::string& output) {
  std::vector<std::string> lines;
  std::istringstream stream(output);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(lines.back().starts_with("Summary: ")) << lines.back();
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    const std::string& line = lines[i];
    EXPECT_TRUE(line.starts_with("error: ") || line.starts_with("warning: ") || line.starts_with("info: ") ||
                line.starts_with("ok: "))
        << line;
  }
}

// Files are shared with the demo folder through hard links where the file system allows it:
// a break must replace a file (remove, then write), never change it in place.
void writeFile(const fs::path& path, const std::string& bytes, fs::perms permissions = fs::perms(0644)) {
  fs::remove(path);
  std::ofstream(path, std::ios::binary) << bytes;
  fs::permissions(path, permissions);
}

std::string readBytes(const fs::path& path) { return test::readFile(path.string()); }

void copyFolder(const fs::path& from, const fs::path& to) {
  std::error_code linkFailed;
  fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::create_hard_links, linkFailed);
  if (!linkFailed) return;
  fs::remove_all(to);
  fs::copy(from, to, fs::copy_options::recursive);
}

// A copy of the demo folder that lacks nothing: the advertisement pictures are added where
// the demo content does not have them yet.
fs::path completeCopy(const std::string& name) {
  const fs::path copy = fs::path(SCRATCH_DIR) / name;
  fs::remove_all(copy);
  fs::create_directories(SCRATCH_DIR);
  copyFolder(DEMO_SUITE, copy);
  for (const char* advert : {"add_A.jpg", "addback_A.jpg", "add_E.jpg", "addback_E.jpg"})
    if (!fs::exists(copy / advert)) writeFile(copy / advert, readBytes(SMALL_JPEG));
  return copy;
}

void removeMusicExcept(const fs::path& folder, const std::string& kept) {
  for (const fs::directory_entry& entry : fs::directory_iterator(folder / "Music"))
    if (entry.path().filename() != kept) fs::remove(entry.path());
}

const std::string kElf = std::string("\x7f" "ELF", 4) + std::string(60, '\0');

struct BrokenCopy {
  const char* name;
  std::function<void(const fs::path&)> breakIt;
  std::vector<std::string> options;
  int exitCode;
  std::vector<std::string> words;
};

void PrintTo(const BrokenCopy& broken, std::ostream* out) { *out << broken.name; }

const BrokenCopy kBrokenCopies[] = {
    {"whole", [](const fs::path&) {}, {"--strict"}, 0, {"info: kinds of the 19 programs: 19 native", "Summary: no problems"}},
    // Frames: the menu ends, or shows an error instead of the screen.
    {"missing_frame", [](const fs::path& f) { fs::remove(f / "menu/m6a.jpg"); }, {}, 1,
     {"error: menu/m6a.jpg is missing", "frame 6", "in Afrikaans", "1 error and 0 warnings", "would fail"}},
    {"frame_not_a_picture", [](const fs::path& f) { writeFile(f / "menu/m2.jpg", "not a picture at all"); }, {}, 1,
     {"error: menu/m2.jpg cannot be decoded", "frame 2 (the intro)"}},
    {"frame_cut_off", [](const fs::path& f) { writeFile(f / "menu/m10e.jpg", readBytes(f / "menu/m10e.jpg").substr(0, 120)); },
     {}, 1, {"error: menu/m10e.jpg cannot be decoded", "the menu screen) in English"}},
    {"frame_is_a_folder", [](const fs::path& f) { fs::remove(f / "menu/m13.jpg"); fs::create_directory(f / "menu/m13.jpg"); },
     {}, 1, {"error: menu/m13.jpg is a folder, not a file"}},
    {"frame_of_wrong_size", [](const fs::path& f) { writeFile(f / "menu/m4.jpg", readBytes(SMALL_JPEG)); }, {}, 0,
     {"warning: menu/m4.jpg is", "not 800 x 600", "the language screen"}},
    // A name that differs only in letter case is found, as the menu finds it.
    {"frames_folder_in_other_case", [](const fs::path& f) { fs::rename(f / "menu", f / "Menu"); }, {"--strict"}, 0,
     {"info: 20 names differ only in letter case from those the menu asks for: the menu finds them "
      "(--verbose lists them)",
      "Summary: no problems"}},
    // Sounds: silence, or an error message where the sound was asked for.
    {"missing_sound", [](const fs::path& f) { fs::remove(f / "fxsounds/blaai.wav"); }, {"--strict"}, 3,
     {"warning: fxsounds/blaai.wav is missing: the page-turn sound will be silent", "will run"}},
    {"sound_not_a_wave", [](const fs::path& f) { writeFile(f / "Sounds-afr/m2.wav", "RIFX\0\0\0\0WAVEfmt padding padding"); },
     {}, 0, {"warning: Sounds-afr/m2.wav is not a RIFF WAVE file: in Afrikaans, the exit buttons show an error message"}},
    {"sound_cut_off", [](const fs::path& f) { writeFile(f / "fxsounds/back.wav", std::string("RIFF\0\0\0\0WAVEfmt ", 16)); },
     {}, 0, {"warning: fxsounds/back.wav is cut off before the end of its wave header", "back button"}},
    {"sound_empty", [](const fs::path& f) { writeFile(f / "Sounds-eng/in2.wav", ""); }, {}, 0,
     {"warning: Sounds-eng/in2.wav is empty", "in English will be silent"}},
    // Programs: the pupil's choice does not start what it should.
    {"activity_not_executable", [](const fs::path& f) { writeFile(f / "Option3/option3.exe", kElf); }, {}, 0,
     {"warning: Option3/option3.exe is not executable", "chmod +x", "English activity spelling recognition"}},
    {"activity_damaged_windows_program",
     [](const fs::path& f) { writeFile(f / "OPSIE5/opsie5.exe", "MZ\x90\0", fs::perms(0755)); }, {}, 0,
     {"warning: OPSIE5/opsie5.exe is a DOS program or a damaged Windows program, which neither this system nor "
      "Wine can run",
      "Afrikaans activity creative thinking", "info: kinds of the 19 programs: 18 native, 1 not runnable"}},
    {"activity_document", [](const fs::path& f) { writeFile(f / "OPSIE1/opsie1.exe", "just some notes"); }, {}, 0,
     {"warning: OPSIE1/opsie1.exe is not a program", "opens the file as a document"}},
    {"activity_script", [](const fs::path& f) { writeFile(f / "Option7/option7.exe", "#!/bin/sh\nexit 0\n", fs::perms(0755)); },
     {"--strict"}, 0, {"Summary: no problems"}},
    {"activity_script_without_interpreter",
     [](const fs::path& f) { writeFile(f / "Option8/option8.exe", "#! /no/such/shell -e\n", fs::perms(0755)); }, {}, 0,
     {"warning: Option8/option8.exe is a script whose interpreter /no/such/shell is missing"}},
    {"activity_folder_at_its_path",
     [](const fs::path& f) { fs::remove(f / "Option9/option9.exe"); fs::create_directory(f / "Option9/option9.exe"); }, {}, 0,
     {"warning: Option9/option9.exe is a folder, not a program", "file manager"}},
    {"missing_report_program", [](const fs::path& f) { fs::remove(f / "report/report.exe"); }, {}, 0,
     {"warning: report/report.exe is missing: the report program will not start"}},
    // Advertisement pictures.
    {"missing_advertisement", [](const fs::path& f) { fs::remove(f / "add_A.jpg"); }, {"--strict"}, 3,
     {"warning: add_A.jpg is missing", "exit in Afrikaans"}},
    {"advertisement_not_a_picture", [](const fs::path& f) { writeFile(f / "addback_E.jpg", "GIF89a"); }, {}, 0,
     {"warning: addback_E.jpg cannot be decoded", "instead of the advertisement screen"}},
    // Music: silence, except a selection tune the menu cannot open.
    {"empty_music_folder", [](const fs::path& f) { removeMusicExcept(f, ""); }, {}, 0,
     {"warning: Music/ holds no MIDI files: there will be no background music", "1 warning"}},
    {"one_piece_and_no_selection_tune",
     [](const fs::path& f) { removeMusicExcept(f, "ode-to-joy.mid"); }, {}, 0,
     {"warning: Music/ holds one MIDI file and no mm8-select.mid: there will be no background music", "1 warning"}},
    {"selection_tune_in_other_case",
     [](const fs::path& f) { fs::rename(f / "Music/mm8-select.mid", f / "Music/MM8-Select.mid"); }, {"--strict"}, 0,
     {"info: 1 name differs only in letter case from the one the menu asks for", "Summary: no problems"}},
    {"no_music_folder", [](const fs::path& f) { fs::remove_all(f / "Music"); }, {}, 0,
     {"warning: Music is missing: there will be no background music", "1 warning"}},
    {"only_the_selection_tune", [](const fs::path& f) { removeMusicExcept(f, "mm8-select.mid"); }, {}, 0,
     {"warning: Music/ holds only the selection tune"}},
    {"selection_tune_not_midi", [](const fs::path& f) { writeFile(f / "Music/mm8-select.mid", "MThd"); }, {}, 1,
     {"error: Music/mm8-select.mid is not a MIDI file the menu can play", "deletes all the music"}},
    {"piece_not_midi", [](const fs::path& f) { writeFile(f / "Music/Broken.MID", "RIFF"); }, {}, 0,
     {"warning: Music/Broken.MID is not a MIDI file the menu can play"}},
    {"several_faults",
     [](const fs::path& f) { fs::remove(f / "menu/m1.jpg"); fs::remove(f / "Sounds-eng/m1.wav"); }, {"--strict"}, 1,
     {"error: menu/m1.jpg is missing", "the start screen", "warning: Sounds-eng/m1.wav is missing",
      "1 error and 1 warning"}},
};

class BrokenCopyTest : public ::testing::TestWithParam<BrokenCopy> {};

TEST_P(BrokenCopyTest, ReportsWhatIsWrongAndWhetherTheMenuWouldFail) {
  const BrokenCopy& broken = GetParam();
  const fs::path folder = completeCopy(broken.name);
  broken.breakIt(folder);
  std::vector<std::string> arguments = broken.options;
  arguments.push_back(folder.string());

  const ToolRun run = check(arguments, broken.name);

  EXPECT_EQ(run.exitCode, broken.exitCode) << run.output;
  for (const std::string& words : broken.words) EXPECT_NE(run.output.find(words), std::string::npos) << words << "\n" << run.output;
  expectReportLinesOnly(run.output);
  fs::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(Folders, BrokenCopyTest, ::testing::ValuesIn(kBrokenCopies),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CheckTool, TheDemoFolderAsBuiltLetsTheMenuRun) {
  const ToolRun run = check({DEMO_SUITE}, "demo");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(run.output.find("error:"), std::string::npos) << run.output;
}

TEST(CheckTool, ChecksTheWorkingDirectoryWhenNoFolderIsGiven) {
  const fs::path folder = completeCopy("working_directory");
  const ToolRun run = runTool({"/bin/sh", "-c", "cd \"$0\" && exec \"$1\"", folder.string(), CHECK_TOOL}, "cwd");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("Summary: no problems in " + folder.string()), std::string::npos) << run.output;
  fs::remove_all(folder);
}

// ---------------------------------------------------------------------------------------------
// Names as Windows media give them

std::string upperCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::toupper(c)); });
  return text;
}

void renameAllToUpperCase(const fs::path& folder) {
  std::vector<fs::path> entries;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) entries.push_back(entry.path());
  for (const fs::path& entry : entries) {
    if (fs::is_directory(entry)) renameAllToUpperCase(entry);
    const fs::path upper = entry.parent_path() / upperCase(entry.filename().string());
    if (upper != entry) fs::rename(entry, upper);
  }
}

fs::path upperCaseCopy(const std::string& name) {
  const fs::path folder = completeCopy(name);
  writeFile(folder / "displaysettings.txt", "SET=NO\n");
  renameAllToUpperCase(folder);
  return folder;
}

TEST(CheckTool, AFolderWithEveryNameInUpperCaseLetsTheMenuRunAndTellsTheCaseDifferences) {
  const fs::path folder = upperCaseCopy("upper_case");

  const ToolRun listed = check({"--strict", "--verbose", folder.string()}, "upper_case_verbose");
  const ToolRun counted = check({"--strict", folder.string()}, "upper_case");

  for (const ToolRun* run : {&listed, &counted}) {
    EXPECT_EQ(run->exitCode, 0) << run->output;
    EXPECT_FALSE(contains(run->output, "warning:") || contains(run->output, "error:")) << run->output;
    EXPECT_TRUE(contains(run->output, "Summary: no problems")) << run->output;
    expectReportLinesOnly(run->output);
  }
  const std::pair<const char*, const char*> kFoundAs[] = {
      {"menu/m1.jpg", "MENU/M1.JPG"},
      {"menu/m12e.jpg", "MENU/M12E.JPG"},
      {"fxsounds/blaai.wav", "FXSOUNDS/BLAAI.WAV"},
      {"Sounds-afr/m1.wav", "SOUNDS-AFR/M1.WAV"},
      {"Music", "MUSIC"},
      {"Music/mm8-select.mid", "MUSIC/MM8-SELECT.MID"},
      {"OPSIE1/opsie1.exe", "OPSIE1/OPSIE1.EXE"},
      {"Option6/option6.exe", "OPTION6/OPTION6.EXE"},
      {"report/report.exe", "REPORT/REPORT.EXE"},
      {"addback_E.jpg", "ADDBACK_E.JPG"},
      {"displaysettings.txt", "DISPLAYSETTINGS.TXT"},
  };
  for (const auto& [asked, found] : kFoundAs) {
    const std::string line = std::string("info: ") + asked + " is found as " + found + " (only the letter case differs)";
    EXPECT_TRUE(contains(listed.output, line)) << line << "\n" << listed.output;
    EXPECT_FALSE(contains(counted.output, line)) << "listed without --verbose: " << line;
  }
  EXPECT_TRUE(contains(counted.output, "names differ only in letter case from those the menu asks for")) << counted.output;
  fs::remove_all(folder);
}

// ---------------------------------------------------------------------------------------------
// Windows programs and Wine

constexpr std::uint16_t kPe32 = 0x10b;
constexpr std::uint16_t kPe32Plus = 0x20b;

void putLittleEndian16(std::string& bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = char(value & 0xff);
  bytes[at + 1] = char(value >> 8);
}

// The headers of a Windows program, as far as its kind is told: the DOS header pointing at
// "PE\0\0", the COFF header and an optional header of the size it declares.
std::string windowsProgram(std::uint16_t magic) {
  const std::uint16_t optionalSize = magic == kPe32Plus ? 240 : 224;
  std::string dos(0x40, '\0');
  dos[0] = 'M';
  dos[1] = 'Z';
  dos[0x3C] = 0x40;  // e_lfanew
  std::string coff(20, '\0');
  putLittleEndian16(coff, 0, magic == kPe32Plus ? 0x8664 : 0x14c);  // the machine
  putLittleEndian16(coff, 16, optionalSize);
  std::string optional(optionalSize, '\0');
  putLittleEndian16(optional, 0, magic);
  return dos + std::string("PE\0\0", 4) + coff + optional;
}

// A folder that stands for this machine's PATH: without wine, with a wine that is a program
// of its own (a build of Wine that brings its 32-bit part), with one that is a script like
// Debian's, which needs /usr/lib/wine/wine for 32-bit programs. One per test, named after
// it, as tests may run at the same time.
enum class WineOnPath { None, Program, Script };

std::string pathWith(WineOnPath wine, const std::string& testName) {
  const fs::path folder = fs::path(SCRATCH_DIR) / (testName + "-path");
  fs::remove_all(folder);
  fs::create_directories(folder);
  if (wine == WineOnPath::Program) fs::create_symlink("/bin/true", folder / "wine");
  if (wine == WineOnPath::Script) writeFile(folder / "wine", "#!/bin/sh\nexit 0\n", fs::perms(0755));
  return "PATH=" + folder.string();
}

bool debianWine32LoaderPresent() { return ::access("/usr/lib/wine/wine", X_OK) == 0; }

struct WindowsCase {
  const char* name;
  const char* program;  // where the Windows program goes
  std::uint16_t magic;
  WineOnPath wine;
  int exitCode;  // with --strict
  std::vector<std::string> words;
};

void PrintTo(const WindowsCase& windows, std::ostream* out) { *out << windows.name; }

const std::string kInstall32BitPart =
    "sudo dpkg --add-architecture i386 && sudo apt update && sudo apt install wine32:i386";

const WindowsCase kWindowsCases[] = {
    // Without the execute permission, which files copied from Windows media often lack.
    {"windows64_with_wine", "OPSIE5/opsie5.exe", kPe32Plus, WineOnPath::Program, 0,
     {"ok: OPSIE5/opsie5.exe: Windows 64-bit program, started through Wine",
      "info: kinds of the 19 programs: 18 native, 1 Windows 64-bit", "Summary: no problems"}},
    {"windows32_with_wine", "report/report.exe", kPe32, WineOnPath::Program, 0,
     {"ok: report/report.exe: Windows 32-bit program, started through Wine",
      "info: kinds of the 19 programs: 18 native, 1 Windows 32-bit"}},
    {"windows64_without_wine", "Option2/option2.exe", kPe32Plus, WineOnPath::None, 3,
     {"warning: Option2/option2.exe is a Windows 64-bit program and this machine has no Wine to run it "
      "(install it: sudo apt install wine): the English activity reading concentration (option 2) will not start"}},
    {"windows32_without_wine", "OPSIE9/opsie9.exe", kPe32, WineOnPath::None, 3,
     {"warning: OPSIE9/opsie9.exe is a Windows 32-bit program and this machine has no Wine to run it "
      "(install it: sudo apt install wine, and for 32-bit programs: " + kInstall32BitPart + ")"}},
    {"windows64_with_a_wine_script", "Option4/option4.exe", kPe32Plus, WineOnPath::Script, 0,
     {"ok: Option4/option4.exe: Windows 64-bit program, started through Wine"}},
    // Debian's wine script runs 32-bit programs only with its 32-bit loader: what this machine has decides.
    debianWine32LoaderPresent()
        ? WindowsCase{"windows32_with_a_wine_script", "Option4/option4.exe", kPe32, WineOnPath::Script, 0,
                      {"ok: Option4/option4.exe: Windows 32-bit program, started through Wine"}}
        : WindowsCase{"windows32_with_a_wine_script", "Option4/option4.exe", kPe32, WineOnPath::Script, 3,
                      {"warning: Option4/option4.exe is a Windows 32-bit program and this machine's Wine has no "
                       "32-bit part (install it: " + kInstall32BitPart + ")"}},
};

class WindowsProgramTest : public ::testing::TestWithParam<WindowsCase> {};

TEST_P(WindowsProgramTest, TellsItsKindAndWhetherThisMachineCanRunIt) {
  const WindowsCase& windows = GetParam();
  const fs::path folder = completeCopy(windows.name);
  writeFile(folder / windows.program, windowsProgram(windows.magic), fs::perms(0644));

  const ToolRun run = check({"--strict", "--verbose", folder.string()}, windows.name,
                            test::environmentWith({pathWith(windows.wine, windows.name)}));

  EXPECT_EQ(run.exitCode, windows.exitCode) << run.output;
  for (const std::string& words : windows.words) EXPECT_TRUE(contains(run.output, words)) << words << "\n" << run.output;
  expectReportLinesOnly(run.output);
  fs::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(Machines, WindowsProgramTest, ::testing::ValuesIn(kWindowsCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PrepareWine, FailsAndSaysHowToInstallWineWhenThereIsNone) {
  const ToolRun run = check({"--prepare-wine", DEMO_SUITE}, "prepare_without_wine",
                            test::environmentWith({pathWith(WineOnPath::None, "prepare_without_wine")}));
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_TRUE(contains(run.output, "there is no wine on PATH. Install it: sudo apt install wine")) << run.output;
}

bool wineOnPath() {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');)
    if (!folder.empty() && ::access((folder + "/wine").c_str(), X_OK) == 0) return true;
  return false;
}

// The real thing, in a prefix of its own: wine takes about ten seconds to make one.
TEST(PrepareWine, CreatesThePrefixThatWineprefixNames) {
  if (!wineOnPath()) {
    if (const char* ci = std::getenv("CI"); ci && std::string(ci) == "true") FAIL() << "wine is not installed";
    GTEST_SKIP() << "wine is not installed";
  }
  const fs::path prefix = fs::path(SCRATCH_DIR) / "wine-prefix";
  fs::remove_all(prefix);
  // No display and no offer to download Mono or Gecko: nothing may wait for a click.
  const ToolRun run = check({"--prepare-wine", DEMO_SUITE}, "prepare_wine",
                            test::environmentWith({"WINEPREFIX=" + prefix.string(), "DISPLAY=",
                                                   "WINEDLLOVERRIDES=mscoree,mshtml="}),
                            240000);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(contains(run.output, "The Wine prefix " + prefix.string() + " is ready")) << run.output;
  EXPECT_TRUE(fs::exists(prefix / "system.reg")) << run.output;
  EXPECT_TRUE(fs::is_directory(prefix / "drive_c")) << run.output;
  fs::remove_all(prefix);
}

TEST(CheckTool, CommandLineMistakesExitWithTwoAndHelpExplainsTheStatus) {
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    std::string words;
  };
  const Case cases[] = {
      {{"--help"}, 0, "Exit status: 0 the menu will run"},
      {{std::string(SCRATCH_DIR) + "/no-such-folder"}, 2, "no-such-folder is not a folder"},
      {{std::string(SMALL_JPEG)}, 2, "is not a folder"},
      {{"--colour"}, 2, "usage: tovaleer-check"},
      {{"one", "two"}, 2, "usage: tovaleer-check"},
      {{"--prepare-wine", std::string(SCRATCH_DIR) + "/no-such-folder"}, 2, "no-such-folder is not a folder"},
  };
  for (const Case& c : cases) {
    const ToolRun run = check(c.arguments, "usage");
    EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments.front() << "\n" << run.output;
    EXPECT_NE(run.output.find(c.words), std::string::npos) << run.output;
  }
}

}  // namespace
}  // namespace tov
