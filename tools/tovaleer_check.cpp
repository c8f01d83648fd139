// tovaleer-check [--strict] [--verbose] [FOLDER]
// tovaleer-check --prepare-wine [FOLDER]
// Reads a program folder (default: the current directory) the way the menu will, and tells
// the people who install the suite, one line per problem, what is missing or unreadable and
// what the pupil will meet because of it.
//
// An error is a problem that makes the menu fail: it ends, or stops the pupil with a question
// that can end it. A warning is one that only silences or disables something. The exit status
// says which was found (see the help text in the error table).
//
// Every file is read through the program's own code where the menu has one (the picture
// layer, the wave header check, the MIDI file check), so that the tool and the menu agree
// about what can be read. Names are found as the menu finds them, in any letter case (a suite
// copied from Windows media spells them as it likes); a difference in case alone is worth
// knowing but harms nothing, so it is information, not a warning.

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "check_wine.h"
#include "imaging/graphic.h"
#include "imaging/picture.h"
#include "platform/audio.h"
#include "platform/errors.h"
#include "platform/posix/file_names.h"
#include "platform/posix/program_kind.h"
#include "platform/sdl/midi_file_check.h"
#include "sound/wave.h"

namespace tov {
namespace {

namespace fs = std::filesystem;

enum ExitStatus { kMenuWillRun = 0, kMenuWouldFail = 1, kUsage = 2, kWarningsOnly = 3 };
enum WineExitStatus { kWinePrepared = 0, kWineNotPrepared = 1 };


struct Options {
  std::string folder = ".";
  bool strict = false;
  bool verbose = false;
  bool help = false;
  bool prepareWine = false;
};

std::optional<Options> parseOptions(int argc, char** argv) {
  Options options;
  bool folderGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      options.help = true;
    } else if (argument == "--strict") {
      options.strict = true;
    } else if (argument == "--verbose" || argument == "-v") {
      options.verbose = true;
    } else if (argument == "--prepare-wine") {
      options.prepareWine = true;
    } else if (argument.starts_with("-") || folderGiven) {
      return std::nullopt;
    } else {
      options.folder = argument;
      folderGiven = true;
    }
  }
  return options;
}

// ---------------------------------------------------------------------------------------------
// The report

using posix::ProgramKind;

constexpr std::array<ProgramKind, 5> kProgramKinds = {ProgramKind::Native, ProgramKind::Windows32,
                                                      ProgramKind::Windows64, ProgramKind::Script,
                                                      ProgramKind::NotRunnable};

const char* kindName(ProgramKind kind) {
  switch (kind) {
    case ProgramKind::Native: return "native";
    case ProgramKind::Windows32: return "Windows 32-bit";
    case ProgramKind::Windows64: return "Windows 64-bit";
    case ProgramKind::Script: return "script";
    default: return "not runnable";
  }
}

bool isWindowsKind(ProgramKind kind) { return kind == ProgramKind::Windows32 || kind == ProgramKind::Windows64; }

// Problems one line each; what is in order, names found in another letter case and each
// program's kind only with --verbose, and otherwise counted in a line before the summary.
class Report {
 public:
  explicit Report(bool verbose) : verbose_(verbose) {}

  void error(const std::string& text) {
    ++errors_;
    std::printf("error: %s\n", text.c_str());
  }
  void warning(const std::string& text) {
    ++warnings_;
    std::printf("warning: %s\n", text.c_str());
  }
  void good(const std::string& text) {
    ++checked_;
    if (verbose_) std::printf("ok: %s\n", text.c_str());
  }
  void caseDifference(const std::string& asked, const std::string& found) {
    ++caseDifferences_;
    if (verbose_) std::printf("info: %s is found as %s (only the letter case differs)\n", asked.c_str(), found.c_str());
  }
  void programKind(ProgramKind kind) {
    for (std::size_t i = 0; i < kProgramKinds.size(); ++i)
      if (kProgramKinds[i] == kind) ++programsOfKind_[i];
  }

  int errors() const { return errors_; }
  int warnings() const { return warnings_; }

