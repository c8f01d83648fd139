// A pupil's click on a Windows activity against a click on a native one: from the program
// starter's start (the menu's launch) to the program's first window mapped on the X server.
// Each start begins with Wine cold at the menu's start: no Wine process of the prefix runs
// when the starter is made. Then the pupil takes kPupilMs to reach the activity (the quickest
// way through the language, name and hand screens takes longer), and clicks.
//
//   BM_NativeActivity         the demo suite's native stand-in (a Qt program)
//   BM_WindowsActivityKept    the Windows stand-in, with the starter asked to get ready for it
//                             at the menu's start, as the menu does after its first frame
//   BM_WindowsActivityCold    the same without that: Wine starts with the activity (the menu
//                             before Wine was kept ready)
//   BM_WindowsActivityServer  the alternative not taken: a persistent Wine server with its
//                             services brought up (`wineserver -p`, `wine wineboot`) at the
//                             menu's start, but no Wine program kept running
//
// Both stand-ins show a window and end at once. The benchmark runs its own Xorg with the
// dummy driver and no window manager, and uses the Wine prefix the starter tests make. At the
// end the medians are printed with the differences to the native start.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/posix_process_starter.h"
#include "platform/posix/program_search.h"
#include "ui/qt/qt_event_loop.h"
#include "support/x_session.h"

// Last: Xlib's macros (Status, Bool) break Qt's headers.
#include <X11/Xlib.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::string kPrefix = WINDOWS_START_BENCH_PREFIX;
constexpr int kPupilMs = 4000;
constexpr int kWindowTimeoutMs = 60000;

Display* gDisplay = nullptr;
std::string gNativeActivity;
std::string gWindowsActivity;

// 0 when the program ran and ended with 0.
int runToEnd(const std::vector<std::string>& argv) {
  std::vector<char*> pointers;
  for (const std::string& argument : argv) pointers.push_back(const_cast<char*>(argument.c_str()));
  pointers.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0].c_str(), nullptr, nullptr, pointers.data(), environ) != 0) return -1;
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// No Wine process of the prefix is left: its server is told to end, and waited for.
void makeWineCold() {
  runToEnd({"wineserver", "-k"});
  runToEnd({"wineserver", "-w"});
}

// The event loop runs meanwhile, as the menu's does while the pupil chooses.
void serveEventsFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// Sees the first top-level window that a client maps (windows that bypass the window
// manager, such as Wine's hidden helper windows, do not count).
class WindowWatch {
 public:
  WindowWatch() {
    XSelectInput(gDisplay, DefaultRootWindow(gDisplay), SubstructureNotifyMask);
    XSync(gDisplay, True);  // events of earlier starts are dropped
  }
  ~WindowWatch() {
    XSelectInput(gDisplay, DefaultRootWindow(gDisplay), NoEventMask);
    XSync(gDisplay, True);
  }

  bool waitForMappedWindow(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
      while (XPending(gDisplay) > 0) {
        XEvent event;
        XNextEvent(gDisplay, &event);
        if (event.type == MapNotify && !event.xmap.override_redirect) return true;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      pollfd readable{ConnectionNumber(gDisplay), POLLIN, 0};
      ::poll(&readable, 1, int(left));
    }
  }
};

enum class Readiness { Cold, Kept, PersistentServer };

void clickToWindow(benchmark::State& state, const std::string& program, Readiness readiness) {
  const tov::StartRequest request{tov::ShellVerb::Open, program, "\"*/srv/suite/#\" \"*ZOË BO#\" \"*#\" \"*#\" \"*TRUE#\"",
                                  fs::path(program).parent_path().parent_path().string(), 5};
  for (auto _ : state) {
    makeWineCold();
    tov::posix::PosixProcessStarter starter;  // the menu starts
    if (readiness == Readiness::Kept) starter.prepareFor({program});
    if (readiness == Readiness::PersistentServer) {
      runToEnd({"wineserver", "-p"});
      runToEnd({"wine", "wineboot"});
    }
    serveEventsFor(kPupilMs);
    WindowWatch watch;
    const auto click = Clock::now();
    const tov::StartResult result = starter.start(request);
    const bool shown = result.instanceResult == tov::kStartSucceeded && watch.waitForMappedWindow(kWindowTimeoutMs);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - click).count());
    if (result.process) {
      starter.wait(result.process);
      starter.release(result.process);
    }
    if (!shown) {
      state.SkipWithError("the activity's window did not come");
      break;
    }
  }
}

