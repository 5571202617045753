// String table, message boxes, windows, drawing, the framework's loops and the
// program's entry point on the real Windows API.
#include "platform/window.h"

#include <windows.h>

#include "platform/win32/substitution_point.h"

namespace os {

using substitution::Fails;
using substitution::Resource;

namespace {

constexpr const char* kWindowClassName = "VeskregWindow";

HWND H(WindowHandle window) { return reinterpret_cast<HWND>(window); }
WindowHandle W(HWND window) { return reinterpret_cast<WindowHandle>(window); }
HDC Dc(DeviceContext dc) { return reinterpret_cast<HDC>(dc); }

HHOOK messageFilter = nullptr;
int modalDepth = 0;

// The modal loops of dialogs and boxes hand every message to this hook before they
// translate it; the application's pre-filter sees it here and may swallow it.
LRESULT CALLBACK MessageFilterProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code >= 0 && lParam != 0) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    Message message{W(msg->hwnd), msg->message, msg->wParam, msg->lParam};
    if (PreTranslateForApp(message)) return 1;
  }
  return ::CallNextHookEx(messageFilter, code, wParam, lParam);
}

// The window procedure of the framework's window class: messages go to the CWnd the
// window was created for.
LRESULT CALLBACK FrameworkWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    auto* wnd = static_cast<CWnd*>(create->lpCreateParams);
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(wnd));
    if (wnd != nullptr) wnd->Attach(W(hwnd));
    if (wnd != nullptr) substitution::Count(Resource::Window, 1);
  }
  auto* wnd = reinterpret_cast<CWnd*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (wnd == nullptr) return ::DefWindowProcA(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    substitution::Count(Resource::Window, -1);
    intptr_t ignored = 0;
    wnd->Dispatch(message, wParam, lParam, &ignored);  // may delete the object
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
  }
  intptr_t result = 0;
  if (wnd->Dispatch(message, wParam, lParam, &result)) return result;
  return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

INT_PTR CALLBACK FrameworkDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    dialog->Attach(W(hwnd));
    intptr_t result = 0;
    dialog->Dispatch(message, wParam, lParam, &result);
    return result;
  }
  auto* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
  if (dialog == nullptr) return FALSE;
  intptr_t result = 0;
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrA(hwnd, DWLP_USER, 0);
    dialog->Dispatch(message, wParam, lParam, &result);
    return FALSE;
  }
  if (!dialog->Dispatch(message, wParam, lParam, &result)) return FALSE;
  switch (message) {
    // These answer through the procedure's own return value.
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
      return result;
    default:
      ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
      return TRUE;
  }
}

}  // namespace

int LoadStringA(uint32_t id, char* buffer, int size) {
  if (Fails("LoadStringA", nullptr, nullptr, id)) return 0;
  return ::LoadStringA(::GetModuleHandleA(nullptr), id, buffer, size);
}

int MessageBoxA(WindowHandle owner, const char* text, const char* caption, uint32_t style) {
  if (Fails("MessageBoxA", text, caption, style | (owner != nullptr ? 0x80000000u : 0))) return 0;
  return ::MessageBoxA(H(owner), text, caption, style);
}

// Our dialogs host no ActiveX controls, so there is no control site to set up; the
// call keeps its place at the head of the start-up.
void EnableControlContainer() {}

int RunMessageLoop(CWinApp& app) {
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    Message message{W(msg.hwnd), msg.message, msg.wParam, msg.lParam};
    if (app.PreTranslateMessage(message)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return 0;
}

int16_t GetKeyState(int virtualKey) { return ::GetKeyState(virtualKey); }
int GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }
WindowHandle GetDesktopWindow() { return W(::GetDesktopWindow()); }

bool GetWindowRect(WindowHandle window, Rect* rect) {
  RECT r;
  if (!::GetWindowRect(H(window), &r)) return false;
  *rect = Rect{r.left, r.top, r.right, r.bottom};
  return true;
}

bool GetClientRect(WindowHandle window, Rect* rect) {
  RECT r;
  if (!::GetClientRect(H(window), &r)) return false;
  *rect = Rect{r.left, r.top, r.right, r.bottom};
  return true;
}

