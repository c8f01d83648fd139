#include "ui/win32/win32_message_box.h"

#include <windows.h>

#include "platform/win32/wide_text.h"
#include "ui/win32/win32_window.h"

namespace tov::win32 {

namespace {

UINT iconOf(MsgDlgType kind) {
  switch (kind) {
    case MsgDlgType::mtWarning: return MB_ICONWARNING;
    case MsgDlgType::mtError: return MB_ICONERROR;
    case MsgDlgType::mtInformation: return MB_ICONINFORMATION;
    case MsgDlgType::mtConfirmation: return MB_ICONQUESTION;
    case MsgDlgType::mtCustom: break;
  }
  return 0;
}

ModalResult resultOf(int answer) {
  switch (answer) {
    case IDOK: return ModalResult::mrOk;
    case IDYES: return ModalResult::mrYes;
    case IDNO: return ModalResult::mrNo;
    default: return ModalResult::mrNone;
  }
}

}  // namespace

UINT messageBoxStyle(const Application::MessageRequest& request) {
  const UINT buttons = request.buttons & (mbYes | mbNo) ? MB_YESNO : MB_OK;
  return buttons | iconOf(request.kind) | MB_DEFBUTTON1 | MB_SETFOREGROUND;
}

// The box belongs to the active form, so that the system keeps it in front of that form,
// also of one that covers its monitor. MessageBoxW disables its owner itself; the other
// forms are disabled here, as every modal window of the program disables them.
ModalResult showMessageBox(const Application::MessageRequest& request) {
  HWND owner = activeForm();
  const std::vector<HWND> disabled = disableFormsBut(owner);
  const int answer = MessageBoxW(owner, toWide(request.text).c_str(), toWide(request.caption).c_str(),
                                 messageBoxStyle(request) | (owner ? 0 : MB_TASKMODAL));
  enableAgain(disabled);
  return resultOf(answer);
}

}  // namespace tov::win32
