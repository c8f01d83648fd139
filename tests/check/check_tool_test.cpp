// tovaleer-check on copies of the demo program folder: whole, and broken one way at a time.
// Each case states the exit status and the words a person must read in the report.

#include <gtest/gtest.h>

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

ToolRun runTool(const std::vector<std::string>& argv, const std::string& name) {
  fs::create_directories(SCRATCH_DIR);
  const std::string outputPath = std::string(SCRATCH_DIR) + "/" + name + ".out";
  fs::remove(outputPath);  // the child appends to it
  std::string whyNot;
  auto child = test::ChildProcess::spawn({argv, {}, outputPath, -1}, &whyNot);
  if (!child) ADD_FAILURE() << "cannot start " << argv.front() << ": " << whyNot;
  if (!child) return {};
  const std::optional<int> code = child->wait(60000);
  if (!code) ADD_FAILURE() << argv.front() << " did not end";
  return {code.value_or(-1), test::readFile(outputPath)};
}

ToolRun check(const std::vector<std::string>& arguments, const std::string& name) {
  std::vector<std::string> argv = {CHECK_TOOL};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return runTool(argv, name);
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
    {"whole", [](const fs::path&) {}, {"--strict"}, 0, {"Summary: no problems"}},
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
    {"frames_folder_in_other_case", [](const fs::path& f) { fs::rename(f / "menu", f / "Menu"); }, {}, 1,
     {"error: menu/m1.jpg is missing (there is Menu/m1.jpg: names must match in letter case)", "20 errors"}},
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
    {"activity_windows_program", [](const fs::path& f) { writeFile(f / "OPSIE5/opsie5.exe", "MZ\x90\0", fs::perms(0755)); },
     {}, 0, {"warning: OPSIE5/opsie5.exe is a Windows program", "Afrikaans activity creative thinking"}},
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
     [](const fs::path& f) { fs::rename(f / "Music/mm8-select.mid", f / "Music/MM8-Select.mid"); }, {}, 0,
     {"warning: Music/mm8-select.mid is missing (there is Music/MM8-Select.mid", "only after the pupil's first activity"}},
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
  // One line per problem, then the summary: nothing else.
  std::vector<std::string> lines;
  std::istringstream stream(run.output);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(lines.back().starts_with("Summary: ")) << lines.back();
  for (std::size_t i = 0; i + 1 < lines.size(); ++i)
    EXPECT_TRUE(lines[i].starts_with("error: ") || lines[i].starts_with("warning: ")) << lines[i];
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
  };
  for (const Case& c : cases) {
    const ToolRun run = check(c.arguments, "usage");
    EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments.front() << "\n" << run.output;
    EXPECT_NE(run.output.find(c.words), std::string::npos) << run.output;
  }
}

}  // namespace
}  // namespace tov
