// Window-system services: the program's string table, message boxes, windows, drawing,
// and the small application framework (application object, modal dialogs from
// templates, a plain window class, the message pre-filter).
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace os {

// Copies string-table entry `id` of the program's own module, cut to size-1 characters;
// returns the characters copied, 0 when the entry is missing or empty.
int LoadStringA(uint32_t id, char* buffer, int size);

int MessageBoxA(WindowHandle owner, const char* text, const char* caption, uint32_t style);

struct Message {
  WindowHandle window = nullptr;
  uint32_t message = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
};

// Window messages, commands and constants the program names.
inline constexpr uint32_t kWmPaint = 0x000F;
inline constexpr uint32_t kWmClose = 0x0010;
inline constexpr uint32_t kWmQueryDragIcon = 0x0037;
inline constexpr uint32_t kWmIconEraseBkgnd = 0x0027;
inline constexpr uint32_t kWmSetIcon = 0x0080;
inline constexpr uint32_t kWmNcDestroy = 0x0082;
inline constexpr uint32_t kWmNcLButtonDown = 0x00A1;
inline constexpr uint32_t kWmNcRButtonDown = 0x00A4;
inline constexpr uint32_t kWmNcMButtonDown = 0x00A7;
inline constexpr uint32_t kWmKeyDown = 0x0100;
inline constexpr uint32_t kWmSysKeyDown = 0x0104;
inline constexpr uint32_t kWmInitDialog = 0x0110;
inline constexpr uint32_t kWmCommand = 0x0111;
inline constexpr uint32_t kWmTimer = 0x0113;
inline constexpr uint32_t kWmLButtonDown = 0x0201;
inline constexpr uint32_t kWmRButtonDown = 0x0204;
inline constexpr uint32_t kWmMButtonDown = 0x0207;
inline constexpr uint32_t kEmLimitText = 0x00C5;

inline constexpr int kIconSmall = 0;
inline constexpr int kIconBig = 1;
inline constexpr int kVkShift = 0x10;
inline constexpr int kSwShow = 5;
inline constexpr int kSmCxIcon = 11;
inline constexpr int kSmCyIcon = 12;
inline constexpr uint32_t kIdcArrow = 32512;
inline constexpr uint32_t kSrcCopy = 0x00CC0020;

inline constexpr uint32_t kWsPopup = 0x80000000;
inline constexpr uint32_t kWsVisible = 0x10000000;

// SetWindowPos.
inline constexpr uint32_t kSwpNoSize = 0x0001;
inline constexpr uint32_t kSwpNoMove = 0x0002;
inline constexpr uint32_t kSwpNoZOrder = 0x0004;
inline constexpr uint32_t kSwpNoActivate = 0x0010;
inline WindowHandle HwndBottom() { return reinterpret_cast<WindowHandle>(static_cast<intptr_t>(1)); }
inline WindowHandle HwndTopmost() { return reinterpret_cast<WindowHandle>(static_cast<intptr_t>(-1)); }

struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// Drawing objects; distinct types so a bitmap cannot be drawn as an icon.
struct IconObject;
struct CursorObject;
struct BitmapObject;
struct DeviceContextObject;
using IconHandle = IconObject*;
using CursorHandle = CursorObject*;
using BitmapHandle = BitmapObject*;
using DeviceContext = DeviceContextObject*;

// The fields of a BITMAP record the program reads.
struct BitmapInfo {
  int32_t width = 0;
  int32_t height = 0;
  uint16_t planes = 0;
  uint16_t bitsPerPixel = 0;
};

struct PaintInfo {
  DeviceContext dc = nullptr;
  Rect paint;
};

// Key state as the thread's input state shows it: negative while the key is down.
int16_t GetKeyState(int virtualKey);
int GetSystemMetrics(int index);

WindowHandle GetDesktopWindow();
bool GetWindowRect(WindowHandle window, Rect* rect);
bool GetClientRect(WindowHandle window, Rect* rect);
// The work area of the monitor that holds most of the window.
bool GetMonitorWorkArea(WindowHandle window, Rect* area);
bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int width, int height, uint32_t flags);
intptr_t SendMessageA(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
WindowHandle GetDlgItem(WindowHandle dialog, int id);
bool SetWindowTextA(WindowHandle window, const char* text);
// Characters copied without the terminator; the text is cut to size-1.
int GetWindowTextA(WindowHandle window, char* buffer, int size);
int GetWindowTextLengthA(WindowHandle window);
bool ShowWindow(WindowHandle window, int command);
bool EnableWindow(WindowHandle window, bool enable);
bool IsWindowVisible(WindowHandle window);
bool IsIconic(WindowHandle window);
bool UpdateWindow(WindowHandle window);
bool DestroyWindow(WindowHandle window);
uintptr_t SetTimer(WindowHandle window, uintptr_t id, uint32_t milliseconds);

// Resources of the program's own module.
IconHandle LoadIconA(uint32_t id);
CursorHandle LoadCursorA(uint32_t systemCursorId);
BitmapHandle LoadBitmapA(uint32_t id);
bool GetObjectA(BitmapHandle bitmap, BitmapInfo* info);
bool DeleteObject(BitmapHandle bitmap);

DeviceContext BeginPaint(WindowHandle window, PaintInfo* paint);
void EndPaint(WindowHandle window, const PaintInfo& paint);
DeviceContext CreateCompatibleDC(DeviceContext dc);
bool DeleteDC(DeviceContext dc);
// Returns the bitmap selected before, null on failure.
BitmapHandle SelectObject(DeviceContext dc, BitmapHandle bitmap);
bool BitBlt(DeviceContext target, int x, int y, int width, int height, DeviceContext source, int sourceX, int sourceY,
            uint32_t rop);
bool DrawIcon(DeviceContext dc, int x, int y, IconHandle icon);

// A window class with the framework's window procedure, the given class styles and
// cursor, no background brush and no icon; returns its name.
const char* RegisterWindowClass(uint32_t classStyle, CursorHandle cursor);

// The framework's window object. A CWnd either owns a window it created (CreateEx) or
// stands for a control of a dialog (attached by data exchange).
class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  WindowHandle GetSafeHwnd() const { return window_; }

  bool CreateEx(uint32_t exStyle, const char* className, const char* title, uint32_t style, int x, int y, int width,
                int height, WindowHandle owner, uintptr_t id);
  bool DestroyWindow();
  // Centres over the owner when it is visible and not minimised, else over the work
  // area, and keeps the window inside that work area.
  void CenterWindow(WindowHandle owner);

  bool SetDlgItemText(int id, const char* text);
  std::string GetDlgItemText(int id) const;
  void SetWindowText(const char* text);

  // The message table: true when the message was handled, with its result.
  virtual bool OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t* result);
  // Runs after the window has handled its last message (WM_NCDESTROY).
  virtual void PostNcDestroy() {}

  // Called by the backend for every message the window receives; true when handled.
  virtual bool Dispatch(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t* result);
  void Attach(WindowHandle window) { window_ = window; }

 protected:
  WindowHandle window_ = nullptr;
  // Set while CreateEx runs: a window that dies during its own creation (WM_CREATE
  // refused) reports failure to CreateEx's caller, who still owns the object.
  bool creating_ = false;
};

