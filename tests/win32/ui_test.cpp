// The windowing layer's Win32 backend: what the screen shows, and what the mouse and keyboard
// of the system (SendInput) bring to the layer.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/edit.h"
#include "ui/form.h"
#include "ui/win32/win32_backend.h"
#include "ui/win32/win32_cursors.h"
#include "ui/window.h"
#include "win32/win32_testing.h"

namespace tov {
namespace {

constexpr int kFormWidth = 200;
constexpr int kFormHeight = 100;

// A colour no two form pixels share, so a pixel on the screen tells which one it shows.
Color patternAt(int x, int y) { return rgb(std::uint8_t(x), std::uint8_t(y), 0x5A); }

// A window of the layer that paints the pattern and notes what the backend tells it.
class ProbeWindow : public Window {
 public:
  explicit ProbeWindow(Window* parent = nullptr, bool tracksPointer = true)
      : Window(parent, ui::WindowOptions{"probe", tracksPointer}) {}

  void paint(Bitmap& target, const Rect& area) override {
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x) {
        const Color c = patternAt(x, y);
        std::uint8_t* pixel = target.scanLine(y) + 4 * x;
        pixel[0] = blueOf(c), pixel[1] = greenOf(c), pixel[2] = redOf(c), pixel[3] = 0xFF;
      }
    ++paints;
  }
  void pointerEntered(Point at) override { events.push_back("enter " + text(at)); }
  void pointerMoved(Point at, TShiftState) override { lastMove = at; }
  void pointerPressed(Point at, TMouseButton button, TShiftState) override { presses.emplace_back(at, button); }
  void pointerLeft() override { events.push_back("leave"); }

  static std::string text(Point at) { return std::to_string(at.x) + "," + std::to_string(at.y); }

  int paints = 0;
  std::vector<std::string> events;
  std::optional<Point> lastMove;
  std::vector<std::pair<Point, TMouseButton>> presses;
};

class Win32Ui : public ::testing::Test {
 protected:
  void SetUp() override { ui::installBackend(&backend_); }
  void TearDown() override {
    ui::backend().setMouseButtonsMirrored(false);
    ui::installBackend(nullptr);
  }

  // A form of kFormWidth x kFormHeight, full screen: in the middle of the monitor.
  void showFullScreen(ProbeWindow& form) {
    form.native().setBounds(rectOf(0, 0, kFormWidth, kFormHeight));
    form.native().setFullScreen(true);
    form.native().setVisible(true);
    ASSERT_TRUE(test::serveUntil([&] { return form.paints > 0; }));
    const Rect screen = form.native().screenBounds();
    formOnScreen_ = Point{screen.left + (screen.width() - kFormWidth) / 2, screen.top + (screen.height() - kFormHeight) / 2};
  }

  // Moves the system's pointer to form pixel at, as a mouse does, and serves the loop a while.
  void pointTo(Point at) {
    SetCursorPos(formOnScreen_.x + at.x, formOnScreen_.y + at.y);
    INPUT still{};
    still.type = INPUT_MOUSE;
    still.mi.dwFlags = MOUSEEVENTF_MOVE;
    SendInput(1, &still, sizeof(INPUT));
    test::serveUntil([] { return false; }, 200);
  }

  void click(DWORD down, DWORD up) {
    INPUT inputs[2]{};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = down;
    inputs[1].mi.dwFlags = up;
    SendInput(2, inputs, sizeof(INPUT));
  }