  void summary(const std::string& folder) const {
    printCaseDifferences();
    printProgramKinds();
    if (errors_ > 0) {
      std::printf("Summary: %s and %s in %s: the menu would fail.\n", counted(errors_, "error").c_str(),
                  counted(warnings_, "warning").c_str(), folder.c_str());
    } else if (warnings_ > 0) {
      std::printf("Summary: no errors and %s in %s: the menu will run, but what the warnings name will be "
                  "silent or will not work.\n",
                  counted(warnings_, "warning").c_str(), folder.c_str());
    } else {
      std::printf("Summary: no problems in %s: all %d files the menu needs are in place.\n", folder.c_str(),
                  checked_);
    }
  }

 private:
  static std::string counted(int count, const char* noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
  }

  void printCaseDifferences() const {
    if (caseDifferences_ == 0 || verbose_) return;
    if (caseDifferences_ == 1) {
      std::printf("info: 1 name differs only in letter case from the one the menu asks for: the menu finds it "
                  "(--verbose lists it)\n");
      return;
    }
    std::printf("info: %d names differ only in letter case from those the menu asks for: the menu finds them "
                "(--verbose lists them)\n",
                caseDifferences_);
  }

  void printProgramKinds() const {
    std::string kinds;
    int programs = 0;
    for (std::size_t i = 0; i < kProgramKinds.size(); ++i) {
      if (programsOfKind_[i] == 0) continue;
      kinds += (kinds.empty() ? "" : ", ") + std::to_string(programsOfKind_[i]) + " " + kindName(kProgramKinds[i]);
      programs += programsOfKind_[i];
    }
    if (programs > 0) std::printf("info: kinds of the %s: %s\n", counted(programs, "program").c_str(), kinds.c_str());
  }

  bool verbose_;
  int errors_ = 0;
  int warnings_ = 0;
  int checked_ = 0;
  int caseDifferences_ = 0;
  std::array<int, kProgramKinds.size()> programsOfKind_{};
};

// ---------------------------------------------------------------------------------------------
// Finding files

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

bool isRegularFile(const fs::path& path) {
  std::error_code ignored;
  return fs::is_regular_file(path, ignored);
}

bool isFolder(const fs::path& path) {
  std::error_code ignored;
  return fs::is_directory(path, ignored);
}

bool isPresent(const fs::path& path) {
  std::error_code ignored;
  return fs::exists(path, ignored);
}

// A name the menu asks for and the path by which it exists here.
struct Located {
  std::string name;  // as the menu asks for it: "menu/m1.jpg"
  fs::path path;     // folder/MENU/M1.JPG; folder/menu/m1.jpg when it exists in no letter case
};

Located locate(const fs::path& folder, const std::string& name, Report& report) {
  const std::string asWritten = (folder / name).string();
  const std::string resolved = posix::resolvePath(asWritten);
  if (resolved != asWritten) {
    // The folder itself exists as written, so only the part after it can have changed.
    const std::size_t folderPart = asWritten.size() - name.size();
    report.caseDifference(name, resolved.size() > folderPart ? resolved.substr(folderPart) : resolved);
  }
  return {name, resolved};
}

std::string missingText(const Located& file) { return file.name + " is missing"; }

// The menu takes a name that exists as a folder or another special file for a missing one.
std::string absentText(const Located& file) {
  if (isFolder(file.path)) return file.name + " is a folder, not a file";
  if (isPresent(file.path)) return file.name + " is not a regular file";
  return missingText(file);
}

// The first bytes of a file, at most count; nothing when it cannot be read.
std::optional<std::string> readHead(const fs::path& path, std::size_t count) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string head(count, '\0');
  file.read(head.data(), std::streamsize(count));
  if (file.bad()) return std::nullopt;
  head.resize(std::size_t(file.gcount()));
  return head;
}

// The whole file when it is no larger than limit; nothing when it is larger or unreadable.
std::optional<std::vector<std::uint8_t>> readWhole(const fs::path& path, std::uintmax_t limit) {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(path, error);
  if (error || size > limit) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  file.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
  if (std::size_t(file.gcount()) != bytes.size()) return std::nullopt;
  return bytes;
}

// ---------------------------------------------------------------------------------------------
// Frames

const char* screenOfFrame(int number) {
  switch (number) {
    case 1: return "the start screen";
    case 2:
    case 3: return "the intro";
    case 4: return "the language screen";
    case 5:
    case 6: return "the turn to the name screen";
    case 7: return "the name and hand screen";
    case 8:
    case 9: return "the turn to the menu screen";
    case 10: return "the menu screen";
    case 11:
    case 12: return "the turn that starts an activity";
    default: return "the exit screen";
  }
}

