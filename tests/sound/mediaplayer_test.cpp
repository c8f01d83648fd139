// The music player against the fake sequencer: what reaches the device, and that no
// notification reaches a player that has gone.

#include "sound/mediaplayer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "doubles/fake_audio.h"

namespace tov {
namespace {

using Calls = std::vector<std::string>;

TEST(MediaPlayerTest, OpenTakesTheStoredNameAndClosesAnOpenPieceFirst) {
  test::FakeMusicPlayer device;
  TMediaPlayer player(device);
  player.Close();  // nothing open: nothing happens
  player.setFileName("Music/a.mid");
  player.Open();
  player.setFileName("Music/b.mid");  // stored only
  EXPECT_EQ(player.FileName(), "Music/b.mid");
  EXPECT_EQ(device.calls, Calls{"open Music/a.mid"});

  player.Rewind();
  player.Play();
  player.Open();
  EXPECT_EQ(device.calls, (Calls{"open Music/a.mid", "rewind Music/a.mid", "play Music/a.mid",
                                 "close Music/a.mid", "open Music/b.mid"}));
}

TEST(MediaPlayerTest, AFailedOpenPassesOutAndLeavesNothingToPlay) {
  test::FakeMusicPlayer device;
  device.failingPaths = {"Music/bad.mid"};
  TMediaPlayer player(device);
  player.setFileName("Music/bad.mid");
  EXPECT_THROW(player.Open(), EMCIDeviceError);
  player.Rewind();
  player.Play();
  player.Close();
  EXPECT_EQ(device.calls, Calls{"open Music/bad.mid"});
}

TEST(MediaPlayerTest, EveryNotificationKindIsRecordedAndRaised) {
  test::FakeMusicPlayer device;
  TMediaPlayer player(device);
  device.notify(MusicNotifyKind::Failure);  // no handler assigned: only recorded
  EXPECT_EQ(player.NotifyValue(), MusicNotifyKind::Failure);

  std::vector<MusicNotifyKind> seen;
  player.OnNotify = [&](TMediaPlayer* sender) {
    EXPECT_EQ(sender, &player);
    seen.push_back(sender->NotifyValue());
  };
  const std::vector<MusicNotifyKind> kinds = {
      MusicNotifyKind::Successful, MusicNotifyKind::Superseded, MusicNotifyKind::Aborted,
      MusicNotifyKind::Failure};
  for (MusicNotifyKind kind : kinds) device.notify(kind);
  EXPECT_EQ(seen, kinds);
}

TEST(MediaPlayerTest, DestructionClosesTheDeviceAndDropsLateNotifications) {
  test::FakeMusicPlayer device;
  int notified = 0;
  {
    TMediaPlayer player(device);
    player.OnNotify = [&](TMediaPlayer*) { ++notified; };
    player.setFileName("Music/a.mid");
    player.Open();
    player.Play();
  }
  EXPECT_EQ(device.calls.back(), "close Music/a.mid");
  EXPECT_FALSE(device.isOpen());
  EXPECT_FALSE(device.hasNotifyHandler());
  // The Aborted report of that close goes to the handler the device copied at play().
  ASSERT_EQ(device.queuedCount(), 1u);
  device.deliverQueued();
  device.notify(MusicNotifyKind::Successful);
  EXPECT_EQ(notified, 0);

  const std::size_t before = device.calls.size();
  { TMediaPlayer unopened(device); }
  EXPECT_EQ(device.calls.size(), before);
}

// A handler waiting for the device runs once the device is ready, and never once the player
// has gone: it belongs to the form that owned the player.
TEST(MediaPlayerTest, ReadyHandlersRunWhenTheDeviceIsReadyWhileThePlayerLives) {
  for (const bool playerLives : {true, false}) {
    test::FakeMusicPlayer device;
    device.ready = false;
    int ran = 0;
    auto player = std::make_unique<TMediaPlayer>(device);
    EXPECT_FALSE(player->Ready());
    player->WhenReady([&] { ++ran; });
    EXPECT_EQ(ran, 0);
    if (!playerLives) player.reset();
    device.becomeReady();
    EXPECT_EQ(ran, playerLives ? 1 : 0) << "player lives: " << playerLives;
  }
}

}  // namespace
}  // namespace tov
