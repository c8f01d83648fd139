// Windows programs started through Wine: the Windows stand-in (cross-built with mingw-w64)
// under the real wine, in a Wine prefix of the build tree, tells what it received; stand-ins
// for wine itself show how wine is found and when its 32-bit part is missing; the path form a
// Windows program is given; and the locale that carries the pupil's name to it.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/posix_process_starter.h"
#include "platform/posix/program_kind.h"
#include "platform/posix/program_search.h"
#include "platform/posix/wine.h"
#include "starter/starter_testing.h"
#include "support/shell_text.h"
#include "support/child_process.h"
#include "support/processes.h"

namespace tov::posix {
namespace {

namespace fs = std::filesystem;

const std::string kStandin = TOVALEER_STANDIN_WINDOWS;  // empty without mingw-w64
const std::string kWinePrefix = TOVALEER_WINE_PREFIX;

// ---------------------------------------------------------------------------------------------
// Helpers

using Variables = std::vector<std::pair<std::string, std::optional<std::string>>>;

// No locale variable at all: the "C" locale.
const Variables kNoLocale = {{"LC_ALL", std::nullopt}, {"LC_CTYPE", std::nullopt}, {"LANG", std::nullopt}};

void putLittleEndian(std::string& bytes, std::size_t at, std::uint32_t value, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xff);
}

// The headers of a Windows image, enough for its kind to be told; it is never run.
std::string windowsImage(ProgramKind kind) {
  const bool pe32 = kind == ProgramKind::Windows32;
  const std::size_t optionalSize = pe32 ? 0xe0 : 0xf0;
  std::string bytes(0x40 + 4 + 20 + optionalSize, '\0');
  bytes[0] = 'M';
  bytes[1] = 'Z';
  putLittleEndian(bytes, 0x3C, 0x40, 4);
  bytes.replace(0x40, 4, std::string("PE\0\0", 4));
  putLittleEndian(bytes, 0x44, pe32 ? 0x14c : 0x8664, 2);  // machine
  putLittleEndian(bytes, 0x44 + 16, std::uint32_t(optionalSize), 2);
  putLittleEndian(bytes, 0x44 + 20, pe32 ? 0x10b : 0x20b, 2);
  return bytes;
}

bool wineTestsRequired() {
  const char* ci = std::getenv("CI");
  return ci && std::string(ci) == "true";
}

// ---------------------------------------------------------------------------------------------
// The real Wine and the Windows stand-in

// One line of the stand-in's log, its fields unescaped: the wide command line, the arguments
// as CommandLineToArgvW splits it (the program first), the working folder.
struct StandinStart {
  std::string commandLine;
  std::vector<std::string> arguments;
  std::string folder;
};

std::vector<StandinStart> standinStarts(const std::string& log) {
  std::vector<StandinStart> starts;
  std::istringstream lines(test::readText(log));
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> fields;
    std::istringstream tabs(line);
    for (std::string field; std::getline(tabs, field, '\t');) fields.push_back(test::unescapedLogField(field));
    if (fields.size() < 2) continue;
    starts.push_back({fields.front(), {fields.begin() + 1, fields.end() - 1}, fields.back()});
  }
  return starts;
}

// Runs a Wine command for the prefix and waits for its end; its exit code.
std::optional<int> runForPrefix(const std::vector<std::string>& argv, std::string* whyNot) {
  // Mono and Gecko are not wanted, and asking for them would need a display.
  const test::ChildProcessOptions options{
      argv,
      test::environmentWith({"WINEPREFIX=" + kWinePrefix, "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml="}),
      kWinePrefix + ".log", -1};
  auto child = test::ChildProcess::spawn(options, whyNot);
  return child ? child->wait(600000) : std::nullopt;
}