  win32::Win32Backend backend_;
  Point formOnScreen_;
};

Color screenPixel(int x, int y) {
  HDC screen = GetDC(nullptr);
  const COLORREF pixel = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return Color(pixel);
}

TEST_F(Win32Ui, AFullScreenFormShowsTheLayersPixelsInTheMiddleWithBlackBarsRound) {
  ProbeWindow form;
  showFullScreen(form);
  EXPECT_EQ(form.formSize(), (Size{kFormWidth, kFormHeight}));
  for (const Point at : {Point{0, 0}, Point{kFormWidth - 1, 0}, Point{3, kFormHeight - 1}, Point{150, 60}})
    EXPECT_EQ(screenPixel(formOnScreen_.x + at.x, formOnScreen_.y + at.y), patternAt(at.x, at.y))
        << "form pixel " << ProbeWindow::text(at);
  EXPECT_EQ(screenPixel(formOnScreen_.x - 1, formOnScreen_.y), 0u) << "the bar left of the form";
  EXPECT_EQ(screenPixel(formOnScreen_.x, formOnScreen_.y + kFormHeight), 0u) << "the bar below the form";
}

TEST_F(Win32Ui, APressReachesTheLayerAtTheFormPixelUnderThePointerWithTheButtonsAsMirrored) {
  const struct {
    const char* name;
    bool mirrored;
    DWORD down, up;
    TMouseButton arrives;
  } cases[] = {
      {"left", false, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, TMouseButton::mbLeft},
      {"right, mirrored", true, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, TMouseButton::mbLeft},
      {"left, mirrored", true, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, TMouseButton::mbRight},
  };
  ProbeWindow form;
  showFullScreen(form);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ui::backend().setMouseButtonsMirrored(c.mirrored);
    form.presses.clear();
    pointTo(Point{37, 21});
    click(c.down, c.up);
    ASSERT_TRUE(test::serveUntil([&] { return !form.presses.empty(); }));
    EXPECT_EQ(form.presses[0].first, (Point{37, 21}));
    EXPECT_EQ(form.presses[0].second, c.arrives);
  }
}

TEST_F(Win32Ui, ThePointerEntersAndLeavesWindowsButAWindowWithoutMovesOfItsOwnReportsToItsParent) {
  ProbeWindow form;
  ProbeWindow panel(&form);
  ProbeWindow view(&form, false);
  panel.native().setBounds(rectOf(10, 10, 40, 40));
  view.native().setBounds(rectOf(100, 10, 40, 40));
  showFullScreen(form);
  pointTo(Point{70, 70});
  ASSERT_TRUE(test::serveUntil([&] { return form.lastMove == Point{70, 70}; }));
  form.events.clear();
  panel.events.clear();
  pointTo(Point{20, 25});   // onto the panel
  pointTo(Point{110, 30});  // over the view, which hands its moves to the form
  ASSERT_TRUE(test::serveUntil([&] { return form.lastMove == Point{110, 30}; }));
  EXPECT_EQ(form.events, (std::vector<std::string>{"leave", "enter 110,30"}));
  EXPECT_EQ(panel.events, (std::vector<std::string>{"enter 10,15", "leave"}));
  EXPECT_TRUE(view.events.empty());
}

// Keys as the keyboard types them: each character a VK_PACKET, Backspace a key of its own.
void typeKeys(const std::wstring& characters) {
  std::vector<INPUT> inputs;
  for (const wchar_t c : characters)
    for (const DWORD up : {DWORD(0), DWORD(KEYEVENTF_KEYUP)}) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      if (c == L'\b') {
        input.ki.wVk = VK_BACK;
        input.ki.dwFlags = up;
      } else {
        input.ki.wScan = c;
        input.ki.dwFlags = KEYEVENTF_UNICODE | up;
      }
      inputs.push_back(input);
    }
  SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
}

TEST_F(Win32Ui, TheEditBoxSeesEveryKeyFirstTakesTypedTextUpperCaseAndNeverARejectedCharacter) {
  TForm form;
  form.setBounds(0, 0, 300, 100);
  TEdit edit(form, "nameedit");
  edit.setBounds(10, 10, 200, 30);
  edit.setRejectedCharacters("\"");
  std::vector<std::pair<char32_t, std::string>> seen;  // key, text at that moment
  edit.OnKeyPress = [&](TEdit* sender, char32_t& key) { seen.emplace_back(key, sender->Text()); };
  form.Show();
  edit.SetFocus();
  ASSERT_TRUE(test::serveUntil([&] { return edit.Focused(); }));
  typeKeys(L"a\"\u00EB\b\u00EA");
  ASSERT_TRUE(test::serveUntil([&] { return seen.size() == 4; }));
  EXPECT_EQ(seen, (std::vector<std::pair<char32_t, std::string>>{
                      {U'a', ""}, {U'\u00EB', "A"}, {8, "A\u00CB"}, {U'\u00EA', "A"}}));
  EXPECT_EQ(edit.Text(), "A\u00CA");
  // Put in by the program, the text is upper case and without rejected characters too.
  edit.setText("zo\"\u00EB");
  EXPECT_EQ(edit.Text(), "ZO\u00CB");
}

