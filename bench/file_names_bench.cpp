// Looking up a frame in a suite folder copied from Windows media: a name that differs only in
// letter case (the folder's listing cached) against the exact name, and the exact name
// against a plain stat, which is all a lookup cost before names were matched in any case.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/file_names.h"

namespace {

namespace fs = std::filesystem;

// A menu folder as a real suite has it: 20 frames in upper case, in a folder "MENU".
class SuiteFolder {
 public:
  SuiteFolder() : root_(fs::temp_directory_path() / ("tovaleer-names-bench-" + std::to_string(::getpid()))) {
    fs::create_directories(root_ / "MENU");
    for (int frame = 1; frame <= 13; ++frame)
      for (const char* suffix : {"", "A", "E"})
        std::ofstream(root_ / "MENU" / ("M" + std::to_string(frame) + suffix + ".JPG")) << "x";
  }
  ~SuiteFolder() { fs::remove_all(root_); }
  std::string path(const std::string& relative) const { return (root_ / relative).string(); }

 private:
  fs::path root_;
};

const SuiteFolder& suite() {
  static const SuiteFolder folder;
  return folder;
}

// Each lookup joins the folder and the name, as the menu does before it looks.
void BM_PlainStat(benchmark::State& state) {
  const std::string folder = suite().path("MENU/");
  struct stat info {};
  for (auto _ : state) benchmark::DoNotOptimize(::stat((folder + "M7E.JPG").c_str(), &info));
}

void BM_ResolveExactName(benchmark::State& state) {
  const std::string folder = suite().path("MENU/");
  for (auto _ : state) benchmark::DoNotOptimize(tov::resolveFileName(folder + "M7E.JPG"));
}

void BM_ResolveNameInOtherCase(benchmark::State& state) {
  const std::string folder = suite().path("menu/");
  if (tov::resolveFileName(folder + "m7e.jpg") != suite().path("MENU/M7E.JPG")) state.SkipWithError("not resolved");
  for (auto _ : state) benchmark::DoNotOptimize(tov::resolveFileName(folder + "m7e.jpg"));
}

// The exact name in a suite whose other names are asked in another case: answers are kept, and
// each lookup looks among them first.
void BM_ResolveExactNameWithAnswersKept(benchmark::State& state) {
  const std::string folder = suite().path("MENU/");
  if (tov::resolveFileName(suite().path("menu/m7e.jpg")) != folder + "M7E.JPG") state.SkipWithError("not resolved");
  for (auto _ : state) benchmark::DoNotOptimize(tov::resolveFileName(folder + "M7E.JPG"));
}

BENCHMARK(BM_PlainStat);
BENCHMARK(BM_ResolveExactName);
BENCHMARK(BM_ResolveNameInOtherCase);
BENCHMARK(BM_ResolveExactNameWithAnswersKept);

}  // namespace

BENCHMARK_MAIN();
