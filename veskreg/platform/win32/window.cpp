// String table, message boxes, the framework's loop and the program's entry point on
// the real Windows API.
#include "platform/window.h"

#include <windows.h>

namespace os {

int LoadStringA(uint32_t id, char* buffer, int size) {
  return ::LoadStringA(::GetModuleHandleA(nullptr), id, buffer, size);
}

int MessageBoxA(WindowHandle owner, const char* text, const char* caption, uint32_t style) {
  return ::MessageBoxA(reinterpret_cast<HWND>(owner), text, caption, style);
}

// Our dialogs host no ActiveX controls, so there is no control site to set up; the
// call keeps its place at the head of the start-up.
void EnableControlContainer() {}

int RunMessageLoop(CWinApp& app) {
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    Message message{reinterpret_cast<WindowHandle>(msg.hwnd), msg.message, msg.wParam, msg.lParam};
    if (app.PreTranslateMessage(message)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return 0;
}

}  // namespace os

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  os::CWinApp* app = os::CWinApp::Current();
  if (app == nullptr) return 0;
  return os::RunApplication(*app, commandLine);
}