struct FrameFile {
  int number;
  int variant;  // 0 neutral, 1 Afrikaans, 2 English: the menu's language numbers
};

// The frames the screen sequence shows: neutral 1 to 5 and 13, both languages of 6 to 12.
std::vector<FrameFile> framesTheMenuShows() {
  std::vector<FrameFile> frames;
  for (int number : {1, 2, 3, 4, 5}) frames.push_back({number, 0});
  for (int number = 6; number <= 12; ++number) {
    frames.push_back({number, 1});
    frames.push_back({number, 2});
  }
  frames.push_back({13, 0});
  return frames;
}

std::string frameName(const FrameFile& frame) {
  static constexpr std::array<const char*, 3> kSuffix = {".jpg", "a.jpg", "e.jpg"};
  return "menu/m" + std::to_string(frame.number) + kSuffix[std::size_t(frame.variant)];
}

std::string whenFrameIsShown(const FrameFile& frame) {
  std::string when = "frame " + std::to_string(frame.number) + " (" + screenOfFrame(frame.number) + ")";
  if (frame.variant == 1) when += " in Afrikaans";
  if (frame.variant == 2) when += " in English";
  return when;
}

constexpr int kFrameWidth = 800;
constexpr int kFrameHeight = 600;

void checkFrame(const fs::path& folder, const FrameFile& frame, Report& report) {
  const Located file = locate(folder, frameName(frame), report);
  const std::string& name = file.name;
  if (!isRegularFile(file.path)) {
    report.error(absentText(file) + ": the menu ends with \"Animation frame does not exists!\" at " +
                 whenFrameIsShown(frame));
    return;
  }
  Picture picture;
  try {
    picture.loadFromFile(file.path.string());
  } catch (const Exception& e) {
    report.error(name + " cannot be decoded (" + e.message() + "): the menu shows an error message instead of " +
                 whenFrameIsShown(frame));
    return;
  }
  if (picture.width() != kFrameWidth || picture.height() != kFrameHeight) {
    report.warning(name + " is " + std::to_string(picture.width()) + " x " + std::to_string(picture.height()) +
                   " pixels, not 800 x 600: the buttons of " + screenOfFrame(frame.number) +
                   " will not sit on the picture");
    return;
  }
  report.good(name);
}

void checkFrames(const fs::path& folder, Report& report) {
  for (const FrameFile& frame : framesTheMenuShows()) checkFrame(folder, frame, report);
}

// ---------------------------------------------------------------------------------------------
// Sounds

// The menu's sounds are loaded but never played here.
class SilentWaveOutput : public IWaveOutput {
 public:
  int deviceCount() override { return 0; }
  bool play(std::span<const std::uint8_t>) override { return false; }
  void stop() override {}
};

struct SoundUse {
  const char* name;
  const char* what;        // what falls silent when the file is missing
  const char* whenBroken;  // what happens when it exists but cannot be loaded: the error
                           // passes out of the handler that asked for the sound
};

constexpr std::array<SoundUse, 3> kEffectSounds = {{
    {"blaai.wav", "the page-turn sound", "an error message at every page turn"},
    {"back.wav", "the back button's sound", "the back button shows an error message and does not go back"},
    {"report.wav", "the report buttons' sound",
     "the report buttons show an error message and do not start the report program"},
}};

constexpr std::array<SoundUse, 3> kSpokenSounds = {{
    {"m1.wav", "the greeting on the name screen", "an error message when the name screen appears"},
    {"in2.wav", "the encouragement after the first letter of the name",
     "an error message when the pupil types the first letter of the name"},
    {"m2.wav", "the goodbye", "the exit buttons show an error message and do not leave the menu"},
}};

enum class WaveFault { None, Empty, NotAWave, CutOff, Unreadable };

struct WaveCheck {
  WaveCheck(WaveFault fault = WaveFault::None, std::string detail = {})
      : fault(fault), detail(std::move(detail)) {}
  WaveFault fault;
  std::string detail;  // the reading error's message
};

