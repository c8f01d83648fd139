#include "sound/mediaplayer.h"

#include <utility>

namespace tov {

struct TMediaPlayer::Link {
  TMediaPlayer* owner;
};

TMediaPlayer::TMediaPlayer(IMusicPlayer& player)
    : player_(player), link_(std::make_shared<Link>(Link{this})) {
  player_.setNotifyHandler([link = std::weak_ptr<Link>(link_)](MusicNotifyKind kind) {
    if (const std::shared_ptr<Link> alive = link.lock()) alive->owner->notify(kind);
  });
}

TMediaPlayer::~TMediaPlayer() {
  // Detach first: the close below may report the piece it cuts off.
  link_.reset();
  player_.setNotifyHandler({});
  Close();
}

void TMediaPlayer::Open() {
  Close();
  player_.open(fileName_);
}

void TMediaPlayer::Close() {
  if (player_.isOpen()) player_.close();
}

void TMediaPlayer::Rewind() {
  if (player_.isOpen()) player_.rewind();
}

void TMediaPlayer::Play() {
  if (player_.isOpen()) player_.play();
}

void TMediaPlayer::WhenReady(std::function<void()> ready) {
  player_.whenReady([link = std::weak_ptr<Link>(link_), ready = std::move(ready)] {
    if (link.lock()) ready();
  });
}

void TMediaPlayer::notify(MusicNotifyKind kind) {
  notifyValue_ = kind;
  if (OnNotify) OnNotify(this);
}

}  // namespace tov
