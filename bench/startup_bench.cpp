// The menu's start against a minimal Qt 6 program (minimal_qt_window: a frameless 800 x 600
// window drawing the first frame's JPEG), each started as a pupil starts it, in the demo
// program folder, on an Xorg server of the benchmark's own with the dummy driver and no window
// manager, one after the other in one run.
//
// Measured from just before the fork of the program:
// - the time (the benchmark's own) until its window is mapped and shows the first frame, seen
//   from outside: every drawing into a new top-level window raises an X Damage event, and
//   after each the window's pixels are compared with the frame's;
// - mapped_ms: until the window is mapped, whatever it shows then;
// - 1.5 s after the first frame is on screen, the memory of the process from
//   /proc/PID/smaps_rollup: pss_MiB (proportional set size), uss_MiB (its private pages),
//   rss_MiB, and children_pss_MiB, that of the processes it started (the menu's guardian).
// At the end the ratios of the medians (or of the single runs) are printed: ours / minimal.
// STARTUP_BENCH_MENU names another build of the menu to measure (an earlier one, say).
//
// Qt before Xlib, whose macros (Status, None) clash with Qt's names.
#include <QImage>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/x_session.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string kSuiteDir = TOVALEER_SUITE_DIR;
const std::string kMenu = std::getenv("STARTUP_BENCH_MENU") ? std::getenv("STARTUP_BENCH_MENU") : STARTUP_BENCH_MENU;
const std::string kMinimal = STARTUP_BENCH_MINIMAL;
constexpr const char* kFirstFrame = "menu/m1.jpg";
constexpr int kFormWidth = 800;
constexpr int kFormHeight = 600;
// Rows of the frame compared with the screen, from the left edge of the form past the mute
// picture (the only control the menu shows over the first frame) to the right edge.
constexpr int kComparedRows[] = {150, 300, 450};
constexpr int kComparedFromX = 48;
// Mean difference per colour channel (0 to 255) under which a row shows the frame: two
// JPEG decoders may round differently, a different picture differs by tens.
constexpr double kMaxMeanDifference = 6;
constexpr auto kSettle = std::chrono::milliseconds(1500);
constexpr auto kShowTimeout = std::chrono::seconds(20);
constexpr int kEndGraceMs = 10000;

// Protocol errors of a window that went away while it was looked at are expected; Xlib's
// default handler would end the benchmark.
int ignoreXError(Display*, XErrorEvent*) { return 0; }

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Shown {
  double mappedMs = 0;
  double pictureMs = 0;
  Clock::time_point pictureAt;
};

// Sees windows appear and be drawn on the server's screen.
class ScreenWatch {
 public:
  ScreenWatch(Display* display, int damageEventBase, std::vector<std::vector<QRgb>> expectedRows)
      : display_(display), root_(DefaultRootWindow(display)), damageEvent_(damageEventBase + XDamageNotify),
        expectedRows_(std::move(expectedRows)) {
    XSelectInput(display_, root_, SubstructureNotifyMask);
    XSync(display_, False);
  }

