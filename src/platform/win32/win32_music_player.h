#pragma once
// MIDI music on the system's MCI sequencer: a piece is opened as the element of a
// "sequencer" device, played with MCI_NOTIFY, and its end comes back as MM_MCINOTIFY.
//
// Notifications: every play() that MCI accepts is answered by exactly one notification, as
// the interface's other players answer it. MCI's own answers (Successful at the end,
// Superseded by a second play, Aborted by a rewind, Failure) pass through as they come.
// Closing a piece whose play is unanswered reports it Aborted once, itself: each open piece
// has a window of its own that goes with its close, and with it whatever MCI sends for the
// piece from then on (MCI's own Aborted of the close included, which Wine sends) or has
// queued and not yet delivered. Device numbers are given out again (the next piece is often
// device 1 too), so the window, not the number, tells a late notification of a closed piece
// from one of the open piece. Accepted notifications are
// queued to the event loop and delivered even when their piece has since been closed: the
// menu starts the next piece on each, so one lost would stop the music and one doubled would
// start two chains of pieces.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/audio.h"
#include "platform/event_loop.h"
#include "platform/win32/mci_system.h"
#include "platform/win32/message_window.h"

namespace tov::win32 {

class Win32MusicPlayer final : public IMusicPlayer {
 public:
  // Create and use on the user-interface thread. mci must outlive this object.
  explicit Win32MusicPlayer(IMciSystem& mci = systemMci());
  ~Win32MusicPlayer() override;
  Win32MusicPlayer(const Win32MusicPlayer&) = delete;
  Win32MusicPlayer& operator=(const Win32MusicPlayer&) = delete;

  // A failure of MCI_OPEN carries the system's text for it; a piece opened on a system with
  // no MIDI output fails too, as it could never be heard.
  void open(const std::string& path) override;
  bool isOpen() const override { return device_ != 0; }
  void close() override;
  void rewind() override;
  // A play that MCI refuses is silence with no notification.
  void play() override;
  void setNotifyHandler(std::function<void(MusicNotifyKind)> handler) override;

 private:
  bool received(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void accept(WPARAM kind, LPARAM device);
  [[noreturn]] void fail(MCIERROR error);
  void post(MusicNotifyKind kind);

  IMciSystem& mci_;
  MCIDEVICEID device_ = 0;
  // The open piece's notifications only; destroyed with its close.
  std::unique_ptr<MessageWindow> window_;
  // Plays of the open piece that MCI accepted and has not answered yet.
  int unanswered_ = 0;
  std::function<void(MusicNotifyKind)> handler_;
  // Destroyed first: notifications still queued are dropped with it.
  LoopContext userInterfaceThread_;
};

}  // namespace tov::win32
