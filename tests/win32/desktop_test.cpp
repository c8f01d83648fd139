// The desktop as the menu takes it over and gives it back: display modes (on Xorg's dummy
// driver, which Wine switches for real), the button exchange, the taskbar (inside Wine's
// desktop with a shell, the one set-up with a taskbar) and the hot key; each undo recorded
// with the guardian before its change, and its give-back after.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/win32/win32_display.h"
#include "platform/win32/win32_hotkey.h"
#include "platform/win32/win32_pointer.h"
#include "platform/win32/win32_taskbar.h"
#include "win32/win32_testing.h"

namespace tov {
namespace {

// A top-level window of the test that records the WM_DISPLAYCHANGE it is told of.
class DisplayChangeListener {
 public:
  DisplayChangeListener() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &DisplayChangeListener::procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TovaleerTestDisplayChange";
    RegisterClassExW(&windowClass);
    window_ = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                              windowClass.hInstance, nullptr);
  }
  ~DisplayChangeListener() { DestroyWindow(window_); }
  static inline std::optional<WPARAM> told;

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DISPLAYCHANGE) told = wParam;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  HWND window_;
};

TEST(Win32Display, SwitchesTo800x600AndSetsTheRecordedModeBack) {
  win32::Win32Display caps;
  test::RecordingGuardian guardian([&] { return caps.currentCaps().width; });
  win32::Win32Display display(&guardian);
  const DeviceCaps before = display.currentCaps();
  if (before.width == 800 && before.height == 600) GTEST_SKIP() << "the display runs at 800 x 600 already";
  DisplayMode saved;
  ASSERT_TRUE(display.currentMode(saved));
  EXPECT_EQ(std::int32_t(saved.width), before.width);
  EXPECT_EQ(std::int32_t(saved.height), before.height);

  std::optional<DisplayMode> wanted;
  DisplayMode mode;
  bool currentListed = false;
  for (std::uint32_t number = 0; display.enumMode(number, mode); ++number) {
    currentListed = currentListed || (mode.width == saved.width && mode.height == saved.height);
    if (mode.width == 800 && mode.height == 600 && mode.bitsPerPel == saved.bitsPerPel) wanted = mode;
  }
  EXPECT_TRUE(currentListed);
  ASSERT_TRUE(wanted) << "no 800 x 600 mode at " << saved.bitsPerPel << " bits";

  DisplayChangeListener listener;
  ASSERT_TRUE(display.changeMode(*wanted));
  display.broadcastDisplayChange();
  EXPECT_EQ(DisplayChangeListener::told, std::optional<WPARAM>(42));
  const DeviceCaps switched = display.currentCaps();
  EXPECT_EQ(switched.width, 800);
  EXPECT_EQ(switched.height, 600);
  EXPECT_EQ(display.primaryOutputArea(), (ScreenArea{0, 0, 800, 600}));

  ASSERT_TRUE(display.changeMode(saved));
  EXPECT_EQ(display.currentCaps(), before);
  const guardian::DisplaySettingsChanged found{saved.width, saved.height, saved.bitsPerPel, saved.frequency,
                                               std::uint32_t(saved.orientation)};
  EXPECT_EQ(guardian.records, (std::vector<test::RecordingGuardian::Recorded>{{found, before.width},
                                                                              {guardian::ModeRestored{}, before.width}}));
}

std::optional<std::wstring> storedButtonSwap() {
  wchar_t value[16] = {};
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Mouse", L"SwapMouseButtons", RRF_RT_REG_SZ, nullptr, value,
                   &size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(value);
}

TEST(Win32Pointer, ExchangesTheButtonsForTheSessionWithoutStoringItAndGivesThemBack) {
  test::RecordingGuardian guardian([] { return GetSystemMetrics(SM_SWAPBUTTON); });
  win32::Win32Pointer pointer(&guardian);
  ASSERT_FALSE(pointer.buttonsSwapped());
  const std::optional<std::wstring> stored = storedButtonSwap();
  pointer.setButtonsSwapped(true);
  EXPECT_TRUE(pointer.buttonsSwapped());
  EXPECT_EQ(storedButtonSwap(), stored);
  pointer.setButtonsSwapped(false);
  EXPECT_FALSE(pointer.buttonsSwapped());
  // As found: normal buttons, the mapping 1 2 3.
  EXPECT_EQ(guardian.records, (std::vector<test::RecordingGuardian::Recorded>{
                                  {guardian::PointerChanged{{1, 2, 3}}, 0}, {guardian::PointerRestored{}, 0}}));
}

TEST(Win32HotKey, AChangedCombinationLetsGoOfTheOldOne) {
  win32::Win32HotKey menu, other;
  const int menuTarget = menu.addTarget([] {});
  const int otherTarget = other.addTarget([] {});
  ASSERT_TRUE(menu.registerKey(menuTarget, 'Z', kModControl | kModAlt));
  EXPECT_FALSE(other.registerKey(otherTarget, 'Z', kModControl | kModAlt));
  ASSERT_TRUE(menu.registerKey(menuTarget, 'Y', kModControl | kModAlt));
  EXPECT_TRUE(other.registerKey(otherTarget, 'Z', kModControl | kModAlt));
  EXPECT_TRUE(other.unregisterKey(otherTarget));
}

// Only inside `wine explorer /desktop=shell,...`: elsewhere Wine's Shell_TrayWnd is never shown.
TEST(Win32TaskbarInShell, IsHiddenAndShownAndGivenBackWhenTheMenuForgets) {
  for (const bool showCalled : {true, false}) {
    SCOPED_TRACE(showCalled ? "shown" : "left hidden");
    HWND tray = nullptr;
    ASSERT_TRUE(test::serveUntil([&] { return (tray = FindWindowW(L"Shell_TrayWnd", nullptr)) && IsWindowVisible(tray); }))
        << "no visible taskbar: is this inside wine explorer /desktop=shell?";
    test::RecordingGuardian guardian([&] { return int(IsWindowVisible(tray)); });
    {
      win32::Win32Taskbar taskbar(&guardian);
      const TaskbarHandle found = taskbar.find();
      ASSERT_EQ(found, reinterpret_cast<ULONG_PTR>(tray));
      taskbar.hide(found);
      EXPECT_FALSE(IsWindowVisible(tray));
      if (showCalled) taskbar.show(found);
    }
    EXPECT_TRUE(IsWindowVisible(tray));
    EXPECT_EQ(guardian.records, (std::vector<test::RecordingGuardian::Recorded>{{guardian::TaskbarsHidden{}, 1},
                                                                                {guardian::TaskbarsShown{}, 1}}));
  }
}

}  // namespace
}  // namespace tov