// Loads the file as the menu does before playing it.
WaveCheck checkWaveFile(const fs::path& path) {
  SilentWaveOutput output;
  TWave wave(output);
  try {
    wave.LoadFromFile(path.string());
  } catch (const EInvalidWave&) {
    return WaveFault::NotAWave;
  } catch (const EErrorCheckingWave&) {
    return WaveFault::CutOff;
  } catch (const Exception& e) {
    return {WaveFault::Unreadable, e.message()};
  }
  return {wave.Empty() ? WaveFault::Empty : WaveFault::None};
}

std::string waveFaultText(const WaveCheck& check) {
  switch (check.fault) {
    case WaveFault::NotAWave: return "is not a RIFF WAVE file";
    case WaveFault::CutOff: return "is cut off before the end of its wave header";
    case WaveFault::Unreadable: return "cannot be read (" + check.detail + ")";
    default: return "is empty";
  }
}

void checkSound(const fs::path& folder, const std::string& soundName, const SoundUse& use,
                const std::string& language, Report& report) {
  const Located file = locate(folder, soundName, report);
  const std::string& name = file.name;
  if (!isRegularFile(file.path)) {
    report.warning(absentText(file) + ": " + use.what + language + " will be silent");
    return;
  }
  const WaveCheck check = checkWaveFile(file.path);
  if (check.fault == WaveFault::None)
    report.good(name);
  else if (check.fault == WaveFault::Empty)
    report.warning(name + " is empty: " + use.what + language + " will be silent");
  else
    report.warning(name + " " + waveFaultText(check) + ": " + (language.empty() ? "" : language.substr(1) + ", ") +
                   use.whenBroken);
}

void checkSounds(const fs::path& folder, Report& report) {
  for (const SoundUse& use : kEffectSounds) checkSound(folder, std::string("fxsounds/") + use.name, use, "", report);
  for (const auto& [soundsFolder, language] : {std::pair{"Sounds-afr/", " in Afrikaans"}, {"Sounds-eng/", " in English"}})
    for (const SoundUse& use : kSpokenSounds) checkSound(folder, soundsFolder + std::string(use.name), use, language, report);
}

// ---------------------------------------------------------------------------------------------
// Music

constexpr const char* kMusicFolder = "Music";
constexpr const char* kSelectionTune = "Music/mm8-select.mid";

// The pieces the menu draws from: the same rule as its list (".mid" in any letter case, not
// hidden, not a folder), in the order the system lists them.
std::vector<std::string> musicPieces(const fs::path& musicFolder) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(musicFolder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    std::error_code statError;
    if (name.size() < 4 || lowerCase(name.substr(name.size() - 4)) != ".mid" || name.front() == '.' ||
        it->is_directory(statError))
      continue;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());  // the report reads the same on every run
  return names;
}

bool isPlayableMidi(const fs::path& path) {
  const std::optional<std::vector<std::uint8_t>> bytes = readWhole(path, sdl::kMaxMidiFileBytes);
  return bytes && sdl::isPlayableMidiFile(*bytes);
}

void checkSelectionTune(const Located& tune, Report& report) {
  if (!isRegularFile(tune.path)) {
    report.warning(absentText(tune) + ": the music starts only after the pupil's first activity has ended");
  } else if (!isPlayableMidi(tune.path)) {
    report.error(std::string(kSelectionTune) +
                 " is not a MIDI file the menu can play: at every start the menu asks whether to disable "
                 "the music, and the answer Yes deletes all the music and ends the menu");
  } else {
    report.good(kSelectionTune);
  }
}

void checkMusic(const fs::path& folder, Report& report) {
  const Located musicFolder = locate(folder, kMusicFolder, report);
  if (!isFolder(musicFolder.path)) {
    report.warning(absentText(musicFolder) + ": there will be no background music");
    return;
  }
  const std::vector<std::string> pieces = musicPieces(musicFolder.path);
  const Located tune = locate(folder, kSelectionTune, report);
  const bool tunePresent = isRegularFile(tune.path);
  // The random music needs two pieces to choose from; with fewer it plays nothing.
  if (pieces.empty() || (pieces.size() == 1 && !tunePresent)) {
    report.warning(std::string("Music/ holds ") + (pieces.empty() ? "no MIDI files" : "one MIDI file and no mm8-select.mid") +
                   ": there will be no background music");
    return;
  }
  checkSelectionTune(tune, report);
  for (const std::string& piece : pieces) {
    const std::string name = std::string(kMusicFolder) + "/" + piece;
    if (musicFolder.path / piece == tune.path) continue;  // checked above, with its own consequence
    if (isPlayableMidi(musicFolder.path / piece))
      report.good(name);
    else
      report.warning(name + " is not a MIDI file the menu can play: when the random choice falls on it, the "
                            "menu shows an error message and the music stops");
  }
  if (pieces.size() == 1) report.warning("Music/ holds only the selection tune: it plays once, then the music stops");
}

