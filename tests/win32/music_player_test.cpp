// The music player on the MCI sequencer: the commands it sends, and which of MCI's
// notifications reach the menu. MCI is a double that records the commands and sends what a
// test tells it to: under Wine there is no MIDI device, and "play" succeeds all the same.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/win32/mci_system.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_music_player.h"
#include "win32/win32_testing.h"

namespace tov {
namespace {

// Every device is number 1, as MCI numbers the one device a program has open.
class RecordingMci : public win32::IMciSystem {
 public:
  MCIERROR sendCommand(MCIDEVICEID device, UINT command, DWORD_PTR flags, void* parameters) override {
    const std::string on = " " + std::to_string(device);
    switch (command) {
      case MCI_OPEN: {
        auto* open = static_cast<MCI_OPEN_PARMSW*>(parameters);
        commands.push_back("open " + win32::toUtf8(open->lpstrDeviceType) + " " + win32::toUtf8(open->lpstrElementName) +
                           flagsOf(flags));
        if (!failing.count(MCI_OPEN)) open->wDeviceID = 1;
        break;
      }
      case MCI_SEEK: commands.push_back("seek" + on + flagsOf(flags)); break;
      case MCI_PLAY:
        window = HWND(static_cast<MCI_PLAY_PARMS*>(parameters)->dwCallback);
        commands.push_back("play" + on + flagsOf(flags) + (IsWindow(window) ? " to a window" : ""));
        break;
      case MCI_CLOSE:
        commands.push_back("close" + on + flagsOf(flags));
        if (whileClosing) whileClosing();
        break;
    }
    return failing.count(command) ? failing[command] : 0;
  }
  // MCIERR_INTERNAL stands for a code the system has no text for.
  std::string errorText(MCIERROR error) override { return error == MCIERR_INTERNAL ? "" : "text " + std::to_string(error); }
  unsigned midiOutputCount() override { return midiOutputs; }

  void notify(WPARAM kind, MCIDEVICEID device = 1) const { PostMessageW(window, MM_MCINOTIFY, kind, device); }

  std::vector<std::string> commands;
  std::map<UINT, MCIERROR> failing;
  unsigned midiOutputs = 1;
  std::function<void()> whileClosing;
  HWND window = nullptr;  // the callback of the last play

 private:
  static std::string flagsOf(DWORD_PTR flags) {
    std::string text;
    if (flags & MCI_OPEN_TYPE) text += " type";
    if (flags & MCI_OPEN_ELEMENT) text += " element";
    if (flags & MCI_SEEK_TO_START) text += " to-start";
    if (flags & MCI_NOTIFY) text += " notify";
    if (flags & MCI_WAIT) text += " wait";
    return text;
  }
};

class Win32MusicPlayerTest : public ::testing::Test {
 protected:
  Win32MusicPlayerTest() {
    player.setNotifyHandler([this](MusicNotifyKind kind) { heard.push_back(kind); });
  }
  // A fresh piece whose end is posted after everything before it: the notifications that
  // were to come have come once it is heard.
  void playToTheEndOfAnotherPiece() {
    player.open("C:\\other.mid");
    player.play();
    mci.notify(MCI_NOTIFY_SUCCESSFUL);
    const std::size_t before = heard.size();
    ASSERT_TRUE(test::serveUntil([&] { return heard.size() > before && heard.back() == MusicNotifyKind::Successful; }));
  }