void BM_NativeActivity(benchmark::State& state) { clickToWindow(state, gNativeActivity, Readiness::Cold); }
void BM_WindowsActivityKept(benchmark::State& state) { clickToWindow(state, gWindowsActivity, Readiness::Kept); }
void BM_WindowsActivityCold(benchmark::State& state) { clickToWindow(state, gWindowsActivity, Readiness::Cold); }
void BM_WindowsActivityServer(benchmark::State& state) {
  clickToWindow(state, gWindowsActivity, Readiness::PersistentServer);
}

// One start per repetition (--benchmark_repetitions): each needs Wine cold and the pupil's
// pause before it.
BENCHMARK(BM_NativeActivity)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowsActivityKept)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowsActivityCold)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowsActivityServer)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// Keeps each benchmark's median (or only) time, to print the differences at the end.
class DifferenceReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
      if (single || (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median"))
        medians_[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
  }
  void printDifferences() const {
    const auto native = medians_.find("BM_NativeActivity");
    if (native == medians_.end()) return;
    std::printf("\nnative activity: %.0f ms (median)\n", native->second);
    for (const char* name : {"BM_WindowsActivityKept", "BM_WindowsActivityCold", "BM_WindowsActivityServer"})
      if (const auto windows = medians_.find(name); windows != medians_.end())
        std::printf("%s: %.0f ms, %.0f ms more than native\n", name, windows->second, windows->second - native->second);
  }

 private:
  std::map<std::string, double> medians_;  // benchmark -> milliseconds
};

// The two activities in a suite folder of their own.
bool placeActivities(const fs::path& suite) {
  std::error_code error;
  fs::create_directories(suite / "OPSIE1", error);
  fs::create_directories(suite / "OPSIE2", error);
  gNativeActivity = (suite / "OPSIE1" / "opsie1.exe").string();
  gWindowsActivity = (suite / "OPSIE2" / "opsie2.exe").string();
  fs::copy_file(WINDOWS_START_BENCH_NATIVE, gNativeActivity, fs::copy_options::overwrite_existing, error);
  if (!error) fs::copy_file(WINDOWS_START_BENCH_STANDIN, gWindowsActivity, fs::copy_options::overwrite_existing, error);
  return !error;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  tov::qt::InstalledQtEventLoop loop;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (tov::posix::findInPath("wine").empty() || !fs::exists(kPrefix + "/.tovaleer-ready")) {
    std::fprintf(stderr, "windows_start_bench needs wine and the Wine prefix %s (run wine_bench or the starter tests once)\n",
                 kPrefix.c_str());
    return 1;
  }
  std::string whyNot;
  const auto session = tov::test::XSession::start({}, &whyNot);
  if (!session) {
    std::fprintf(stderr, "windows_start_bench: no X server: %s\n", whyNot.c_str());
    return 1;
  }
  const fs::path suite = fs::temp_directory_path() / ("windows-start-bench-" + std::to_string(::getpid()));
  if (!placeActivities(suite)) {
    std::fprintf(stderr, "windows_start_bench: cannot place the stand-ins in %s\n", suite.c_str());
    return 1;
  }
  // Everything the starter starts inherits these: the session's display, the prefix, the
  // stand-ins' window and their end right after it.
  ::setenv("DISPLAY", session->display().c_str(), 1);
  ::setenv("WINEPREFIX", kPrefix.c_str(), 1);
  ::setenv("WINEDEBUG", "-all", 1);
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  ::setenv("TOVALEER_STANDIN_WINDOW", "1", 1);
  ::setenv("TOVALEER_STANDIN_DONE_AFTER_MS", "0", 1);
  const fs::path runtime = suite / "runtime";
  fs::create_directory(runtime);
  fs::permissions(runtime, fs::perms::owner_all);
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  gDisplay = XOpenDisplay(session->display().c_str());
  if (!gDisplay) return 1;
  DifferenceReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printDifferences();
  benchmark::Shutdown();
  makeWineCold();
  XCloseDisplay(gDisplay);
  std::error_code ignored;
  fs::remove_all(suite, ignored);
  return 0;
}