// Data exchange between a dialog's controls and its members.
class DataExchange {
 public:
  DataExchange(CWnd& dialog, bool saveAndValidate) : dialog_(dialog), saveAndValidate_(saveAndValidate) {}
  // The text of control `id` and `value`, in the direction of the exchange.
  void Text(int id, std::string& value);
  // Attaches `control` to dialog control `id` (once).
  void Control(int id, CWnd& control);

 private:
  CWnd& dialog_;
  bool saveAndValidate_;
};

// A modal dialog from a template of the program's resources.
class CDialog : public CWnd {
 public:
  CDialog(uint32_t templateId, CWnd* parent) : templateId_(templateId), parent_(parent) {}
  ~CDialog() override = default;

  // Runs the dialog until EndDialog; every message of its loop is offered to the
  // application's PreTranslateMessage first. Returns the EndDialog result, -1 when the
  // dialog could not be created.
  intptr_t DoModal();
  void EndDialog(intptr_t result);
  bool UpdateData(bool saveAndValidate);

  bool Dispatch(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t* result) override;

 protected:
  // The framework's initialisation: controls from members. TRUE lets the system set
  // the focus to the first control that takes it.
  virtual bool OnInitDialog();
  virtual void DoDataExchange(DataExchange&) {}
  // Command handlers by control id; true when handled.
  virtual bool OnCommand(int id);
  virtual void OnOK();
  virtual void OnCancel();

 private:
  uint32_t templateId_;
  CWnd* parent_;
};

// The application object. Exactly one exists in the real program; the framework
// calls InitInstance, runs a message loop only when it returns true, then returns
// ExitInstance's value as the process exit code.
class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual bool InitInstance();
  virtual int ExitInstance();
  // Every message of a modal loop is offered here first; true means handled.
  virtual bool PreTranslateMessage(Message& message);

  // The command-line text after the program's own name, as the process received it.
  const char* CommandLine() const { return commandLine_; }

  static CWinApp* Current();

 private:
  friend int RunApplication(CWinApp& app, const char* commandLine);
  const char* commandLine_ = "";
};

// Offers a message of a modal loop to the application's pre-filter; true when handled.
bool PreTranslateForApp(Message& message);

// Lets dialogs host ActiveX controls; the first thing the program's start-up does.
void EnableControlContainer();

// Start-up, message loop when asked for, end. Returns the exit code.
int RunApplication(CWinApp& app, const char* commandLine);

}  // namespace os