// ---------------------------------------------------------------------------------------------
// Programs

// The kernel's own test, for the user running this check: permission bits, the folders on
// the way, a file system mounted without execution.
bool executableForThisUser(const fs::path& path) { return ::access(path.c_str(), X_OK) == 0; }

// Root may start any file with an execute bit, so a check run by root says nothing about
// the pupils' accounts: for them the bit for other users is what counts.
bool executableOnlyForRoot(const fs::path& path) {
  if (::geteuid() != 0) return false;
  std::error_code error;
  const fs::perms permissions = fs::status(path, error).permissions();
  return !error && (permissions & fs::perms::others_exec) == fs::perms::none;
}

// The interpreter named on a script's first line, when it is given as an absolute path.
std::optional<std::string> interpreterOf(const std::string& head) {
  if (!head.starts_with("#!")) return std::nullopt;
  std::size_t from = head.find_first_not_of(" \t", 2);
  if (from == std::string::npos) return std::nullopt;
  const std::size_t to = head.find_first_of(" \t\r\n", from);
  const std::string interpreter = head.substr(from, to == std::string::npos ? std::string::npos : to - from);
  if (interpreter.empty() || interpreter.front() != '/') return std::nullopt;
  return interpreter;
}

enum class ProgramFault {
  None,
  Missing,
  Folder,              // handed to the desktop's opener: a file manager opens
  Document,            // not executable and not a program: opened as a document
  NotRegular,
  Unreadable,
  NotExecutable,       // a program or script without its execute permission
  DamagedWindows,      // "MZ", but no Windows image that Wine could load
  WineMissing,         // a Windows program that this machine cannot run: the detail says why
  MissingInterpreter,  // the detail names it
  UnknownFormat,       // executable, but the kernel has no way to run it
  OwnerOnly,
};

struct ProgramCheck {
  ProgramCheck(ProgramFault fault = ProgramFault::None, std::optional<ProgramKind> kind = std::nullopt,
               std::string detail = {})
      : fault(fault), kind(kind), detail(std::move(detail)) {}
  ProgramFault fault;
  std::optional<ProgramKind> kind;  // known once the file could be read
  std::string detail;
};

// A Windows program goes to Wine, which reads it and needs no execute permission (files
// copied from Windows media often have none).
ProgramCheck checkWindowsProgram(ProgramKind kind) {
  if (std::optional<std::string> shortcoming = check::wineShortcoming(kind))
    return {ProgramFault::WineMissing, kind, std::move(*shortcoming)};
  return {ProgramFault::None, kind};
}

// What the menu's starter will make of the file: it spawns an executable file, starts a
// Windows program through Wine, hands any other file or folder to the desktop's opener, and
// is refused a program without the execute permission.
ProgramCheck checkProgramFile(const fs::path& path) {
  if (isFolder(path)) return ProgramFault::Folder;
  if (!isPresent(path)) return ProgramFault::Missing;
  if (!isRegularFile(path)) return ProgramFault::NotRegular;
  // The kernel reads at most 256 bytes of a script's first line.
  const std::optional<std::string> head = readHead(path, 256);
  if (!head) {
    // The kernel may run a program that it may not let us read.
    return executableForThisUser(path) ? ProgramFault::None : ProgramFault::Unreadable;
  }
  const ProgramKind kind = posix::programKindOf(path.string());
  if (isWindowsKind(kind)) return checkWindowsProgram(kind);
  const bool startsAsWindows = head->starts_with("MZ");
  if (!executableForThisUser(path)) {
    if (kind != ProgramKind::NotRunnable) return {ProgramFault::NotExecutable, kind};
    return {startsAsWindows ? ProgramFault::DamagedWindows : ProgramFault::Document, kind};
  }
  if (executableOnlyForRoot(path)) return {ProgramFault::OwnerOnly, kind};
  if (startsAsWindows) return {ProgramFault::DamagedWindows, kind};
  if (kind == ProgramKind::NotRunnable) return {ProgramFault::UnknownFormat, kind};
  if (const std::optional<std::string> interpreter = interpreterOf(*head);
      interpreter && !executableForThisUser(*interpreter))
    return {ProgramFault::MissingInterpreter, kind, *interpreter};
  return {ProgramFault::None, kind};
}

