// The program starter against a bare posix_spawn of the same small program: the time from the
// call to the child's first instruction of main. And the delay from a child's end to the
// starter's OnFinished, which the 500 ms poll on the 50 ms base tick bounds.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "components/appsupport.h"
#include "components/starter.h"
#include "platform/posix/posix_process_starter.h"
#include "ui/qt/qt_event_loop.h"

extern char** environ;

namespace {

const std::string kChild = STARTER_BENCH_CHILD;

long long nowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The time the child wrote, and the file removed for the next run.
long long takeRecordedNs(const std::string& file) {
  long long ns = 0;
  std::ifstream(file) >> ns;
  std::filesystem::remove(file);
  return ns;
}

std::string recordFile() {
  return (std::filesystem::temp_directory_path() / ("starter-bench-" + std::to_string(::getpid()))).string();
}

void BM_ExecuteToChildStart(benchmark::State& state) {
  tov::TAppSupport support;
  tov::posix::PosixProcessStarter processes;
  tov::TStarter starter(processes);
  const std::string file = recordFile();
  starter.setCommand(kChild);
  starter.setParameters("\"" + file + "\"");
  starter.setWait(true);  // the child has written its time when Execute returns
  for (auto _ : state) {
    const long long start = nowNs();
    starter.Execute();
    state.SetIterationTime(double(takeRecordedNs(file) - start) / 1e9);
  }
}
BENCHMARK(BM_ExecuteToChildStart)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

void BM_PosixSpawnToChildStart(benchmark::State& state) {
  const std::string file = recordFile();
  std::vector<char*> argv{const_cast<char*>(kChild.c_str()), const_cast<char*>(file.c_str()), nullptr};
  for (auto _ : state) {
    const long long start = nowNs();
    pid_t pid = 0;
    if (posix_spawn(&pid, kChild.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
      state.SkipWithError("posix_spawn failed");
      break;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    state.SetIterationTime(double(takeRecordedNs(file) - start) / 1e9);
  }
}
BENCHMARK(BM_PosixSpawnToChildStart)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

// Twenty children, each ending at once; the delay from each end to its OnFinished. The poll
// fires on the tick counter's phase, so the starts are spread over one poll interval, 25 ms
// apart, as the ends of real activities fall anywhere in it.
void BM_EndToOnFinished(benchmark::State& state) {
  constexpr int kRuns = 20;
  tov::TAppSupport support;
  tov::posix::PosixProcessStarter processes;
  tov::TStarter starter(processes);
  const std::string file = recordFile();
  starter.setCommand(kChild);
  starter.setParameters("\"" + file + "\"");
  for (auto _ : state) {
    std::vector<double> delaysMs;
    for (int run = 0; run < kRuns; ++run) {
      QEventLoop loop;
      long long finishedAt = 0;
      starter.OnFinished = [&](tov::TStarter*) {
        finishedAt = nowNs();
        loop.quit();
      };
      QTimer::singleShot(run * 25, &loop, &QEventLoop::quit);
      loop.exec();
      starter.Execute();
      QTimer::singleShot(5000, &loop, &QEventLoop::quit);  // a lost report ends the run
      loop.exec();
      if (finishedAt == 0) {
        state.SkipWithError("OnFinished did not come");
        return;
      }
      // The child's time is its start; it ends right after writing it.
      delaysMs.push_back(double(finishedAt - takeRecordedNs(file)) / 1e6);
    }
    std::sort(delaysMs.begin(), delaysMs.end());
    double total = 0;
    for (double d : delaysMs) total += d;
    state.SetIterationTime(total / 1e3);
    state.counters["median_ms"] = (delaysMs[kRuns / 2 - 1] + delaysMs[kRuns / 2]) / 2;
    state.counters["worst_ms"] = delaysMs.back();
    state.counters["best_ms"] = delaysMs.front();
  }
}
BENCHMARK(BM_EndToOnFinished)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  tov::qt::InstalledQtEventLoop loop;
  ::benchmark::Initialize(&argc, argv);
  if (::benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  ::benchmark::RunSpecifiedBenchmarks();
  ::benchmark::Shutdown();
  return 0;
}