  // Waits until a top-level window of process pid has been mapped and shows the first frame.
  std::optional<Shown> waitForFirstPicture(pid_t pid, Clock::time_point started) {
    Shown shown;
    Window target = None;
    const Clock::time_point deadline = started + kShowTimeout;
    for (;;) {
      while (XPending(display_)) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == MapNotify && target == None && ownedBy(event.xmap.window, pid)) {
          target = event.xmap.window;
          shown.mappedMs = millisecondsSince(started);
          if (showsFirstFrame(target)) return pictureShown(shown, started);
        } else if (event.type == damageEvent_) {
          const auto& damage = reinterpret_cast<const XDamageNotifyEvent&>(event);
          XDamageSubtract(display_, damage.damage, None, None);
          if (damage.drawable == target && showsFirstFrame(target)) return pictureShown(shown, started);
        } else {
          track(event);
        }
      }
      if (!waitForEvents(deadline)) return std::nullopt;
    }
  }

  // Keeps reading events (windows come and go) until deadline.
  void serveUntil(Clock::time_point deadline) {
    do {
      while (XPending(display_)) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type == damageEvent_)
          XDamageSubtract(display_, reinterpret_cast<const XDamageNotifyEvent&>(event).damage, None, None);
        else
          track(event);
      }
    } while (waitForEvents(deadline));
  }

 private:
  static Shown pictureShown(Shown shown, Clock::time_point started) {
    shown.pictureAt = Clock::now();
    shown.pictureMs = millisecondsSince(started);
    return shown;
  }

  // False once deadline has passed without an event.
  bool waitForEvents(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd connection{ConnectionNumber(display_), POLLIN, 0};
    return ::poll(&connection, 1, int(left) + 1) > 0;
  }

  // Every top-level window gets a damage record when it is made, so that its first drawing
  // is seen; the server drops the record with the window.
  void track(const XEvent& event) {
    if (event.type == CreateNotify && event.xcreatewindow.parent == root_ && !event.xcreatewindow.override_redirect)
      XDamageCreate(display_, event.xcreatewindow.window, XDamageReportNonEmpty);
  }

  bool ownedBy(Window window, pid_t pid) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const Atom wmPid = XInternAtom(display_, "_NET_WM_PID", False);
    const bool read = XGetWindowProperty(display_, window, wmPid, 0, 1, False, XA_CARDINAL, &type, &format, &count,
                                         &after, &data) == Success;
    const bool owned = read && data && format == 32 && count == 1 && pid_t(*reinterpret_cast<long*>(data)) == pid;
    if (data) XFree(data);
    return owned;
  }

  bool showsFirstFrame(Window window) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display_, window, &attributes) || attributes.map_state != IsViewable) return false;
    if (attributes.width < kFormWidth || attributes.height < kFormHeight) return false;
    // A full-screen form larger than itself lies in the middle.
    const int left = (attributes.width - kFormWidth) / 2, top = (attributes.height - kFormHeight) / 2;
    for (std::size_t i = 0; i < std::size(kComparedRows); ++i) {
      XImage* row = XGetImage(display_, window, left, top + kComparedRows[i], kFormWidth, 1, AllPlanes, ZPixmap);
      if (!row) return false;
      double difference = 0;
      for (int x = kComparedFromX; x < kFormWidth; ++x) {
        const unsigned long pixel = XGetPixel(row, x, 0);
        const QRgb expected = expectedRows_[i][std::size_t(x)];
        difference += std::abs(int((pixel >> 16) & 0xff) - qRed(expected)) +
                      std::abs(int((pixel >> 8) & 0xff) - qGreen(expected)) + std::abs(int(pixel & 0xff) - qBlue(expected));
      }
      XDestroyImage(row);
      if (difference / (3.0 * (kFormWidth - kComparedFromX)) > kMaxMeanDifference) return false;
    }
    return true;
  }

  Display* display_;
  Window root_;
  int damageEvent_;
  std::vector<std::vector<QRgb>> expectedRows_;
};

struct Memory {
  double pssKiB = 0, ussKiB = 0, rssKiB = 0;
};

Memory memoryOf(pid_t pid) {
  Memory memory;
  std::ifstream rollup("/proc/" + std::to_string(pid) + "/smaps_rollup");
  std::string name;
  double kib = 0;
  std::string line;
  while (std::getline(rollup, line)) {
    std::istringstream fields(line);
    if (!(fields >> name >> kib)) continue;
    if (name == "Pss:") memory.pssKiB = kib;
    if (name == "Rss:") memory.rssKiB = kib;
    if (name == "Private_Clean:" || name == "Private_Dirty:") memory.ussKiB += kib;
  }
  return memory;
}

std::vector<pid_t> childrenOf(pid_t pid) {
  std::vector<pid_t> children;
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  DIR* folder = ::opendir(tasks.c_str());
  if (!folder) return children;
  while (const dirent* entry = ::readdir(folder)) {
    if (entry->d_name[0] == '.') continue;
    std::ifstream list(tasks + "/" + entry->d_name + "/children");
    for (pid_t child; list >> child;) children.push_back(child);
  }
  ::closedir(folder);
  return children;
}

