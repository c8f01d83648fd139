#include "platform/win32/win32_music_player.h"

#include <utility>

#include "platform/win32/wide_text.h"

namespace tov::win32 {

namespace {

std::optional<MusicNotifyKind> kindOf(WPARAM notification) {
  switch (notification) {
    case MCI_NOTIFY_SUCCESSFUL: return MusicNotifyKind::Successful;
    case MCI_NOTIFY_SUPERSEDED: return MusicNotifyKind::Superseded;
    case MCI_NOTIFY_ABORTED: return MusicNotifyKind::Aborted;
    case MCI_NOTIFY_FAILURE: return MusicNotifyKind::Failure;
    default: return std::nullopt;
  }
}

}  // namespace

Win32MusicPlayer::Win32MusicPlayer(IMciSystem& mci) : mci_(mci) {}

Win32MusicPlayer::~Win32MusicPlayer() { close(); }

void Win32MusicPlayer::open(const std::string& path) {
  close();
  auto window = std::make_unique<MessageWindow>(
      [this](UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) { return received(message, wParam, lParam, result); });
  const std::wstring element = toWide(path);
  MCI_OPEN_PARMSW parameters{};
  parameters.lpstrDeviceType = L"sequencer";
  parameters.lpstrElementName = element.c_str();
  if (const MCIERROR error = mci_.sendCommand(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT | MCI_WAIT, &parameters))
    fail(error);
  device_ = parameters.wDeviceID;
  window_ = std::move(window);
  // Wine opens the sequencer without any MIDI output and even accepts its play; the piece
  // then never sounds and never ends. The pupil is asked about the music instead, as a
  // system that refuses the open asks.
  if (mci_.midiOutputCount() == 0) {
    close();
    fail(MCIERR_SEQ_NOMIDIPRESENT);
  }
}

void Win32MusicPlayer::fail(MCIERROR error) {
  const std::string text = mci_.errorText(error);
  if (text.empty()) throw EMCIDeviceError(ErrorCode::AudioErrorUnknown);
  throw EMCIDeviceError(text);
}

void Win32MusicPlayer::close() {
  if (!isOpen()) return;
  MCI_GENERIC_PARMS parameters{};
  // A failed close leaves nothing to do: the device is given up either way.
  mci_.sendCommand(device_, MCI_CLOSE, MCI_WAIT, &parameters);
  const bool cutOff = unanswered_ > 0;
  device_ = 0;
  unanswered_ = 0;
  window_.reset();
  if (cutOff) post(MusicNotifyKind::Aborted);
}

void Win32MusicPlayer::rewind() {
  if (!isOpen()) return;
  MCI_SEEK_PARMS parameters{};
  mci_.sendCommand(device_, MCI_SEEK, MCI_SEEK_TO_START | MCI_WAIT, &parameters);
}

void Win32MusicPlayer::play() {
  if (!isOpen()) return;
  MCI_PLAY_PARMS parameters{};
  parameters.dwCallback = reinterpret_cast<DWORD_PTR>(window_->handle());
  if (mci_.sendCommand(device_, MCI_PLAY, MCI_NOTIFY, &parameters) == 0) ++unanswered_;
}

void Win32MusicPlayer::setNotifyHandler(std::function<void(MusicNotifyKind)> handler) {
  handler_ = std::move(handler);
}

bool Win32MusicPlayer::received(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message != MM_MCINOTIFY) return false;
  accept(wParam, lParam);
  result = 0;
  return true;
}

// Only an answer to a play of the open piece goes on: anything else would start a second
// chain of pieces in the menu.
void Win32MusicPlayer::accept(WPARAM kind, LPARAM device) {
  const std::optional<MusicNotifyKind> mapped = kindOf(kind);
  if (!mapped || MCIDEVICEID(device) != device_ || unanswered_ == 0) return;
  --unanswered_;
  post(*mapped);
}

void Win32MusicPlayer::post(MusicNotifyKind kind) {
  userInterfaceThread_.post([this, kind] {
    // A copy: the handler may replace itself.
    const std::function<void(MusicNotifyKind)> handler = handler_;
    if (handler) handler(kind);
  });
}

}  // namespace tov::win32
