#pragma once
// The form's music player: one piece at a time, opened by file name, played without
// blocking, its end reported through OnNotify.

#include <functional>
#include <memory>
#include <string>

#include "platform/audio.h"

namespace tov {

class TMediaPlayer {
 public:
  // The player must outlive this object. Create and use on the user-interface thread.
  explicit TMediaPlayer(IMusicPlayer& player);
  // Closes an open piece. Notifications still on their way, the Aborted one of this close
  // included, are dropped: nothing may start music while the owner is going away.
  ~TMediaPlayer();
  TMediaPlayer(const TMediaPlayer&) = delete;
  TMediaPlayer& operator=(const TMediaPlayer&) = delete;

  const std::string& FileName() const { return fileName_; }
  // Kept until the next Open; does nothing to an open piece.
  void setFileName(const std::string& value) { fileName_ = value; }

  // Opens FileName, closing an open piece first. A failure passes EMCIDeviceError out.
  void Open();
  // Nothing when no piece is open.
  void Close();
  // Rewind and Play report no errors; with no piece open they do nothing.
  void Rewind();
  void Play();

  // Whether Open would answer at once: the platform's player may still be setting itself up
  // (reading a sound font) after the program's start.
  bool Ready() const { return player_.isReady(); }
  // Runs ready once Open would answer at once: now, or later from the event loop. Nothing
  // runs after this object is gone.
  void WhenReady(std::function<void()> ready);

  // The kind of the last notification; Successful before the first.
  MusicNotifyKind NotifyValue() const { return notifyValue_; }

  // Raised for every notification, whatever its kind.
  std::function<void(TMediaPlayer* sender)> OnNotify;

 private:
  struct Link;
  void notify(MusicNotifyKind kind);

  IMusicPlayer& player_;
  std::string fileName_;
  MusicNotifyKind notifyValue_ = MusicNotifyKind::Successful;
  // What the player's notify handler reaches this object through; cut at destruction, so a
  // handler the player copied and calls late finds nobody.
  std::shared_ptr<Link> link_;
};

}  // namespace tov
