#include "doubles/fake_audio.h"

namespace tov::test {

bool FakeWaveOutput::play(std::span<const std::uint8_t> waveFile) {
  calls.push_back("play");
  if (refusePlay || devices == 0) return false;
  played.emplace_back(waveFile.begin(), waveFile.end());
  return true;
}

void FakeWaveOutput::stop() {
  calls.push_back("stop");
  ++stops;
  if (onStop) onStop();
}

void FakeMusicPlayer::open(const std::string& path) {
  if (open_) close();
  calls.push_back("open " + path);
  if (failAllOpens || failingPaths.count(path))
    throw EMCIDeviceError(ErrorCode::CannotOpenFile, path);
  open_ = true;
  openPath = path;
}

void FakeMusicPlayer::close() {
  if (!open_) return;
  calls.push_back("close " + openPath);
  if (playing_) queued_.emplace_back(pieceHandler_, MusicNotifyKind::Aborted);
  open_ = false;
  playing_ = false;
  openPath.clear();
}

void FakeMusicPlayer::rewind() { calls.push_back("rewind " + openPath); }

void FakeMusicPlayer::play() {
  calls.push_back("play " + openPath);
  playing_ = open_;
  pieceHandler_ = handler_;
}

void FakeMusicPlayer::setNotifyHandler(std::function<void(MusicNotifyKind)> handler) {
  handler_ = std::move(handler);
}

void FakeMusicPlayer::whenReady(std::function<void()> handler) {
  if (ready)
    handler();
  else
    readyHandlers_.push_back(std::move(handler));
}

void FakeMusicPlayer::becomeReady() {
  ready = true;
  auto handlers = std::move(readyHandlers_);
  readyHandlers_.clear();
  for (auto& handler : handlers) handler();
}

void FakeMusicPlayer::notify(MusicNotifyKind kind) {
  playing_ = false;
  if (handler_) handler_(kind);
}

void FakeMusicPlayer::deliverQueued() {
  auto pending = std::move(queued_);
  queued_.clear();
  for (auto& [handler, kind] : pending)
    if (handler) handler(kind);
}

}  // namespace tov::test
