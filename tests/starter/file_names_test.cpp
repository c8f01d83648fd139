// Names of a suite copied from Windows media, asked for in another letter case: which real name
// is found, which is not, and whether the folder cache and the kept answers notice a change.

#include "platform/posix/file_names.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "starter/starter_testing.h"

namespace tov::posix {
namespace {

namespace fs = std::filesystem;

struct Layout {
  std::vector<std::string> files;                            // a trailing "/" makes a folder
  std::vector<std::pair<std::string, std::string>> links;    // name -> target, relative
};

// A suite in the case its Windows media gave it.
const Layout kSuite{
    {"MENU/M1.JPG", "FXSOUNDS/a.wav", "FXSOUNDS/A.wav", "FXSOUNDS/A.WAV", "Opt/X.exe",
     "OPT/Y.exe", "My Suite/Report Card.TXT", "ZOË/Ê.wav", "Latin/\xC9T.wav", "Empty/"},
    {{"Pictures", "MENU"}, {"Start.LNK", "MENU/M1.JPG"}}};

struct Case {
  const char* name;
  friend void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }
  std::string asked;
  std::string found;  // the asked path itself when nothing differs only in case
};

void build(const test::ScratchFolder& root, const Layout& layout) {
  for (const std::string& file : layout.files) {
    fs::create_directories(fs::path(root / file).parent_path());
    if (!file.ends_with('/')) root.file(file, "x");
  }
  for (const auto& [name, target] : layout.links) fs::create_symlink(target, root / name);
}

class ResolvePath : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override { build(root_, kSuite); }
  test::ScratchFolder root_;
};

TEST_P(ResolvePath, FindsTheNameThatDiffersOnlyInCase) {
  const Case& row = GetParam();
  const std::string asked = root_ / row.asked;
  const std::string found = root_ / row.found;
  EXPECT_EQ(resolvePath(asked), found);
  EXPECT_EQ(existsResolved(asked), fs::exists(found));
}

