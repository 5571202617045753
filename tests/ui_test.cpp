// The About box, the main dialog and its splash, drawn from the program's resources.
#include <windows.h>

#include <atomic>

#include "resources/resource.h"
#include "support/wine_test.h"
#include "ui/main_dialog.h"

namespace {

using substitute::Calls;

constexpr const char* kKey = "Software\\Vesk Harrow Systems\\Folyant";

// The spy on the host counts the robot's marked messages and icon erasures, and whether the
// splash was up when the host was told to close (-1: never told).
constexpr LPARAM kMark = 0x00070007;
WNDPROC hostProc = nullptr;
LONG marked = 0, erased = 0, splashAtClose = -1;

LRESULT CALLBACK Spy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  marked += lParam == kMark;
  erased += message == WM_ICONERASEBKGND;
  if (message == WM_CLOSE) splashAtClose = ::FindWindowA("VeskregWindow", nullptr) != nullptr;
  return ::CallWindowProcA(hostProc, window, message, wParam, lParam);
}

void Watch(void* window) {
  auto spy = reinterpret_cast<LONG_PTR>(Spy);
  hostProc = reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(static_cast<HWND>(window), GWLP_WNDPROC, spy));
}

Robot::Answer Post(std::vector<UINT> messages) {
  return [messages](void* window) {
    Watch(window);
    for (UINT message : messages) ::PostMessageA(static_cast<HWND>(window), message, 0, kMark);
  };
}

// Presses button `id`; its caption afterwards.
std::string Click(void* window, int id) {
  HWND w = static_cast<HWND>(window);
  char text[64] = {};
  ::SendMessageA(w, WM_COMMAND, id, 0);
  return ::IsWindowEnabled(::GetDlgItem(w, id)) && ::GetDlgItemTextA(w, id, text, sizeof text) ? text : "disabled";
}

class UiTest : public WineTest {
 protected:
  // Runs the program (212), Shift held or not; its first dialog gets `act`, then 1.5 s to go
  // by itself: true when it stayed and was closed.
  bool Stays(const char* commandLine, Robot::Answer act, bool shift = false) {
    BYTE keys[256] = {};
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    ::SetKeyboardState(keys);
    robot.Clear();
    stayed = false;
    marked = erased = 0;
    splashAtClose = -1;
    robot.Then([this, act](void* window) {
      act(window);
      for (int i = 0; i < 75 && ::IsWindow(static_cast<HWND>(window)); ++i) ::Sleep(20);
      // Said before the close is posted: the program may end, and the case read it, at once.
      stayed = ::IsWindow(static_cast<HWND>(window));
      if (stayed) ::PostMessageA(static_cast<HWND>(window), WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(RunProgram(commandLine), 212);
    return stayed;
  }
  // A control's text as the run showed it; "-" when not shown.
  std::string Control(int id) const {
    std::string text = "-";
    for (const WindowSeen& window : robot.Seen())
      for (const auto& [control, shown] : window.controls) text = control == id ? shown : text;
    return text;
  }
  std::atomic<bool> stayed = false;
};

}  // namespace

// Without switches: the About box, its version and no logging button, ended by OK or Escape. With
// Shift held the logging button shows the flag's state and switches it, the box staying up.
TEST_F(UiTest, AboutBox) {
  EXPECT_FALSE(Stays("", Robot::Press(IDOK)));
  EXPECT_EQ(Control(IDC_ABOUT_VERSION), "Folyant Version 10.0.31");
  EXPECT_EQ(Control(IDC_ABOUT_LOGGING), "-");
  EXPECT_FALSE(Stays("", Robot::Key(VK_ESCAPE)));
  EXPECT_FALSE(Stays("", Robot::Press(IDOK), true));
  EXPECT_EQ(Control(IDC_ABOUT_LOGGING), "Enable Debugging");
  WriteDword(kLocalMachine, kKey, "EventLogFlags", 1);
  std::string clicked;
  EXPECT_TRUE(Stays(
      "", [&clicked](void* window) { clicked = Click(window, IDC_ABOUT_LOGGING); }, true));
  EXPECT_EQ(Control(IDC_ABOUT_LOGGING) + ", " + clicked, "Disable Debugging, Enable Debugging");
  EXPECT_FALSE(ReadValue(kLocalMachine, kKey, "EventLogFlags").present);
}

// "-splash": a centred topmost host and the picture centred on the work area, both gone after
// the machine's "splashdelay" (up to 4 bytes, else 1 ms; the user's is not read).
TEST_F(UiTest, SplashGoesByItself) {
  WriteDword(kCurrentUser, kKey, "splashdelay", 9000);
  WriteValue(kLocalMachine, kKey, "splashdelay", REG_BINARY, std::string("\x2C\x01", 2));
  RECT s{}, area{};
  int unlike = -1;  // pixels of the painted splash unlike its picture, on a diagonal
  EXPECT_FALSE(Stays("-splash", [&s, &unlike](void*) {
    HWND splash = ::FindWindowA("VeskregWindow", nullptr);
    ::GetWindowRect(splash, &s);
    ::UpdateWindow(splash);
    HDC dc = ::GetDC(splash), memory = ::CreateCompatibleDC(dc);
    HBITMAP picture = ::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SPLASH));
    HGDIOBJ previous = ::SelectObject(memory, picture);
    for (int i = unlike = 0; i < 293; ++i) unlike += ::GetPixel(dc, i, i) != ::GetPixel(memory, i, i);
    ::SelectObject(memory, previous), ::DeleteObject(picture), ::DeleteDC(memory), ::ReleaseDC(splash, dc);
  }));
  EXPECT_EQ(Calls("SetTimer").at(0).number, 300u);
  EXPECT_EQ(Control(IDC_MAIN_VERSION), "Folyant Version 10.0.31");
  WindowSeen h;
  for (const WindowSeen& window : robot.Seen()) h = window.className == "#32770" ? window : h;
  EXPECT_EQ((std::vector<long>{h.left, h.top, static_cast<long>(h.exStyle & WS_EX_TOPMOST)}),
            (std::vector<long>{(::GetSystemMetrics(SM_CXSCREEN) - h.right + h.left) / 2,
                               (::GetSystemMetrics(SM_CYSCREEN) - h.bottom + h.top) / 2, WS_EX_TOPMOST}));
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  const LONG x = area.left + (area.right - area.left - 393) / 2, y = area.top + (area.bottom - area.top - 293) / 2;
  EXPECT_EQ((std::vector<LONG>{s.left, s.top, s.right, s.bottom}), (std::vector<LONG>{x, y, x + 393, y + 293}));
  EXPECT_EQ(unlike, 0) << "the splash does not show its picture";