bool GetMonitorWorkArea(WindowHandle window, Rect* area) {
  MONITORINFO info;
  info.cbSize = sizeof info;
  if (!::GetMonitorInfoA(::MonitorFromWindow(H(window), MONITOR_DEFAULTTONEAREST), &info)) return false;
  *area = Rect{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
  return true;
}

bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int width, int height, uint32_t flags) {
  return ::SetWindowPos(H(window), H(insertAfter), x, y, width, height, flags) != FALSE;
}

intptr_t SendMessageA(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return ::SendMessageA(H(window), message, wParam, lParam);
}

WindowHandle GetDlgItem(WindowHandle dialog, int id) { return W(::GetDlgItem(H(dialog), id)); }
bool SetWindowTextA(WindowHandle window, const char* text) { return ::SetWindowTextA(H(window), text) != FALSE; }
int GetWindowTextA(WindowHandle window, char* buffer, int size) { return ::GetWindowTextA(H(window), buffer, size); }
int GetWindowTextLengthA(WindowHandle window) { return ::GetWindowTextLengthA(H(window)); }
bool ShowWindow(WindowHandle window, int command) { return ::ShowWindow(H(window), command) != FALSE; }
bool EnableWindow(WindowHandle window, bool enable) { return ::EnableWindow(H(window), enable) != FALSE; }
bool IsWindowVisible(WindowHandle window) { return ::IsWindowVisible(H(window)) != FALSE; }
bool IsIconic(WindowHandle window) { return ::IsIconic(H(window)) != FALSE; }
bool UpdateWindow(WindowHandle window) { return ::UpdateWindow(H(window)) != FALSE; }
bool DestroyWindow(WindowHandle window) {
  Fails("DestroyWindow");
  return ::DestroyWindow(H(window)) != FALSE;
}

uintptr_t SetTimer(WindowHandle window, uintptr_t id, uint32_t milliseconds) {
  if (Fails("SetTimer", nullptr, nullptr, milliseconds)) return 0;
  return ::SetTimer(H(window), id, milliseconds, nullptr);
}

IconHandle LoadIconA(uint32_t id) {
  return reinterpret_cast<IconHandle>(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id)));
}

CursorHandle LoadCursorA(uint32_t systemCursorId) {
  return reinterpret_cast<CursorHandle>(::LoadCursorA(nullptr, MAKEINTRESOURCEA(systemCursorId)));
}

BitmapHandle LoadBitmapA(uint32_t id) {
  if (Fails("LoadBitmapA", nullptr, nullptr, id)) return nullptr;
  HBITMAP bitmap = ::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
  if (bitmap != nullptr) substitution::Count(Resource::GdiObject, 1);
  return reinterpret_cast<BitmapHandle>(bitmap);
}

bool GetObjectA(BitmapHandle bitmap, BitmapInfo* info) {
  BITMAP bm;
  if (::GetObjectA(reinterpret_cast<HBITMAP>(bitmap), sizeof bm, &bm) != sizeof bm) return false;
  *info = BitmapInfo{bm.bmWidth, bm.bmHeight, bm.bmPlanes, bm.bmBitsPixel};
  return true;
}

bool DeleteObject(BitmapHandle bitmap) {
  substitution::Count(Resource::GdiObject, -1);
  return ::DeleteObject(reinterpret_cast<HBITMAP>(bitmap)) != FALSE;
}

DeviceContext BeginPaint(WindowHandle window, PaintInfo* paint) {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(H(window), &ps);
  // The paint's device context is the window's until EndPaint gives it back.
  if (dc != nullptr) substitution::Count(Resource::GdiObject, 1);
  paint->dc = reinterpret_cast<DeviceContext>(dc);
  paint->paint = Rect{ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom};
  return paint->dc;
}

void EndPaint(WindowHandle window, const PaintInfo& paint) {
  PAINTSTRUCT ps{};
  ps.hdc = Dc(paint.dc);
  ps.rcPaint = RECT{paint.paint.left, paint.paint.top, paint.paint.right, paint.paint.bottom};
  ::EndPaint(H(window), &ps);
  if (paint.dc != nullptr) substitution::Count(Resource::GdiObject, -1);
}

