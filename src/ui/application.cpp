#include "ui/application.h"

#include <chrono>

#include "platform/errors.h"
#include "platform/event_loop.h"
#include "ui/backend.h"
#include "ui/modality.h"

namespace tov::Application {

namespace {
std::string g_title;
MessageHandler g_handler;
bool g_terminating = false;

const char* captionOf(MsgDlgType kind) {
  switch (kind) {
    case MsgDlgType::mtWarning: return "Warning";
    case MsgDlgType::mtError: return "Error";
    case MsgDlgType::mtInformation: return "Information";
    case MsgDlgType::mtConfirmation: return "Confirm";
    case MsgDlgType::mtCustom: break;
  }
  return nullptr;
}

ModalResult show(const MessageRequest& request) {
  if (g_handler) return g_handler(request);
  // A box is modal: the controls of the windows behind it hear no enter or leave meanwhile.
  const std::uint64_t showing = Modality::begin(nullptr);
  struct End {
    std::uint64_t showing;
    ~End() { Modality::end(showing); }
  } end{showing};
  return ui::backend().showMessage(request);
}
}  // namespace

void setTitle(const std::string& title) {
  g_title = title;
  if (ui::hasBackend()) ui::backend().setApplicationTitle(title);
}

const std::string& title() { return g_title; }

ModalResult messageDlg(const std::string& text, MsgDlgType kind, unsigned buttons) {
  const char* caption = captionOf(kind);
  return show(MessageRequest{caption ? caption : g_title, text, kind, buttons});
}

void handleException(const std::exception& error) {
  // The report of an unhandled error carries the title, like any box without a kind.
  show(MessageRequest{g_title, error.what(), MsgDlgType::mtError, mbOK});
}

void raiseWindow(std::uint64_t window, const std::string& activationToken) {
  ui::backend().raiseWindow(window, activationToken);
}

void guarded(const std::function<void()>& work) {
  try {
    work();
  } catch (const std::exception& error) {
    handleException(error);
  } catch (...) {
    // Nothing may leave a handler: the backend's event delivery does not carry exceptions.
    handleException(Exception(ErrorCode::UnknownError));
  }
}

MessageHandler setMessageHandler(MessageHandler handler) {
  std::swap(handler, g_handler);
  return handler;
}

void terminate() {
  g_terminating = true;
  ui::backend().quit();
}

bool terminating() { return g_terminating; }

std::int64_t tickCount() {
  using namespace std::chrono;
  static const steady_clock::time_point start = steady_clock::now();
  return duration_cast<milliseconds>(steady_clock::now() - start).count();
}

void waitDispatching(std::int64_t startMs, std::int64_t ms) {
  const std::int64_t remaining = startMs + ms - tickCount();
  if (remaining <= 0) return;
  bool due = false;
  LoopTimer timer([&] {
    due = true;
    timer.stop();
  });
  timer.start(std::uint32_t(remaining));
  serveEventsUntil([&] { return due || terminating(); });
}

}  // namespace tov::Application