// Made once for every test run that needs it, by whichever test process comes first: a lock
// beside it keeps parallel test processes from making it together, and a mark inside it says
// it was made to its end. Wine's server writes the registry files only as it ends, a few
// seconds after wineboot, so it is waited for (`wineserver -w`) before and after.
bool prepareWinePrefix(std::string* whyNot) {
  const std::string ready = kWinePrefix + "/.tovaleer-ready";
  const int lock = ::open((kWinePrefix + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock < 0 || ::flock(lock, LOCK_EX) != 0) {
    *whyNot = "cannot lock " + kWinePrefix + ".lock";
    if (lock >= 0) ::close(lock);
    return false;
  }
  bool made = test::exists(ready);
  if (!made) {
    runForPrefix({"wineserver", "-w"}, whyNot);
    std::error_code ignored;
    fs::remove_all(kWinePrefix, ignored);
    made = runForPrefix({"wine", "wineboot", "-i"}, whyNot) == 0 &&
           runForPrefix({"wineserver", "-w"}, whyNot) == 0 && test::exists(kWinePrefix + "/system.reg");
    if (made)
      std::ofstream{ready};
    else
      *whyNot = "wine wineboot -i did not make the prefix " + kWinePrefix + " (see " + kWinePrefix + ".log)";
  }
  ::close(lock);
  return made;
}

// Why the real Wine tests cannot run here, or empty when they can.
std::string whyNoRealWine() {
  if (kStandin.empty()) return "mingw-w64 (x86_64-w64-mingw32-gcc) is not installed: no Windows stand-in";
  if (!test::exists(kStandin)) return "the Windows stand-in " + kStandin + " has not been built";
  if (findInPath("wine").empty()) return "wine is not installed";
  static std::string whyNot;
  static const bool prefixMade = prepareWinePrefix(&whyNot);
  return prefixMade ? std::string() : whyNot;
}

class RealWine : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const std::string whyNot = whyNoRealWine(); !whyNot.empty()) {
      if (wineTestsRequired()) FAIL() << whyNot;
      GTEST_SKIP() << whyNot;
    }
    environment.set("WINEPREFIX", kWinePrefix);
    environment.set("WINEDEBUG", "-all");
    environment.set("TOVALEER_STANDIN_LOG", log);
    // A real suite's place for it, with a letter that needs the locale on its way.
    fs::create_directories(scratch / "ZOË/OPSIE1");
    fs::copy_file(kStandin, program);
    starter = std::make_unique<PosixProcessStarter>();
  }

  ~RealWine() override {
    starter.reset();
    EXPECT_EQ(test::zombieChildren(), std::vector<std::string>{});
  }

  // Wine's server, started with the first program, outlives it by a few seconds with the
  // descriptors it was given; the test's own output would keep a pipe that reads it (ctest's)
  // open that long after the test. So Wine writes to a file of the test instead.
  StartResult startWithOutputToFile(const StartRequest& request) {
    std::fflush(nullptr);
    const int savedOut = ::fcntl(1, F_DUPFD_CLOEXEC, 3), savedErr = ::fcntl(2, F_DUPFD_CLOEXEC, 3);
    const int output = ::open(wineOutput.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    ::dup2(output, 1);
    ::dup2(output, 2);
    const StartResult result = starter->start(request);
    ::dup2(savedOut, 1);
    ::dup2(savedErr, 2);
    for (const int fd : {output, savedOut, savedErr}) ::close(fd);
    return result;
  }

  // Polls until the process has ended; its status.
  ProcessStatus pollUntilEnded(ProcessHandle process) {
    ProcessStatus status;
    test::serveEventsUntil([&] { return (status = starter->poll(process)).state != ProcessStatus::Running; },
                           60000);
    return status;
  }

  test::ScratchFolder scratch;
  const std::string log = scratch / "standin.log";
  const std::string wineOutput = scratch / "wine.out";
  const std::string program = scratch / "ZOË/OPSIE1/opsie1.exe";
  test::ScopedEnvironment environment;
  std::unique_ptr<PosixProcessStarter> starter;
};

struct ArgumentsCase {
  const char* name;
  friend void PrintTo(const ArgumentsCase& c, std::ostream* out) { *out << c.name; }
  std::string parameters;
  std::vector<std::string> expected;
  Variables locale;  // set for the start
};

class RealWineArguments : public RealWine, public ::testing::WithParamInterface<ArgumentsCase> {};