  RecordingMci mci;
  win32::Win32MusicPlayer player{mci};
  std::vector<MusicNotifyKind> heard;
};

TEST_F(Win32MusicPlayerTest, SendsTheSequencersCommands) {
  struct Case {
    const char* name;
    std::function<void(IMusicPlayer&)> use;
    std::vector<std::string> commands;
  };
  const Case cases[] = {
      {"a piece played from its start and closed",
       [](IMusicPlayer& p) {
         p.open("C:\\Musiek\\Zoë.mid");
         p.rewind();
         p.play();
         p.close();
       },
       {"open sequencer C:\\Musiek\\Zoë.mid type element wait", "seek 1 to-start wait", "play 1 notify to a window",
        "close 1 wait"}},
      {"an open closes the piece before",
       [](IMusicPlayer& p) {
         p.open("C:\\a.mid");
         p.open("C:\\b.mid");
       },
       {"open sequencer C:\\a.mid type element wait", "close 1 wait", "open sequencer C:\\b.mid type element wait"}},
      {"nothing open",
       [](IMusicPlayer& p) {
         p.rewind();
         p.play();
         p.close();
       },
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mci.commands.clear();
    c.use(player);
    EXPECT_EQ(mci.commands, c.commands);
    player.close();
  }
}

TEST_F(Win32MusicPlayerTest, EachNotificationOfTheOpenPieceReachesTheHandlerAsItsKind) {
  const std::pair<WPARAM, MusicNotifyKind> kinds[] = {{MCI_NOTIFY_SUCCESSFUL, MusicNotifyKind::Successful},
                                                      {MCI_NOTIFY_SUPERSEDED, MusicNotifyKind::Superseded},
                                                      {MCI_NOTIFY_ABORTED, MusicNotifyKind::Aborted},
                                                      {MCI_NOTIFY_FAILURE, MusicNotifyKind::Failure}};
  for (const auto& [notification, kind] : kinds) {
    heard.clear();
    player.open("C:\\a.mid");
    player.play();
    mci.notify(notification);
    ASSERT_TRUE(test::serveUntil([&] { return !heard.empty(); }));
    EXPECT_EQ(heard, std::vector<MusicNotifyKind>{kind});
  }
}

TEST_F(Win32MusicPlayerTest, ANotificationOfAClosedPieceOrAnotherDeviceIsDropped) {
  player.open("C:\\a.mid");
  player.play();
  const HWND closedPiecesWindow = mci.window;
  player.close();
  player.open("C:\\b.mid");  // device 1 again
  player.play();
  PostMessageW(closedPiecesWindow, MM_MCINOTIFY, MCI_NOTIFY_FAILURE, 1);
  mci.notify(MCI_NOTIFY_SUPERSEDED, 2);
  mci.notify(MCI_NOTIFY_SUCCESSFUL);
  ASSERT_TRUE(test::serveUntil([&] { return heard.size() >= 2; }));
  EXPECT_EQ(heard, (std::vector<MusicNotifyKind>{MusicNotifyKind::Aborted, MusicNotifyKind::Successful}));
}

TEST_F(Win32MusicPlayerTest, ClosingAPlayingPieceReportsItAbortedOnceWhateverMciSends) {
  struct Case {
    const char* name;
    bool abortedWhileClosing;
    bool abortedAfterClosing;
  };
  const Case cases[] = {{"nothing", false, false}, {"its own, before the close returns", true, false},
                        {"its own, late", false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    heard.clear();
    player.open("C:\\a.mid");
    player.play();
    mci.whileClosing = [&] { if (c.abortedWhileClosing) mci.notify(MCI_NOTIFY_ABORTED); };
    player.close();
    mci.whileClosing = nullptr;
    if (c.abortedAfterClosing) mci.notify(MCI_NOTIFY_ABORTED);
    playToTheEndOfAnotherPiece();
    EXPECT_EQ(heard, (std::vector<MusicNotifyKind>{MusicNotifyKind::Aborted, MusicNotifyKind::Successful}));
  }
}

TEST_F(Win32MusicPlayerTest, AFailedOpenCarriesTheSystemsTextAndLeavesNothingOpen) {
  struct Case {
    const char* name;
    MCIERROR openError;
    unsigned midiOutputs;
    std::string message;
    std::vector<std::string> commands;
  };
  const Case cases[] = {
      {"a missing file", MCIERR_FILE_NOT_FOUND, 1, "text 275", {"open sequencer C:\\a.mid type element wait"}},
      {"an error the system has no text for", MCIERR_INTERNAL, 1, "Unknown error code",
       {"open sequencer C:\\a.mid type element wait"}},
      {"no MIDI output", 0, 0, "text 343", {"open sequencer C:\\a.mid type element wait", "close 1 wait"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mci.commands.clear();
    if (c.openError) mci.failing[MCI_OPEN] = c.openError;
    mci.midiOutputs = c.midiOutputs;
    try {
      player.open("C:\\a.mid");
      ADD_FAILURE() << "the open did not fail";
    } catch (const EMCIDeviceError& error) {
      EXPECT_EQ(error.what(), c.message);
    }
    EXPECT_FALSE(player.isOpen());
    EXPECT_EQ(mci.commands, c.commands);
    mci.failing.clear();
  }
}

TEST_F(Win32MusicPlayerTest, APlayThatMciRefusesIsSilenceWithoutANotification) {
  mci.failing[MCI_PLAY] = MCIERR_INTERNAL;
  player.open("C:\\a.mid");
  player.play();
  player.close();
  mci.failing.clear();
  playToTheEndOfAnotherPiece();
  EXPECT_EQ(heard, std::vector<MusicNotifyKind>{MusicNotifyKind::Successful});
}

// winmm's own MCI: the message is the system's text for the error, not a text of ours.
TEST(Win32MusicPlayer, AMissingPieceFailsWithTheSystemsTextForIt) {
  test::ScratchFolder folder;
  wchar_t expected[MAXERRORLENGTH] = L"";
  ASSERT_TRUE(mciGetErrorStringW(MCIERR_FILE_NOT_FOUND, expected, MAXERRORLENGTH));
  win32::Win32MusicPlayer player;
  try {
    player.open(folder.path() + "missing.mid");
    ADD_FAILURE() << "the open did not fail";
  } catch (const EMCIDeviceError& error) {
    EXPECT_EQ(error.what(), win32::toUtf8(expected));
  }
  EXPECT_FALSE(player.isOpen());
}

}  // namespace
}  // namespace tov