// A session bus, as every desktop has; without one, the libraries that look for it (SDL,
// Qt) start dbus-launch to ask for one, a fork and an exec that a pupil's desktop never pays.
std::unique_ptr<tov::test::ChildProcess> startSessionBus(const std::string& folder, std::string* address,
                                                         std::string* whyNot) {
  const std::string output = folder + "/session-bus.out";
  auto bus = tov::test::ChildProcess::spawn(
      {{"dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1"}, {}, output, -1}, whyNot);
  if (!bus) return nullptr;
  const bool told = tov::test::pollUntil([&] { return tov::test::readFile(output).find('\n') != std::string::npos; }, 10000);
  *address = tov::test::readFile(output);
  address->erase(address->find_last_not_of("\n") + 1);
  if (!told || address->empty()) {
    *whyNot = "dbus-daemon gave no address";
    return nullptr;
  }
  return bus;
}

// The server, the watch on it, and what the programs are started with.
struct Bench {
  std::unique_ptr<tov::test::XSession> session;
  std::unique_ptr<tov::test::ChildProcess> sessionBus;
  Display* display = nullptr;
  std::unique_ptr<ScreenWatch> watch;
  std::vector<std::string> environment;
};
Bench* g_bench = nullptr;

std::vector<std::vector<QRgb>> firstFrameRows() {
  const QImage frame = QImage(QString::fromStdString(kSuiteDir + "/" + kFirstFrame)).convertToFormat(QImage::Format_RGB32);
  std::vector<std::vector<QRgb>> rows;
  if (frame.width() != kFormWidth || frame.height() != kFormHeight) return rows;
  for (const int y : kComparedRows) {
    const auto* line = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
    rows.emplace_back(line, line + kFormWidth);
  }
  return rows;
}

struct Start {
  Shown shown;
  Memory memory;
  double childrenPssKiB = 0;
};

// Starts the program, waits for its first frame and, 1.5 s later, reads its memory; ends it.
std::optional<Start> startOnce(const std::vector<std::string>& argv, std::string* whyNot) {
  const Clock::time_point started = Clock::now();
  auto program = tov::test::ChildProcess::spawn({argv, g_bench->environment, "", -1}, whyNot);
  if (!program) return std::nullopt;
  Start start;
  const std::optional<Shown> shown = g_bench->watch->waitForFirstPicture(program->pid(), started);
  if (!shown) {
    *whyNot = argv[0] + ": the window did not show the first frame";
    return std::nullopt;
  }
  start.shown = *shown;
  g_bench->watch->serveUntil(shown->pictureAt + kSettle);
  start.memory = memoryOf(program->pid());
  for (const pid_t child : childrenOf(program->pid())) start.childrenPssKiB += memoryOf(child).pssKiB;
  program->terminate(kEndGraceMs);
  return start;
}