TEST_P(RealWineArguments, StandinGetsExactlyItsArgumentsAndFolder) {
  const ArgumentsCase& c = GetParam();
  for (const auto& [name, value] : c.locale) environment.set(name, value);
  const std::string work = scratch.folder("work ZOË");

  const StartResult result = startWithOutputToFile(StartRequest{ShellVerb::Open, program, c.parameters, work, 5});
  ASSERT_EQ(result.instanceResult, kStartSucceeded);
  const ProcessStatus status = pollUntilEnded(result.process);
  EXPECT_EQ(status.state, ProcessStatus::Ended);
  EXPECT_EQ(status.exitCode, 0);
  starter->release(result.process);

  const std::vector<StandinStart> starts = standinStarts(log);
  ASSERT_EQ(starts.size(), 1u) << test::readText(log) << test::readText(wineOutput);
  std::vector<std::string> expected{windowsFileForm(program)};
  expected.insert(expected.end(), c.expected.begin(), c.expected.end());
  EXPECT_EQ(starts[0].arguments, expected) << starts[0].commandLine;
  EXPECT_EQ(starts[0].folder, windowsFileForm(work));
}

INSTANTIATE_TEST_SUITE_P(
    Table, RealWineArguments,
    ::testing::Values(
        ArgumentsCase{"Plain", "one two", {"one", "two"}, {}},
        ArgumentsCase{"Spaces", "\"with space\"  \"  lead\" \"Z:\\my suite\\\\\" \"\" end",
                      {"with space", "  lead", "Z:\\my suite\\", "", "end"}, {}},
        ArgumentsCase{"QuotesAndBackslashes", "a\\\"b \"c\\\"d\" e\\\\f", {"a\"b", "c\"d", "e\\\\f"}, {}},
        ArgumentsCase{"NameInTheCLocale", "\"ZOË BO\"", {"ZOË BO"}, {{"LC_ALL", std::nullopt},
                                                                    {"LC_CTYPE", std::nullopt},
                                                                    {"LANG", "C"}}},
        ArgumentsCase{"NameWithoutLocale", "\"ZOË BO\"", {"ZOË BO"}, kNoLocale},
        ArgumentsCase{"NameUnderLcAll", "\"ZOË BO\"", {"ZOË BO"}, {{"LC_ALL", "C"}, {"LANG", "C.UTF-8"}}},
        ArgumentsCase{"ActivityLine", "\"*Z:\\srv\\suite\\#\" \"*ZOË BO#\" \"*#\" \"*#\" \"*TRUE#\"",
                      {"*Z:\\srv\\suite\\#", "*ZOË BO#", "*#", "*#", "*TRUE#"}, kNoLocale}),
    [](const ::testing::TestParamInfo<ArgumentsCase>& info) { return std::string(info.param.name); });

TEST_F(RealWine, EndIsSeenOnlyAfterTheProgramEnded) {
  // The stand-in waits a while after its start and leaves a mark just before it ends: a
  // starter that reported the end of wine before the end of the program would miss the mark.
  const std::string endMark = scratch / "ended";
  environment.set("TOVALEER_STANDIN_DONE_AFTER_MS", "1500");
  environment.set("TOVALEER_STANDIN_END_FILE", endMark);
  const StartResult result = startWithOutputToFile(StartRequest{ShellVerb::Open, program, "", "", 5});
  ASSERT_EQ(result.instanceResult, kStartSucceeded);

  bool markedWhenEnded = false;
  ASSERT_TRUE(test::serveEventsUntil(
      [&] {
        if (starter->poll(result.process).state != ProcessStatus::Ended) return false;
        markedWhenEnded = test::exists(endMark);
        return true;
      },
      60000));
  EXPECT_TRUE(markedWhenEnded);
  EXPECT_EQ(standinStarts(log).size(), 1u);
  EXPECT_EQ(starter->poll(result.process).exitCode, 0);
  starter->release(result.process);
}

// Wine kept ready as the menu asks after its first frame: a pupil's start made while Wine is
// still coming up works, and nothing of Wine outlives the starter.
TEST_F(RealWine, KeptWineLetsAStartThroughAndEndsWithTheStarter) {
  starter->prepareFor({program});
  const StartResult result = startWithOutputToFile(StartRequest{ShellVerb::Open, program, "", "", 5});
  ASSERT_EQ(result.instanceResult, kStartSucceeded);
  EXPECT_EQ(pollUntilEnded(result.process).exitCode, 0);
  starter->release(result.process);
  EXPECT_EQ(standinStarts(log).size(), 1u) << test::readText(wineOutput);
  ASSERT_FALSE(test::wineServersOf(kWinePrefix).empty()) << "Wine is kept while the starter lasts";

  starter.reset();
  EXPECT_TRUE(test::pollUntil([] { return test::wineServersOf(kWinePrefix).empty(); }, 60000))
      << "a Wine server of " << kWinePrefix << " outlived the starter";
}

