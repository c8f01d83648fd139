// The music player on the MCI sequencer: the commands it sends, and which of MCI's
// notifications reach the menu. MCI is a double that records the commands and fails the ones
// it is told to: under Wine there is no MIDI device, and "play" succeeds all the same.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_music_player.h"
#include "win32/win32_testing.h"

namespace tov {
namespace {

using Kinds = std::vector<MusicNotifyKind>;

// A command as the double records it: its number, device and flags, and what an open opens.
std::string command(UINT command, DWORD_PTR flags, const std::string& detail = {}) {
  return std::to_string(command) + (command == MCI_OPEN ? " 0 " : " 1 ") + std::to_string(flags) + detail;
}
std::string openOf(const std::string& path) {
  return command(MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT | MCI_WAIT, " sequencer " + path);
}

// Every device is number 1, as MCI numbers the one device a program has open.
class RecordingMci : public win32::IMciSystem {
 public:
  MCIERROR sendCommand(MCIDEVICEID device, UINT number, DWORD_PTR flags, void* parameters) override {
    std::string detail;
    if (number == MCI_OPEN) {
      auto* open = static_cast<MCI_OPEN_PARMSW*>(parameters);
      detail = " " + win32::toUtf8(open->lpstrDeviceType) + " " + win32::toUtf8(open->lpstrElementName);
      open->wDeviceID = 1;
    }
    if (number == MCI_PLAY) {
      window = HWND(static_cast<MCI_PLAY_PARMS*>(parameters)->dwCallback);
      if (IsWindow(window)) detail = " to a window";
    }
    if (number == MCI_CLOSE && whileClosing) whileClosing();
    commands.push_back(std::to_string(number) + " " + std::to_string(device) + " " + std::to_string(flags) + detail);
    return failing[number];
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
};

class Win32MusicPlayerTest : public ::testing::Test {
 protected:
  Win32MusicPlayerTest() { player.setNotifyHandler([this](MusicNotifyKind kind) { heard.push_back(kind); }); }
  // Serves the loop until the open piece's end, posted after everything before it, is heard.
  void hearTheEnd() {
    mci.notify(MCI_NOTIFY_SUCCESSFUL);
    ASSERT_TRUE(test::serveUntil([&] { return !heard.empty() && heard.back() == MusicNotifyKind::Successful; }));
  }