void BM_FirstPicture(benchmark::State& state, std::vector<std::string> argv) {
  double mappedMs = 0, childrenPssKiB = 0;
  Memory memory;
  for (auto _ : state) {
    std::string whyNot;
    const std::optional<Start> start = startOnce(argv, &whyNot);
    if (!start) {
      state.SkipWithError(whyNot.c_str());
      break;
    }
    state.SetIterationTime(start->shown.pictureMs / 1000);
    mappedMs += start->shown.mappedMs;
    memory.pssKiB += start->memory.pssKiB;
    memory.ussKiB += start->memory.ussKiB;
    memory.rssKiB += start->memory.rssKiB;
    childrenPssKiB += start->childrenPssKiB;
  }
  const auto average = benchmark::Counter::kAvgIterations;
  state.counters["mapped_ms"] = benchmark::Counter(mappedMs, average);
  state.counters["pss_MiB"] = benchmark::Counter(memory.pssKiB / 1024, average);
  state.counters["uss_MiB"] = benchmark::Counter(memory.ussKiB / 1024, average);
  state.counters["rss_MiB"] = benchmark::Counter(memory.rssKiB / 1024, average);
  state.counters["children_pss_MiB"] = benchmark::Counter(childrenPssKiB / 1024, average);
}
BENCHMARK_CAPTURE(BM_FirstPicture, menu, std::vector<std::string>{kMenu})
    ->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FirstPicture, minimal_qt, std::vector<std::string>{kMinimal, kFirstFrame})
    ->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// Keeps the median (or the only) figures of each program, to print the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      if (run.run_type == Run::RT_Iteration ? run.repetitions > 1 : run.aggregate_name != "median") continue;
      // BENCHMARK_CAPTURE names the program after the function's name: "BM_FirstPicture/menu".
      const std::string& name = run.run_name.function_name;
      const std::string program = name.substr(name.rfind('/') + 1);
      figures_[program]["picture_ms"] = run.GetAdjustedRealTime();
      for (const auto& [name, counter] : run.counters) figures_[program][name] = counter.value;
    }
  }
  void printRatios() const {
    const auto ours = figures_.find("menu"), peer = figures_.find("minimal_qt");
    if (ours == figures_.end() || peer == figures_.end()) return;
    std::printf("\n%-18s %10s %12s %7s\n", "median", "menu", "minimal Qt", "ratio");
    for (const char* name : {"picture_ms", "mapped_ms", "pss_MiB", "uss_MiB", "rss_MiB"}) {
      const double a = ours->second.at(name), b = peer->second.at(name);
      std::printf("%-18s %10.1f %12.1f %7.2f\n", name, a, b, a / b);
    }
    std::printf("%-18s %10.1f %12.1f\n", "children_pss_MiB", ours->second.at("children_pss_MiB"),
                peer->second.at("children_pss_MiB"));
  }

 private:
  std::map<std::string, std::map<std::string, double>> figures_;  // program -> figure -> value
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const std::vector<std::vector<QRgb>> rows = firstFrameRows();
  if (rows.empty()) {
    std::fprintf(stderr, "startup_bench: cannot read %s/%s (build the suite target)\n", kSuiteDir.c_str(), kFirstFrame);
    return 1;
  }
  std::string whyNot;
  Bench bench;
  bench.session = tov::test::XSession::start({.xorgDummy = true}, &whyNot);
  if (!bench.session) {
    std::fprintf(stderr, "startup_bench needs Xorg with the dummy driver (and root): %s\n", whyNot.c_str());
    return 1;
  }
  XSetErrorHandler(ignoreXError);
  bench.display = XOpenDisplay(bench.session->display().c_str());
  int damageEvent = 0, damageError = 0;
  if (!bench.display || !XDamageQueryExtension(bench.display, &damageEvent, &damageError)) {
    std::fprintf(stderr, "startup_bench: no X connection with the Damage extension\n");
    return 1;
  }
  bench.watch = std::make_unique<ScreenWatch>(bench.display, damageEvent, rows);
  // Both programs start as on a plain X desktop, in the program folder: the menu's working
  // folder is its program folder, and the peer reads the same frame from there.
  std::string busAddress;
  bench.sessionBus = startSessionBus(bench.session->directory(), &busAddress, &whyNot);
  if (!bench.sessionBus) {
    std::fprintf(stderr, "startup_bench: no session bus: %s\n", whyNot.c_str());
    return 1;
  }
  ::unsetenv("WAYLAND_DISPLAY");
  ::unsetenv("XDG_SESSION_TYPE");
  bench.environment = tov::test::environmentWith({"DISPLAY=" + bench.session->display(), "QT_QPA_PLATFORM=xcb",
                                                  "SDL_AUDIODRIVER=dummy", "DBUS_SESSION_BUS_ADDRESS=" + busAddress});
  if (::chdir(kSuiteDir.c_str()) != 0) return 1;
  g_bench = &bench;
  // One start of each beforehand, so that no measured start reads the libraries from disk.
  for (const std::vector<std::string>& argv : {std::vector<std::string>{kMenu}, std::vector<std::string>{kMinimal, kFirstFrame}}) {
    if (!startOnce(argv, &whyNot)) {
      std::fprintf(stderr, "startup_bench: %s\n", whyNot.c_str());
      return 1;
    }
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios();
  benchmark::Shutdown();
  g_bench = nullptr;
  XCloseDisplay(bench.display);
  return 0;
}