// The fault in plain words, without its consequence.
std::string programFaultText(const Located& program, const ProgramCheck& check) {
  const std::string& name = program.name;
  switch (check.fault) {
    case ProgramFault::Missing: return missingText(program);
    case ProgramFault::NotRegular: return name + " is not a regular file";
    case ProgramFault::Unreadable: return name + " cannot be read and is not executable";
    case ProgramFault::NotExecutable:
      return name + " is not executable (its execute permission is missing: chmod +x)";
    case ProgramFault::DamagedWindows:
      return name + " is a DOS program or a damaged Windows program, which neither this system nor Wine can run";
    case ProgramFault::WineMissing:
      return name + " is a " + kindName(check.kind.value_or(ProgramKind::NotRunnable)) + " program and " +
             check.detail;
    case ProgramFault::MissingInterpreter:
      return name + " is a script whose interpreter " + check.detail + " is missing or not executable";
    case ProgramFault::UnknownFormat:
      return name + " is marked executable but is neither a program of this system nor a script";
    case ProgramFault::OwnerOnly:
      return name + " is executable for its owner or group only, not for the pupils' accounts";
    default: return name;
  }
}

// "OPSIE1/opsie1.exe: Windows 32-bit program, started through Wine"
std::string programInOrderText(const std::string& name, const ProgramCheck& check) {
  if (!check.kind) return name;
  std::string text = name + ": " + kindName(*check.kind);
  if (*check.kind != ProgramKind::Script) text += " program";
  if (isWindowsKind(*check.kind)) text += ", started through Wine";
  return text;
}

struct SuiteProgram {
  std::string name;      // as the menu asks for it
  std::string whatItIs;  // what the pupil chooses to start it
};

constexpr std::array<const char*, 9> kActivities = {
    "reading comprehension", "reading concentration", "spelling recognition",
    "memory",                "creative thinking",     "multiplication",
    "division",              "addition",              "subtraction",
};

std::vector<SuiteProgram> suitePrograms() {
  std::vector<SuiteProgram> programs;
  for (int option = 1; option <= 9; ++option) {
    const std::string number = std::to_string(option);
    const std::string activity = kActivities[std::size_t(option - 1)];
    programs.push_back({"OPSIE" + number + "/opsie" + number + ".exe",
                        "the Afrikaans activity " + activity + " (option " + number + ")"});
    programs.push_back({"Option" + number + "/option" + number + ".exe",
                        "the English activity " + activity + " (option " + number + ")"});
  }
  programs.push_back({"report/report.exe", "the report program"});
  return programs;
}

void checkProgram(const fs::path& folder, const SuiteProgram& suiteProgram, Report& report) {
  const Located program = locate(folder, suiteProgram.name, report);
  const std::string& name = program.name;
  const std::string& whatItIs = suiteProgram.whatItIs;
  const ProgramCheck check = checkProgramFile(program.path);
  if (check.kind) report.programKind(*check.kind);
  switch (check.fault) {
    case ProgramFault::None: report.good(programInOrderText(name, check)); return;
    case ProgramFault::Folder:
      report.warning(name + " is a folder, not a program: choosing " + whatItIs +
                     " opens the folder in a file manager");
      return;
    case ProgramFault::Document:
      report.warning(name + " is not a program: choosing " + whatItIs + " opens the file as a document");
      return;
    case ProgramFault::WineMissing:
      report.warning(programFaultText(program, check) + ": " + whatItIs +
                     " will not start, and the pupil sees a message that this computer needs Wine");
      return;
    default:
      report.warning(programFaultText(program, check) + ": " + whatItIs +
                     " will not start, and the pupil sees the system's error message");
  }
}

void checkPrograms(const fs::path& folder, Report& report) {
  for (const SuiteProgram& program : suitePrograms()) checkProgram(folder, program, report);
}

// ---------------------------------------------------------------------------------------------
// Advertisement pictures and the display setting

