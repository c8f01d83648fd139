#include "platform/win32/mci_system.h"

#include "platform/win32/wide_text.h"

namespace tov::win32 {

namespace {

class WinmmMci final : public IMciSystem {
 public:
  MCIERROR sendCommand(MCIDEVICEID device, UINT command, DWORD_PTR flags, void* parameters) override {
    return mciSendCommandW(device, command, flags, reinterpret_cast<DWORD_PTR>(parameters));
  }

  std::string errorText(MCIERROR error) override {
    // The documented upper bound of an MCI error text.
    wchar_t text[MAXERRORLENGTH] = L"";
    if (!mciGetErrorStringW(error, text, MAXERRORLENGTH)) return {};
    return toUtf8(text);
  }

  unsigned midiOutputCount() override { return midiOutGetNumDevs(); }
};

}  // namespace

IMciSystem& systemMci() {
  static WinmmMci mci;
  return mci;
}

}  // namespace tov::win32