DeviceContext CreateCompatibleDC(DeviceContext dc) {
  if (Fails("CreateCompatibleDC")) return nullptr;
  HDC created = ::CreateCompatibleDC(Dc(dc));
  if (created != nullptr) substitution::Count(Resource::GdiObject, 1);
  return reinterpret_cast<DeviceContext>(created);
}

bool DeleteDC(DeviceContext dc) {
  substitution::Count(Resource::GdiObject, -1);
  return ::DeleteDC(Dc(dc)) != FALSE;
}

BitmapHandle SelectObject(DeviceContext dc, BitmapHandle bitmap) {
  return reinterpret_cast<BitmapHandle>(::SelectObject(Dc(dc), reinterpret_cast<HGDIOBJ>(bitmap)));
}

bool BitBlt(DeviceContext target, int x, int y, int width, int height, DeviceContext source, int sourceX, int sourceY,
            uint32_t rop) {
  // The journal keeps where the picture goes: x in the low half, y in the high half.
  if (Fails("BitBlt", nullptr, nullptr, static_cast<uint32_t>(x & 0xFFFF) | static_cast<uint32_t>(y) << 16)) {
    return false;
  }
  return ::BitBlt(Dc(target), x, y, width, height, Dc(source), sourceX, sourceY, rop) != FALSE;
}

bool DrawIcon(DeviceContext dc, int x, int y, IconHandle icon) {
  if (Fails("DrawIcon", nullptr, nullptr, static_cast<uint32_t>(x & 0xFFFF) | static_cast<uint32_t>(y) << 16)) {
    return false;
  }
  return ::DrawIcon(Dc(dc), x, y, reinterpret_cast<HICON>(icon)) != FALSE;
}

const char* RegisterWindowClass(uint32_t classStyle, CursorHandle cursor) {
  WNDCLASSA windowClass{};
  if (::GetClassInfoA(::GetModuleHandleA(nullptr), kWindowClassName, &windowClass)) return kWindowClassName;
  windowClass.style = classStyle;
  windowClass.lpfnWndProc = FrameworkWndProc;
  windowClass.hInstance = ::GetModuleHandleA(nullptr);
  windowClass.hCursor = reinterpret_cast<HCURSOR>(cursor);
  windowClass.lpszClassName = kWindowClassName;
  ::RegisterClassA(&windowClass);
  return kWindowClassName;
}

bool CWnd::CreateEx(uint32_t exStyle, const char* className, const char* title, uint32_t style, int x, int y, int width,
                    int height, WindowHandle owner, uintptr_t id) {
  if (Fails("CreateWindowExA", title, className, style)) return false;
  creating_ = true;
  HWND created = ::CreateWindowExA(exStyle, className, title, style, x, y, width, height, H(owner),
                                   reinterpret_cast<HMENU>(id), ::GetModuleHandleA(nullptr), this);
  creating_ = false;
  if (created == nullptr) {
    window_ = nullptr;
    return false;
  }
  window_ = W(created);
  return true;
}

intptr_t CDialog::DoModal() {
  if (Fails("DialogBoxParamA", nullptr, nullptr, templateId_)) return -1;
  if (modalDepth++ == 0) {
    messageFilter = ::SetWindowsHookExA(WH_MSGFILTER, MessageFilterProc, nullptr, ::GetCurrentThreadId());
  }
  HWND owner = parent_ != nullptr ? H(parent_->GetSafeHwnd()) : nullptr;
  INT_PTR result = ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner,
                                     FrameworkDialogProc, reinterpret_cast<LPARAM>(this));
  window_ = nullptr;
  if (--modalDepth == 0 && messageFilter != nullptr) {
    ::UnhookWindowsHookEx(messageFilter);
    messageFilter = nullptr;
  }
  return result;
}

void CDialog::EndDialog(intptr_t result) { ::EndDialog(H(window_), result); }

}  // namespace os

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  os::CWinApp* app = os::CWinApp::Current();
  if (app == nullptr) return 0;
  return os::RunApplication(*app, commandLine);
}