TEST_P(ResolvePath, KeepsARelativePathRelative) {
  const Case& row = GetParam();
  const fs::path before = fs::current_path();
  fs::current_path(root_.path());
  const std::string resolved = resolvePath(row.asked);
  fs::current_path(before);
  EXPECT_EQ(resolved, row.found);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ResolvePath,
    ::testing::Values(
        Case{"ExactName", "MENU/M1.JPG", "MENU/M1.JPG"},
        Case{"LastComponent", "MENU/m1.jpg", "MENU/M1.JPG"},
        Case{"MiddleComponent", "menu/M1.JPG", "MENU/M1.JPG"},
        Case{"EveryComponent", "menu/m1.jpg", "MENU/M1.JPG"},
        Case{"FolderWithTrailingSlash", "menu/", "MENU/"},
        Case{"DotsAndDoubledSlashesPass", "menu/./..//menu/m1.jpg", "MENU/./..//MENU/M1.JPG"},
        // a.wav, A.wav and A.WAV: byte order puts "A.WAV" first.
        Case{"SeveralCandidatesFirstInByteOrder", "fxsounds/a.WAV", "FXSOUNDS/A.WAV"},
        Case{"ExactNameWinsOverCandidates", "FXSOUNDS/a.wav", "FXSOUNDS/a.wav"},
        Case{"ExactMiddleNameWinsOverCandidates", "FXSOUNDS/A.wav", "FXSOUNDS/A.wav"},
        // Opt/ and OPT/: "OPT" is taken and only it is looked in.
        Case{"SeveralFoldersFirstInByteOrder", "opt/y.exe", "OPT/Y.exe"},
        Case{"NoLookingInTheOtherFolder", "opt/x.exe", "opt/x.exe"},
        Case{"ExactFolderWinsOverCandidates", "Opt/x.exe", "Opt/X.exe"},
        Case{"MissingLastComponent", "menu/m9.jpg", "menu/m9.jpg"},
        Case{"MissingMiddleComponent", "menus/m1.jpg", "menus/m1.jpg"},
        Case{"NothingInsideAFile", "menu/m1.jpg/x", "menu/m1.jpg/x"},
        Case{"NamesWithSpaces", "my suite/report card.txt", "My Suite/Report Card.TXT"},
        Case{"UnicodeLetters", "zoë/ê.WAV", "ZOË/Ê.wav"},
        Case{"NotUtf8MatchesOnlyItself", "latin/\xC9T.wav", "Latin/\xC9T.wav"},
        Case{"NotUtf8HasNoOtherCase", "Latin/\xC9t.wav", "Latin/\xC9t.wav"},
        Case{"NotUtf8IsNoUtf8Name", "Latin/ÉT.wav", "Latin/ÉT.wav"},
        Case{"ThroughALinkedFolder", "pictures/m1.jpg", "Pictures/M1.JPG"},
        Case{"LinkToAFile", "start.lnk", "Start.LNK"},
        Case{"NothingInAnEmptyFolder", "empty/a.wav", "empty/a.wav"}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// The times a folder carries before the first lookup and after its change, as seconds before
// the test's moment plus nanoseconds. A listing made within seconds of the folder's last
// change is not used again: a change in the same tick of a coarse clock leaves the time as it
// was.
struct Stamp {
  std::int64_t secondsAgo;
  long nanoseconds;
};

struct Change {
  const char* name;
  friend void PrintTo(const Change& c, std::ostream* out) { *out << c.name; }
  Stamp before;
  Stamp after;
  bool replaceFolder;  // the folder itself is replaced by another one
};

void setModified(const std::string& path, timespec when) {
  const timespec times[2] = {when, when};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

class FolderCache : public ::testing::TestWithParam<Change> {};

TEST_P(FolderCache, SeesAFolderThatChangedAfterTheFirstLookup) {
  const Change& row = GetParam();
  test::ScratchFolder root;
  const std::string folder = root.folder("Sounds");
  root.file("Sounds/Old.wav", "x");
  timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const auto at = [&now](Stamp stamp) {
    return timespec{now.tv_sec - static_cast<time_t>(stamp.secondsAgo), stamp.nanoseconds};
  };
  setModified(folder, at(row.before));
  ASSERT_EQ(resolvePath(root / "Sounds/old.wav"), root / "Sounds/Old.wav");

  if (row.replaceFolder) {
    root.folder("Next");
    root.file("Next/NEW.wav", "x");
    root.file("Next/Extra.WAV", "x");
    fs::rename(folder, root / "Gone");
    fs::rename(root / "Next", folder);
  } else {
    fs::rename(root / "Sounds/Old.wav", root / "Sounds/NEW.wav");
    root.file("Sounds/Extra.WAV", "x");
  }
  setModified(folder, at(row.after));

  EXPECT_EQ(resolvePath(root / "sounds/new.wav"), root / "Sounds/NEW.wav");
  EXPECT_EQ(resolvePath(root / "Sounds/extra.wav"), root / "Sounds/Extra.WAV");
  EXPECT_EQ(resolvePath(root / "Sounds/old.wav"), root / "Sounds/old.wav");
}

INSTANTIATE_TEST_SUITE_P(
    Table, FolderCache,
    ::testing::Values(Change{"ChangedLater", {3600, 0}, {3599, 0}, false},
                      Change{"ChangedInTheSameSecond", {3600, 100}, {3600, 200}, false},
                      Change{"ReplacedBearingTheSameTime", {3600, 0}, {3600, 0}, true},
                      Change{"ChangedWithinTheSameClockTick", {0, 0}, {0, 0}, false}),
    [](const ::testing::TestParamInfo<Change>& info) { return std::string(info.param.name); });

// A suite updated the usual way while the menu runs: a new link renamed over the one to the
// old copy. No watch sees the link change; the kept answer no longer names a file.
TEST(KeptAnswers, FollowALinkPointedAtANewCopy) {
  test::ScratchFolder root;
  build(root, {{"release-6/menu/M4.JPG", "release-7/menu/M4.jpg"}, {{"menu", "release-6/menu"}}});
  ASSERT_EQ(resolvePath(root / "menu/m4.jpg"), root / "menu/M4.JPG");
  fs::create_symlink("release-7/menu", root / "menu.next");
  fs::rename(root / "menu.next", root / "menu");
  EXPECT_EQ(resolvePath(root / "menu/m4.jpg"), root / "menu/M4.jpg");
}

TEST(KeptAnswers, NotFromFileSystemsChangedElsewhere) {
  struct Row {
    std::uint32_t fileSystemType;
    bool seesEveryChange;
  };
  for (const Row& row : {Row{0xEF53, true} /* ext4 */, Row{0x01021994, true} /* tmpfs */,
                         Row{0x6969, false} /* NFS */, Row{0xFF534D42, false} /* CIFS */,
                         Row{0xFE534D42, false} /* SMB2 */, Row{0x65735546, false} /* FUSE */,
                         Row{0x01021997, false} /* 9p */})
    EXPECT_EQ(watchesSeeEveryChange(row.fileSystemType), row.seesEveryChange) << std::hex << row.fileSystemType;
}

}  // namespace
}  // namespace tov::posix