void checkAdvertPicture(const fs::path& folder, const std::string& pictureName, const std::string& whenMissing,
                        Report& report) {
  const Located file = locate(folder, pictureName, report);
  const std::string& name = file.name;
  if (!isRegularFile(file.path)) {
    report.warning(absentText(file) + ": " + whenMissing);
    return;
  }
  try {
    Picture picture;
    picture.loadFromFile(file.path.string());
    report.good(name);
  } catch (const Exception& e) {
    report.warning(name + " cannot be decoded (" + e.message() +
                   "): at the exit the menu shows an error message instead of the advertisement screen");
  }
}

void checkAdvertPictures(const fs::path& folder, Report& report) {
  // "E" serves English and also an exit before any language has been chosen.
  for (const auto& [letter, language] : {std::pair{"A", "in Afrikaans"}, {"E", "in English"}}) {
    checkAdvertPicture(folder, std::string("add_") + letter + ".jpg",
                       std::string("the advertisement screen at the exit ") + language +
                           " shows nothing and closes at once",
                       report);
    checkAdvertPicture(folder, std::string("addback_") + letter + ".jpg",
                       std::string("the advertisement screen at the exit ") + language +
                           " has no background and closes at once",
                       report);
  }
}

// Optional: only a file that is there and cannot be read is a problem.
void checkDisplaySettings(const fs::path& folder, Report& report) {
  const Located file = locate(folder, "displaysettings.txt", report);
  const std::string& name = file.name;
  if (!isPresent(file.path)) return;
  if (!isRegularFile(file.path) || !readHead(file.path, 1)) {
    report.warning(name + " cannot be read: the menu shows an error message at the start and does not "
                          "switch the display");
    return;
  }
  report.good(name);
}

// ---------------------------------------------------------------------------------------------

bool isFolderGiven(const Options& options) {
  if (isFolder(options.folder)) return true;
  std::fprintf(stderr, "%s\n", formatError(ErrorCode::CheckFolderNotFound, options.folder).c_str());
  return false;
}

int checkFolder(const Options& options) {
  if (!isFolderGiven(options)) return kUsage;
  const fs::path folder = options.folder;
  registerBuiltInGraphicKinds();
  Report report(options.verbose);
  checkFrames(folder, report);
  checkSounds(folder, report);
  checkMusic(folder, report);
  checkPrograms(folder, report);
  checkAdvertPictures(folder, report);
  checkDisplaySettings(folder, report);
  std::error_code ignored;
  report.summary(fs::absolute(folder, ignored).lexically_normal().string());
  if (report.errors() > 0) return kMenuWouldFail;
  if (report.warnings() > 0 && options.strict) return kWarningsOnly;
  return kMenuWillRun;
}

// Once the prefix is there, what Wine on this machine still cannot run: a prefix made without
// the 32-bit part serves 32-bit programs only after that part is installed.
void reportProgramsWineCannotRun(const fs::path& folder) {
  Report report(false);
  for (const SuiteProgram& suiteProgram : suitePrograms()) {
    const Located program = locate(folder, suiteProgram.name, report);
    const ProgramCheck check = checkWindowsProgram(posix::programKindOf(program.path.string()));
    if (check.fault == ProgramFault::WineMissing)
      report.warning(programFaultText(program, check) + ": " + suiteProgram.whatItIs + " will not start");
  }
}

int prepareWine(const Options& options) {
  if (!isFolderGiven(options)) return kUsage;
  if (!check::prepareWinePrefix()) return kWineNotPrepared;
  reportProgramsWineCannotRun(options.folder);
  return kWinePrepared;
}

}  // namespace
}  // namespace tov

int main(int argc, char** argv) {
  const std::optional<tov::Options> options = tov::parseOptions(argc, argv);
  if (!options) {
    std::fprintf(stderr, "%s\n", tov::errorText(tov::ErrorCode::CheckToolUsage));
    return tov::kUsage;
  }
  if (options->help) {
    std::printf("%s\n%s\n", tov::errorText(tov::ErrorCode::CheckToolUsage), tov::errorText(tov::ErrorCode::CheckToolHelp));
    return tov::kMenuWillRun;
  }
  if (options->prepareWine) return tov::prepareWine(*options);
  return tov::checkFolder(*options);
}
