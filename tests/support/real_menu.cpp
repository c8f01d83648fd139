#include "support/real_menu.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "support/shell_text.h"

namespace tov::test {

namespace fs = std::filesystem;

fs::path folderForThisTest(const std::string& prefix) {
  // A parameterised test's name ends in "/CASE": one folder name all the same.
  std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::replace(test.begin(), test.end(), '/', '-');
  return fs::temp_directory_path() / (prefix + "-" + std::to_string(::getpid()) + "-" + test);
}

void copyDemoFolder(const fs::path& folder) {
  fs::remove_all(folder);
  fs::copy(fs::path(kBuildDir) / "suite", folder, fs::copy_options::recursive);
}

std::string menuCommand(const fs::path& folder) {
  return "cd " + shellQuoted(folder.string()) + " && exec " + shellQuoted(kBuildDir + "/tovaleer");
}

double frameDifference(XSession& session, const fs::path& folder, const std::string& frame,
                       const std::string& region) {
  const std::string shot = (folder / "shot.png").string();
  session.run("import -window root " + shellQuoted(shot));
  const std::string out = session.run("compare -metric RMSE " + shellQuoted(shot + region) + " " +
                                      shellQuoted((folder / "menu" / frame).string() + region) +
                                      " null: 2>&1 | sed -E 's/.*\\((.*)\\)/\\1/'");
  return out.empty() ? 1.0 : std::atof(out.c_str());
}

void clickAt(XSession& session, Point at, int button) {
  session.run("xdotool mousemove --sync " + std::to_string(at.x) + " " + std::to_string(at.y) + " click " +
              std::to_string(button));
}

}  // namespace tov::test