  WriteValue(kLocalMachine, kKey, "splashdelay", REG_BINARY, "\1\2\3\4\5");
  EXPECT_FALSE(Stays("-splash", Robot::Wait()));
  EXPECT_EQ(Last(Calls("SetTimer")).number, 1u);
}

// A key or mouse press removes the splash, then the host, and reaches no window; others pass.
TEST_F(UiTest, SplashInput) {
  WriteDword(kLocalMachine, kKey, "splashdelay", 200000);  // all four bytes count
  for (UINT press : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN, WM_NCLBUTTONDOWN,
                     WM_NCRBUTTONDOWN, WM_NCMBUTTONDOWN}) {
    SCOPED_TRACE(press);
    EXPECT_FALSE(Stays("-splash", Post({press})));
    EXPECT_EQ(std::pair(marked, splashAtClose), std::pair(0L, 0L));
  }
  EXPECT_TRUE(Stays("-splash", Post({WM_MOUSEMOVE, WM_LBUTTONUP, WM_RBUTTONUP, WM_KEYUP, WM_SYSKEYUP})));
  EXPECT_EQ(marked, 5);
  EXPECT_EQ(Last(Calls("SetTimer")).number, 200000u);
}

// No picture or splash window: the host stays; no memory DC: an unpainted splash goes by itself.
TEST_F(UiTest, SplashFailures) {
  for (const auto& [call, stays, window] :
       {std::tuple{"LoadBitmapA", true, false}, std::tuple{"CreateWindowExA", true, true},
        std::tuple{"CreateCompatibleDC", false, true}}) {
    SCOPED_TRACE(call);
    substitute::FailCall(call, 8);
    EXPECT_EQ(Stays("-splash", Robot::Wait()), stays);
    EXPECT_EQ(substitute::Called("CreateWindowExA"), window);
    EXPECT_FALSE(substitute::Called("BitBlt"));
    Fresh();
  }
}

// Without a splash the host waits: Cancel, Enter and 1060 end it (with Shift 1060 switches
// logging); minimised it draws icon 128 centred (-15, -15 here) on an erased background.
TEST_F(UiTest, MainDialogWithoutSplash) {
  substitute::FailCall("LoadBitmapA", 1814);
  for (auto press : {Robot::Press(IDC_MAIN_CANCEL), Robot::Key(VK_RETURN), Robot::Press(IDC_MAIN_LOGGING)})
    EXPECT_FALSE(Stays("-splash", press));
  EXPECT_EQ(Control(IDC_MAIN_LOGGING), "www.veskharrow.example");
  std::vector<std::string> clicks;
  std::vector<LRESULT> icons;
  auto act = [&](void* window) {
    HWND w = static_cast<HWND>(window);
    Watch(window);
    for (int i = 0; i < 3; ++i) clicks.push_back(Click(window, IDC_MAIN_LOGGING));
    for (UINT message : {WM_GETICON, WM_QUERYDRAGICON}) icons.push_back(::SendMessageA(w, message, ICON_BIG, 0));
    ::SendMessageA(w, WM_PAINT, 0, 0);  // not minimised: the dialog's own painting
    ::ShowWindow(w, SW_MINIMIZE);
    ::SendMessageA(w, WM_PAINT, 0, 0);
    Robot::Press(IDC_MAIN_CANCEL)(window);
  };
  EXPECT_FALSE(Stays("-splash", act, true));
  EXPECT_EQ(Control(IDC_MAIN_LOGGING), "Enable Debugging");
  EXPECT_EQ(clicks, (std::vector<std::string>{"Disable Debugging", "Enable Debugging", "Disable Debugging"}));
  EXPECT_EQ(ReadValue(kCurrentUser, kKey, "EventLogFlags").bytes, std::string("\xFF\0\0\0", 4));
  const auto icon = reinterpret_cast<LRESULT>(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(128)));
  EXPECT_EQ(icons, std::vector<LRESULT>(2, icon));
  EXPECT_EQ(Calls("DrawIcon").size() == 1 ? Calls("DrawIcon")[0].number : 0u, 0xFFF1FFF1u);  // minimised only
  EXPECT_EQ(erased, 1);
}
