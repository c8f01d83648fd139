#pragma once
// The application-wide services of the windowing layer: the title, modal message boxes of
// the kinds people see in this program, and the error report that ends a failed handler.

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

namespace tov {

enum class MsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum MsgDlgButton : unsigned { mbOK = 1, mbYes = 2, mbNo = 4 };

enum class ModalResult { mrNone, mrOk, mrYes, mrNo };

namespace Application {

void setTitle(const std::string& title);
const std::string& title();

// A modal message box. The kind gives caption and icon: "Warning", "Error", "Information",
// "Confirm", and the application title for mtCustom (the plain kind). Closing the box
// any other way than by a button gives mrNone.
ModalResult messageDlg(const std::string& text, MsgDlgType kind, unsigned buttons);

// The default error report: a message box with the error's message; the program goes on.
void handleException(const std::exception& error);

// Runs work and reports what it throws; for every handler the windowing layer calls.
void guarded(const std::function<void()>& work);

// Brings the top-level window with this native id (winId) to the front, restoring it when
// it is minimised. activationToken, when not empty, is the compositor's permission that
// another process of ours obtained (a Wayland session's activation token).
void raiseWindow(std::uint64_t window, const std::string& activationToken);

// What a message box would show, for tests and for headless use.
struct MessageRequest {
  std::string caption;
  std::string text;
  MsgDlgType kind;
  unsigned buttons;
};
using MessageHandler = std::function<ModalResult(const MessageRequest&)>;
// Replaces the real boxes (null puts them back); returns the handler it replaced.
MessageHandler setMessageHandler(MessageHandler handler);

}  // namespace Application
}  // namespace tov

namespace tov::Application {
// Ends the program's event loop once the event at hand has been handled, and with it every
// modal showing that waits for its form to close (the program is being ended).
void terminate();
bool terminating();

// Serves the program's events until ms milliseconds have passed since start (a steady-clock
// time), without spinning: the waiting is done by the event loop.
void waitDispatching(std::int64_t startMs, std::int64_t ms);
// Milliseconds of a steady clock, for measuring elapsed time.
std::int64_t tickCount();
}  // namespace tov::Application