// ---------------------------------------------------------------------------------------------
// Wine kept ready, with a stand-in for wine that stays until its input ends

struct KeepingCase {
  const char* name;
  friend void PrintTo(const KeepingCase& c, std::ostream* out) { *out << c.name; }
  enum Prefix { Missing, Outdated, Current, UpdatesDisabled } prefix;
  bool windowsProgram;  // among the programs prepared for
  bool kept;
};

class WineKeeping : public ::testing::TestWithParam<KeepingCase> {
 protected:
  ~WineKeeping() override { EXPECT_EQ(test::zombieChildren(), std::vector<std::string>{}); }

  // The prefix's record of the wine.inf it was last brought up to date with.
  std::string timestampFor(KeepingCase::Prefix prefix, const std::string& wineInf) {
    struct stat info {};
    ::stat(wineInf.c_str(), &info);
    if (prefix == KeepingCase::UpdatesDisabled) return "disable\n";
    return std::to_string(info.st_mtime - (prefix == KeepingCase::Outdated ? 1 : 0)) + "\n";
  }

  // The keeper, while it runs: the stand-in for wine is the only child called so.
  std::optional<pid_t> runningWine() {
    for (const test::ProcessStatus& child : test::childrenOf(::getpid()))
      if (child.name == "wine" && child.state != 'Z') return child.pid;
    return std::nullopt;
  }

  test::ScratchFolder scratch;
  test::ScopedEnvironment environment;
};

TEST_P(WineKeeping, KeepsWineForACurrentPrefixOnlyAndNeverHoldsAStartBack) {
  const KeepingCase& c = GetParam();
  // Laid out as Wine's own installations are: bin/wine and share/wine/wine.inf.
  scratch.folder("bin");
  scratch.folder("share/wine");
  const std::string wine = scratch.recorder(
      "bin/wine", "echo \"$WINEPREFIX\" > \"$RECORD.prefix\"\ncat > /dev/null\ntouch \"$RECORD.ended\"");
  const std::string wineInf = scratch.file("share/wine/wine.inf", "");
  const std::string prefix = scratch.folder("prefix");
  if (c.prefix != KeepingCase::Missing) {
    scratch.file("prefix/system.reg", "");
    scratch.file("prefix/.update-timestamp", timestampFor(c.prefix, wineInf));
  }
  environment.set("WINEPREFIX", prefix);
  const std::string windows = scratch.file("OPSIE1.EXE", windowsImage(ProgramKind::Windows64));
  const std::string native = scratch.recorder("native");
  std::optional<pid_t> keeper;
  {
    PosixProcessStarter starter(HelperPrograms{}, WineSetup{wine, scratch / "no-loader"});
    starter.prepareFor(c.windowsProgram ? std::vector<std::string>{scratch / "missing.exe", native, windows}
                                        : std::vector<std::string>{native});
    keeper = runningWine();
    EXPECT_EQ(keeper.has_value(), c.kept);

    // Started at once, and ended while the keeper still waits: nothing waits for Wine.
    const StartResult result = starter.start(StartRequest{ShellVerb::Open, native, "", "", 5});
    ASSERT_EQ(result.instanceResult, kStartSucceeded);
    EXPECT_EQ(starter.wait(result.process).exitCode, 0);
    starter.release(result.process);
    if (!keeper) return;
    EXPECT_FALSE(test::processEnded(*keeper));
    ASSERT_TRUE(test::serveEventsUntil([&] { return test::exists(wine + ".prefix"); }, 10000));
    EXPECT_EQ(test::recordedArguments(wine), std::vector<std::string>{"cmd"});
    EXPECT_EQ(test::readText(wine + ".prefix"), prefix + "\n") << "the prefix the programs are started in";
  }
  EXPECT_TRUE(test::exists(wine + ".ended")) << "the keeper's input ends with the starter";
  EXPECT_TRUE(test::processEnded(*keeper));
}

