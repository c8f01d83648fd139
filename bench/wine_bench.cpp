// Starting a Windows program through Wine: the program starter's start of the Windows stand-in
// up to its end (the stand-in ends at once) against a bare posix_spawn of
// `wine standin_windows.exe` and its waitpid, in the same Wine prefix. Both are mostly Wine
// loading the program; the ratio is what the starter adds (the headers read, wine looked up,
// the parameter line split, the environment copied). At the end the ratio of the medians is
// printed (ours / bare).
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/posix/posix_process_starter.h"
#include "platform/posix/program_search.h"
#include "ui/qt/qt_event_loop.h"

extern char** environ;

namespace {

const std::string kStandin = WINE_BENCH_STANDIN;
const std::string kPrefix = WINE_BENCH_PREFIX;

// 0 when the program ran and ended with 0.
int runToEnd(const std::vector<std::string>& argv) {
  std::vector<char*> pointers;
  for (const std::string& argument : argv) pointers.push_back(const_cast<char*>(argument.c_str()));
  pointers.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0].c_str(), nullptr, nullptr, pointers.data(), environ) != 0) return -1;
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The prefix the starter tests make (the same mark says it is complete); made here when the
// tests have not run. Wine's server writes the registry as it ends, so it is waited for.
bool prepareWinePrefix(const std::string& wine) {
  const std::string ready = kPrefix + "/.tovaleer-ready";
  if (std::filesystem::exists(ready)) return true;
  const std::string wineserver = tov::posix::findInPath("wineserver");
  if (wineserver.empty()) return false;
  ::setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);  // no Mono or Gecko: they would ask
  const bool made = runToEnd({wine, "wineboot", "-i"}) == 0 && runToEnd({wineserver, "-w"}) == 0;
  ::unsetenv("WINEDLLOVERRIDES");
  if (made) std::ofstream{ready};
  return made;
}

void BM_StarterToEnd(benchmark::State& state) {
  tov::posix::PosixProcessStarter starter;
  const tov::StartRequest request{tov::ShellVerb::Open, kStandin, "\"*ZOË BO#\"", "", 5};
  for (auto _ : state) {
    const tov::StartResult result = starter.start(request);
    const tov::ProcessStatus status = starter.wait(result.process);
    starter.release(result.process);
    if (result.instanceResult != tov::kStartSucceeded || status.exitCode != 0) {
      state.SkipWithError("the stand-in did not run");
      break;
    }
  }
}
BENCHMARK(BM_StarterToEnd)->Iterations(10)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_BareWineToEnd(benchmark::State& state) {
  const std::vector<std::string> argv{tov::posix::findInPath("wine"), kStandin, "*ZOË BO#"};
  for (auto _ : state) {
    if (runToEnd(argv) != 0) {
      state.SkipWithError("the stand-in did not run");
      break;
    }
  }
}
BENCHMARK(BM_BareWineToEnd)->Iterations(10)->UseRealTime()->Unit(benchmark::kMillisecond);

// Keeps the median (or the only) real time of each benchmark, to print the ratio at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration && run.aggregate_name != "median") continue;
      if (run.run_type == Run::RT_Iteration && run.repetitions > 1) continue;
      times_[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
  }
  void printRatio() const {
    const auto ours = times_.find("BM_StarterToEnd"), bare = times_.find("BM_BareWineToEnd");
    if (ours == times_.end() || bare == times_.end()) return;
    std::printf("\nstarter %.1f ms, bare wine %.1f ms, ratio %.3f\n", ours->second, bare->second,
                ours->second / bare->second);
  }

 private:
  std::map<std::string, double> times_;  // benchmark -> milliseconds
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  tov::qt::InstalledQtEventLoop loop;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  const std::string wine = tov::posix::findInPath("wine");
  if (wine.empty() || kStandin.empty()) {
    std::fprintf(stderr, "wine_bench needs wine and the Windows stand-in (mingw-w64)\n");
    return 1;
  }
  ::setenv("WINEPREFIX", kPrefix.c_str(), 1);
  ::setenv("WINEDEBUG", "-all", 1);
  if (!prepareWinePrefix(wine)) {
    std::fprintf(stderr, "wine_bench: cannot make the Wine prefix %s\n", kPrefix.c_str());
    return 1;
  }
  // Wine's server is started by the first program and lingers a few seconds after the last:
  // one start beforehand, so that no measured start pays for the server's.
  runToEnd({wine, kStandin});
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatio();
  benchmark::Shutdown();
  return 0;
}