TEST_F(Win32Ui, AModalFormKeepsItsOpenerDisabledAndBelowItUntilItCloses) {
  TForm opener;
  opener.setBounds(0, 0, 300, 200);
  opener.Show();
  ASSERT_TRUE(test::serveUntil([&] { return GetActiveWindow() == HWND(opener.NativeId()); }));
  TForm modal;
  modal.setBounds(50, 50, 100, 80);
  bool openerEnabled = true;
  HWND owner = nullptr;
  LoopTimer look([&] {
    if (!modal.Visible()) return;
    openerEnabled = IsWindowEnabled(HWND(opener.NativeId()));
    owner = GetWindow(HWND(modal.NativeId()), GW_OWNER);
    modal.Close();
  });
  look.start(50);
  modal.ShowModal();
  EXPECT_FALSE(openerEnabled);
  EXPECT_EQ(owner, HWND(opener.NativeId()));
  EXPECT_TRUE(IsWindowEnabled(HWND(opener.NativeId())));
}

// A window whose release runs work once, as a button whose click opens a modal form does.
class OpenerWindow : public ProbeWindow {
 public:
  using ProbeWindow::ProbeWindow;
  void pointerReleased(Point, TMouseButton, TShiftState) override {
    if (onRelease) std::exchange(onRelease, nullptr)();
  }
  std::function<void()> onRelease;
};

TEST_F(Win32Ui, AFormOpenedModallyByAClickOnAPanelGetsThePressesMadeOnIt) {
  ProbeWindow form;
  showFullScreen(form);
  OpenerWindow opener(&form);
  opener.native().setBounds(rectOf(0, 0, 40, 40));
  opener.native().setVisible(true);
  ProbeWindow modal;
  bool pressed = false;
  opener.onRelease = [&] {
    modal.native().setBounds(rectOf(0, 0, kFormWidth, kFormHeight));
    modal.native().setFullScreen(true);
    modal.native().setModal();
    modal.native().setVisible(true);
    test::serveUntil([&] { return modal.paints > 0; });
    pointTo(Point{50, 40});
    click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    pressed = test::serveUntil([&] { return !modal.presses.empty(); }, 10000);
    modal.native().setVisible(false);
  };
  pointTo(Point{10, 10});
  click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(test::serveUntil([&] { return !opener.onRelease; })) << "the click did not reach the opener";
  EXPECT_TRUE(pressed) << "the press on the modal form went elsewhere";
}

// The pixels of a bitmap the system holds, as 32-bit 0x00RRGGBB values, top row first.
std::vector<std::uint32_t> pixelsOf(HBITMAP bitmap, int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<std::uint32_t> pixels(std::size_t(width) * std::size_t(height));
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, UINT(height), pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return pixels;
}

TEST(Win32Cursor, ACursorKeepsItsHotSpotAndLetsTheScreenThroughOnlyWhereItIsTransparent) {
  // 20 pixels a row: the mask's rows are padded, the colour's are not.
  CursorImage image{20, 3, 9, 1, std::vector<CursorPixel>(60, CursorPixel::Transparent)};
  image.pixels[1 * 20 + 9] = CursorPixel::Black;
  image.pixels[2 * 20 + 17] = CursorPixel::White;
  HCURSOR cursor = win32::makeCursor(image);
  ASSERT_NE(cursor, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(cursor, &info));
  EXPECT_EQ(info.xHotspot, 9u);
  EXPECT_EQ(info.yHotspot, 1u);
  const std::vector<std::uint32_t> mask = pixelsOf(info.hbmMask, 20, 3);
  const std::vector<std::uint32_t> colour = pixelsOf(info.hbmColor, 20, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 20; ++x) {
      const CursorPixel pixel = image.at(x, y);
      const std::size_t i = std::size_t(y) * 20 + std::size_t(x);
      EXPECT_EQ(mask[i] & 0xFFFFFF, pixel == CursorPixel::Transparent ? 0xFFFFFFu : 0u) << x << "," << y;
      if (pixel != CursorPixel::Transparent) {
        EXPECT_EQ(colour[i] & 0xFFFFFF, pixel == CursorPixel::White ? 0xFFFFFFu : 0u) << x << "," << y;
      }
    }
  DeleteObject(info.hbmMask);
  DeleteObject(info.hbmColor);
  DestroyCursor(cursor);
}

}  // namespace
}  // namespace tov