  RecordingMci mci;
  win32::Win32MusicPlayer player{mci};
  Kinds heard;
};

TEST_F(Win32MusicPlayerTest, SendsTheSequencersCommandsForAnOpenPieceOnly) {
  player.open("C:\\Zoë.mid");
  player.open("C:\\Zoë.mid");  // closes the piece before
  player.rewind();
  player.play();
  player.close();
  player.rewind();
  player.play();
  player.close();
  EXPECT_EQ(mci.commands, (std::vector<std::string>{openOf("C:\\Zoë.mid"), command(MCI_CLOSE, MCI_WAIT),
                                                    openOf("C:\\Zoë.mid"), command(MCI_SEEK, MCI_SEEK_TO_START | MCI_WAIT),
                                                    command(MCI_PLAY, MCI_NOTIFY, " to a window"),
                                                    command(MCI_CLOSE, MCI_WAIT)}));
}

TEST_F(Win32MusicPlayerTest, EachNotificationOfTheOpenPieceReachesTheHandlerAsItsKind) {
  const std::pair<WPARAM, MusicNotifyKind> kinds[] = {{MCI_NOTIFY_SUCCESSFUL, MusicNotifyKind::Successful},
                                                      {MCI_NOTIFY_SUPERSEDED, MusicNotifyKind::Superseded},
                                                      {MCI_NOTIFY_ABORTED, MusicNotifyKind::Aborted},
                                                      {MCI_NOTIFY_FAILURE, MusicNotifyKind::Failure}};
  for (const auto& [notification, kind] : kinds) {
    heard.clear();
    player.open("C:\\a.mid");  // closing the answered piece before says nothing
    player.play();
    mci.notify(notification);
    ASSERT_TRUE(test::serveUntil([&] { return !heard.empty(); }));
    EXPECT_EQ(heard, Kinds{kind});
  }
}

// The next piece is device 1 too: only its own window tells a late notification apart.
TEST_F(Win32MusicPlayerTest, ANotificationOfAClosedPieceOrOfAnotherDeviceIsDropped) {
  player.open("C:\\a.mid");
  player.play();
  const HWND closedPiecesWindow = mci.window;
  player.close();
  player.open("C:\\b.mid");
  player.play();
  PostMessageW(closedPiecesWindow, MM_MCINOTIFY, MCI_NOTIFY_FAILURE, 1);
  mci.notify(MCI_NOTIFY_SUPERSEDED, 2);
  hearTheEnd();
  EXPECT_EQ(heard, (Kinds{MusicNotifyKind::Aborted, MusicNotifyKind::Successful}));
}

TEST_F(Win32MusicPlayerTest, ClosingAPlayingPieceReportsItAbortedOnceWhateverMciSends) {
  for (const bool abortedBeforeTheCloseReturns : {false, true}) {
    for (const bool abortedLate : {false, true}) {
      heard.clear();
      player.open("C:\\a.mid");
      player.play();
      mci.whileClosing = [&] { if (abortedBeforeTheCloseReturns) mci.notify(MCI_NOTIFY_ABORTED); };
      player.close();
      if (abortedLate) mci.notify(MCI_NOTIFY_ABORTED);
      player.open("C:\\b.mid");
      player.play();
      hearTheEnd();
      EXPECT_EQ(heard, (Kinds{MusicNotifyKind::Aborted, MusicNotifyKind::Successful}))
          << abortedBeforeTheCloseReturns << abortedLate;
    }
  }
}

TEST_F(Win32MusicPlayerTest, AFailedOpenCarriesTheSystemsTextAndARefusedPlayIsSilence) {
  struct Case {
    MCIERROR openError;
    unsigned midiOutputs;
    std::string message;
    std::vector<std::string> commands;
  } const cases[] = {{MCIERR_FILE_NOT_FOUND, 1, "text 275", {openOf("C:\\a.mid")}},
                     {MCIERR_INTERNAL, 1, "Unknown error code", {openOf("C:\\a.mid")}},
                     {0, 0, "text 343", {openOf("C:\\a.mid"), command(MCI_CLOSE, MCI_WAIT)}}};  // no MIDI output
  for (const Case& c : cases) {
    mci.commands.clear();
    mci.failing = {{MCI_OPEN, c.openError}};
    mci.midiOutputs = c.midiOutputs;
    try {
      player.open("C:\\a.mid");
      ADD_FAILURE() << "opened despite " << c.message;
    } catch (const EMCIDeviceError& error) {
      EXPECT_EQ(error.what(), c.message);
    }
    EXPECT_FALSE(player.isOpen());
    EXPECT_EQ(mci.commands, c.commands);
  }
  mci.failing = {{MCI_PLAY, MCIERR_INTERNAL}};
  mci.midiOutputs = 1;
  player.open("C:\\a.mid");
  player.play();
  mci.failing.clear();
  player.open("C:\\b.mid");  // closing the refused piece says nothing
  player.play();
  hearTheEnd();
  EXPECT_EQ(heard, Kinds{MusicNotifyKind::Successful});
}

// winmm's own MCI: the message is the system's text for the error, not a text of ours.
TEST(Win32MusicPlayer, AMissingPieceFailsWithTheSystemsTextForIt) {
  test::ScratchFolder folder;
  wchar_t expected[MAXERRORLENGTH] = L"";
  ASSERT_TRUE(mciGetErrorStringW(MCIERR_FILE_NOT_FOUND, expected, MAXERRORLENGTH));
  win32::Win32MusicPlayer player;
  try {
    player.open(folder.path() + "missing.mid");
    ADD_FAILURE() << "opened a missing piece";
  } catch (const EMCIDeviceError& error) {
    EXPECT_EQ(error.what(), win32::toUtf8(expected));
  }
}

}  // namespace
}  // namespace tov