INSTANTIATE_TEST_SUITE_P(
    Table, WineKeeping,
    ::testing::Values(KeepingCase{"CurrentPrefix", KeepingCase::Current, true, true},
                      KeepingCase{"UpdatesDisabled", KeepingCase::UpdatesDisabled, true, true},
                      KeepingCase{"NoPrefixYet", KeepingCase::Missing, true, false},
                      KeepingCase{"PrefixToBeUpdated", KeepingCase::Outdated, true, false},
                      KeepingCase{"NoWindowsProgram", KeepingCase::Current, false, false}),
    [](const ::testing::TestParamInfo<KeepingCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Finding wine and what is missing, with stand-ins for wine itself

struct WineCase {
  const char* name;
  friend void PrintTo(const WineCase& c, std::ostream* out) { *out << c.name; }
  ProgramKind kind;
  enum Wine { None, DebianScript, ElfProgram, Installed } wine;
  bool loader32;            // whether the 32-bit loader beside the Debian script is there
  int expected;             // the start's instance result
  std::string message;      // in the failure message, for a failure
};

class WineFinding : public ::testing::TestWithParam<WineCase> {
 protected:
  ~WineFinding() override { EXPECT_EQ(test::zombieChildren(), std::vector<std::string>{}); }

  // The wine of the case in a folder that is all of PATH; empty for the installed one.
  std::string wineOfCase(WineCase::Wine wine) {
    // Should the installed wine ever run the synthetic image, it must not make a prefix in
    // the home folder.
    environment.set("WINEPREFIX", scratch / "wineprefix");
    if (wine == WineCase::Installed) return {};
    const std::string bin = scratch.folder("bin");
    // The system's folders after ours, for what the recording script runs.
    environment.set("PATH", wine == WineCase::None ? bin : bin + ":/usr/bin:/bin");
    if (wine == WineCase::ElfProgram) fs::copy_file("/bin/true", bin + "/wine");
    // The script records what it was given, so the arguments wine receives are seen.
    return wine == WineCase::DebianScript ? scratch.recorder("bin/wine") : bin + "/wine";
  }

  test::ScratchFolder scratch;
  test::ScopedEnvironment environment;
};

TEST_P(WineFinding, StartsThroughWineOrSaysWhatIsMissing) {
  const WineCase& c = GetParam();
  if (c.wine == WineCase::Installed && (findInPath("wine").empty() || isExecutableFile("/usr/lib/wine/wine")))
    GTEST_SKIP() << "needs the installed wine without its 32-bit part";
  const std::string wine = wineOfCase(c.wine);
  WineSetup setup;
  if (c.wine != WineCase::Installed)
    setup.loader32 = c.loader32 ? scratch.file("wine32-loader", "", 0755) : scratch / "no-wine32-loader";
  PosixProcessStarter starter(HelperPrograms{}, setup);
  const std::string program = scratch.file("OPSIE1.EXE", windowsImage(c.kind));

  const StartResult result = starter.start(StartRequest{ShellVerb::Open, program, "\"*ZOË BO#\" two", "", 5});
  EXPECT_EQ(result.instanceResult, c.expected);
  if (result.instanceResult == kStartSucceeded) {
    EXPECT_EQ(starter.wait(result.process).exitCode, 0);
    starter.release(result.process);
    if (c.wine == WineCase::DebianScript) {
      EXPECT_EQ(test::recordedArguments(wine), (std::vector<std::string>{program, "*ZOË BO#", "two"}));
    }
    return;
  }
  EXPECT_EQ(result.process, 0u);
  const std::string message = starter.failureMessage(result.instanceResult, program);
  EXPECT_NE(message.find("\"" + program + "\""), std::string::npos) << message;
  EXPECT_NE(message.find(c.message), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(
    Table, WineFinding,
    ::testing::Values(
        WineCase{"NoWine64", ProgramKind::Windows64, WineCase::None, true, 31,
                 "needs Wine, which is not installed. Ask whoever looks after this computer to "
                 "install it; on Debian or Ubuntu: sudo apt install wine"},
        WineCase{"NoWine32", ProgramKind::Windows32, WineCase::None, true, 31,
                 "needs Wine, which is not installed"},
        WineCase{"DebianScriptWithout32BitPart", ProgramKind::Windows32, WineCase::DebianScript, false, 31,
                 "32-bit Windows program. To run it, this computer needs the 32-bit part of Wine, "
                 "which is not installed. Ask whoever looks after this computer to install it; on "
                 "Debian or Ubuntu: sudo dpkg --add-architecture i386 && sudo apt update && sudo "
                 "apt install wine32:i386"},
        WineCase{"DebianScriptWith32BitPart", ProgramKind::Windows32, WineCase::DebianScript, true, kStartSucceeded, ""},
        WineCase{"DebianScript64Without32BitPart", ProgramKind::Windows64, WineCase::DebianScript, false,
                 kStartSucceeded, ""},
        WineCase{"ElfWineHasItsOwn32BitPart", ProgramKind::Windows32, WineCase::ElfProgram, false, kStartSucceeded, ""},
        WineCase{"InstalledWineWithout32BitPart", ProgramKind::Windows32, WineCase::Installed, false, 31,
                 "sudo apt install wine32:i386"}),
    [](const ::testing::TestParamInfo<WineCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// The locale Wine is given

struct LocaleCase {
  const char* name;
  friend void PrintTo(const LocaleCase& c, std::ostream* out) { *out << c.name; }
  std::vector<std::string> ours;
  std::vector<std::string> wines;
};

class WineLocale : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(WineLocale, CarriesAUtf8CharacterLocale) {
  EXPECT_EQ(wineEnvironment(GetParam().ours), GetParam().wines);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WineLocale,
    ::testing::Values(
        LocaleCase{"Utf8Kept", {"HOME=/h", "LANG=af_ZA.UTF-8"}, {"HOME=/h", "LANG=af_ZA.UTF-8"}},
        LocaleCase{"Utf8InAnyCase", {"LANG=en_ZA.utf8"}, {"LANG=en_ZA.utf8"}},
        LocaleCase{"CtypeBeforeLang", {"LC_CTYPE=C.Utf-8", "LANG=C"}, {"LC_CTYPE=C.Utf-8", "LANG=C"}},
        LocaleCase{"NoLocale", {"HOME=/h"}, {"HOME=/h", "LC_CTYPE=C.UTF-8"}},
        LocaleCase{"CLocale", {"LANG=C", "WINEPREFIX=/p"}, {"LANG=C", "WINEPREFIX=/p", "LC_CTYPE=C.UTF-8"}},
        LocaleCase{"LatinCtype", {"LC_CTYPE=en_ZA.ISO-8859-1", "LANG=en_ZA.UTF-8"},
                   {"LANG=en_ZA.UTF-8", "LC_CTYPE=C.UTF-8"}},
        LocaleCase{"EmptyLcAllIgnored", {"LC_ALL=", "LANG=POSIX"}, {"LC_ALL=", "LANG=POSIX", "LC_CTYPE=C.UTF-8"}},
        LocaleCase{"LcAllOverrides", {"LC_ALL=C", "LC_CTYPE=C.UTF-8"}, {"LC_CTYPE=C.UTF-8", "LC_ALL=C.UTF-8"}}),
    [](const ::testing::TestParamInfo<LocaleCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Paths as a program sees them

TEST(PathAsSeenBy, WindowsProgramsGetWinesFormNativeOnesOurs) {
  test::ScratchFolder scratch;
  const std::string windows = scratch.file("report.exe", windowsImage(ProgramKind::Windows32));
  const std::string native = scratch.recorder("native");
  const std::string here = fs::current_path().string();
  PosixProcessStarter starter;
  struct Case {
    std::string program;
    std::string path;
    std::string expected;
  };
  for (const Case& c : {Case{windows, "/srv/My Suite/", "Z:\\srv\\My Suite\\"},
                        Case{windows, "/srv/suite/report/report.exe", "Z:\\srv\\suite\\report\\report.exe"},
                        Case{windows, "/", "Z:\\"},
                        Case{windows, "suite/", windowsPathForm(here + "/suite")},
                        Case{windows, "/srv/./suite/../ZOË/", "Z:\\srv\\ZOË\\"},
                        Case{native, "/srv/My Suite/", "/srv/My Suite/"},
                        Case{native, "suite/", "suite/"},
                        Case{scratch / "missing.exe", "/srv/suite/", "/srv/suite/"}}) {
    EXPECT_EQ(starter.pathAsSeenBy(c.program, c.path), c.expected) << c.program << " " << c.path;
  }
}

}  // namespace
}  // namespace tov::posix
