// String table, message boxes, windows, drawing and the framework's loops on the
// simulated machine.
#include "platform/window.h"

#include <algorithm>
#include <cstring>

#include "platform/kernel.h"
#include "platform/sim/machine.h"

namespace os {
namespace {

constexpr uint32_t kErrorInvalidWindowHandle = 1400;
constexpr uint32_t kErrorResourceTypeNotFound = 1813;
constexpr uint32_t kTimerMinimum = 10;
constexpr uint32_t kTimerMaximum = 0x7FFFFFFF;

uintptr_t Id(const void* handle) { return reinterpret_cast<uintptr_t>(handle); }
WindowHandle AsWindow(uintptr_t handle) { return reinterpret_cast<WindowHandle>(handle); }

sim::WindowModel& Windows() { return sim::machine().windows; }

// The window the handle names, or null with the last error of a bad handle.
sim::Window* Lookup(WindowHandle handle) {
  sim::Window* window = Windows().Find(Id(handle));
  if (window == nullptr) SetLastError(kErrorInvalidWindowHandle);
  return window;
}

std::string Describe(WindowHandle insertAfter) {
  if (insertAfter == HwndTopmost()) return "HWND_TOPMOST";
  if (insertAfter == HwndBottom()) return "HWND_BOTTOM";
  if (insertAfter == HwndTop()) return "HWND_TOP";
  return Windows().Name(Id(insertAfter));
}

}  // namespace

int LoadStringA(uint32_t id, char* buffer, int size) {
  sim::Machine& m = sim::machine();
  if (m.Enter("LoadStringA")) return 0;
  if (buffer == nullptr || size <= 0) return 0;
  auto entry = m.stringTable.find(id);
  if (entry == m.stringTable.end() || entry->second.empty()) {
    buffer[0] = '\0';
    SetLastError(kErrorResourceNameNotFound);
    return 0;
  }
  size_t copied = std::min(entry->second.size(), static_cast<size_t>(size - 1));
  std::memcpy(buffer, entry->second.data(), copied);
  buffer[copied] = '\0';
  return static_cast<int>(copied);
}

int MessageBoxA(WindowHandle owner, const char* text, const char* caption, uint32_t style) {
  sim::Machine& m = sim::machine();
  if (m.Enter("MessageBoxA")) return 0;
  int answer = kIdOk;
  if (!m.messageBoxAnswers.empty()) {
    answer = m.messageBoxAnswers.front();
    m.messageBoxAnswers.pop_front();
  }
  m.messageBoxes.push_back(
      sim::MessageBoxRecord{owner != nullptr, text ? text : "", caption ? caption : "", style, answer});
  return answer;
}

void EnableControlContainer() {
  sim::machine().Enter("EnableControlContainer");
  sim::machine().controlContainerEnabled = true;
}

int RunMessageLoop(CWinApp&) {
  // The program never asks for its own loop; a run that does is a fault the tests see.
  sim::machine().violations.push_back("the application asked for a message loop of its own");
  return 0;
}

int16_t GetKeyState(int virtualKey) {
  sim::Machine& m = sim::machine();
  m.Enter("GetKeyState");
  if (virtualKey == kVkShift && m.windows.shiftDown) return static_cast<int16_t>(0xFF80);
  return 0;
}

int GetSystemMetrics(int index) {
  sim::machine().Enter("GetSystemMetrics");
  if (index == kSmCxIcon || index == kSmCyIcon) return 32;
  return 0;
}

WindowHandle GetDesktopWindow() {
  sim::machine().Enter("GetDesktopWindow");
  return AsWindow(sim::kDesktopWindow);
}

bool GetWindowRect(WindowHandle window, Rect* rect) {
  sim::Machine& m = sim::machine();
  if (m.Enter("GetWindowRect")) return false;
  if (Id(window) == sim::kDesktopWindow) {
    *rect = m.windows.desktop;
    return true;
  }
  sim::Window* w = Lookup(window);
  if (w == nullptr) return false;
  *rect = w->rect;
  return true;
}

bool GetClientRect(WindowHandle window, Rect* rect) {
  sim::Machine& m = sim::machine();
  if (m.Enter("GetClientRect")) return false;
  sim::Window* w = Lookup(window);
  if (w == nullptr) return false;
  int width = w->rect.right - w->rect.left;
  int height = w->rect.bottom - w->rect.top;
  if ((w->style & kWsCaption) == kWsCaption) {
    width -= sim::kDialogFrameWidth;
    height -= sim::kDialogCaptionHeight;
  }
  *rect = Rect{0, 0, std::max(width, 0), std::max(height, 0)};
  return true;
}

bool GetMonitorWorkArea(WindowHandle, Rect* area) {
  sim::Machine& m = sim::machine();
  if (m.Enter("GetMonitorInfoA")) return false;
  *area = m.windows.workArea;
  return true;
}

bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int width, int height, uint32_t flags) {
  sim::Machine& m = sim::machine();
  if (m.Enter("SetWindowPos")) return false;
  sim::Window* w = Lookup(window);
  if (w == nullptr) return false;
  if ((flags & kSwpNoZOrder) == 0) {
    w->topmost = insertAfter == HwndTopmost() || (w->topmost && insertAfter != HwndBottom());
    w->atBottom = insertAfter == HwndBottom();
  }
  if ((flags & kSwpNoMove) == 0) {
    int cx = w->rect.right - w->rect.left;
    int cy = w->rect.bottom - w->rect.top;
    w->rect = Rect{x, y, x + cx, y + cy};
  }
  if ((flags & kSwpNoSize) == 0) {
    w->rect.right = w->rect.left + width;
    w->rect.bottom = w->rect.top + height;
  }
  char line[160];
  std::snprintf(line, sizeof line, "SetWindowPos %s %s %d,%d %dx%d 0x%x", m.windows.Name(Id(window)).c_str(),
                (flags & kSwpNoZOrder) != 0 ? "-" : Describe(insertAfter).c_str(), x, y, width, height, flags);
  m.windows.log.push_back(line);
  return true;
}

intptr_t SendMessageA(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  sim::Machine& m = sim::machine();
  m.Enter("SendMessageA");
  if (Lookup(window) == nullptr) return 0;
  if (message == kWmClose) m.windows.log.push_back("WM_CLOSE " + m.windows.Name(Id(window)));
  return m.windows.Deliver(Id(window), message, wParam, lParam);
}

WindowHandle GetDlgItem(WindowHandle dialog, int id) {
  sim::Machine& m = sim::machine();
  m.Enter("GetDlgItem");
  for (const auto& [handle, w] : m.windows.windows)
    if (w.parent == Id(dialog) && w.parent != 0 && w.id == id) return AsWindow(handle);
  SetLastError(kErrorInvalidWindowHandle);
  return nullptr;
}

bool SetWindowTextA(WindowHandle window, const char* text) {
  sim::Machine& m = sim::machine();
  if (m.Enter("SetWindowTextA")) return false;
  sim::Window* w = Lookup(window);
  if (w == nullptr) return false;
  w->text = text != nullptr ? text : "";
  return true;
}

int GetWindowTextA(WindowHandle window, char* buffer, int size) {
  sim::Machine& m = sim::machine();
  if (m.Enter("GetWindowTextA")) return 0;
  sim::Window* w = Lookup(window);
  if (w == nullptr || buffer == nullptr || size <= 0) return 0;
  size_t copied = std::min(w->text.size(), static_cast<size_t>(size - 1));
  std::memcpy(buffer, w->text.data(), copied);
  buffer[copied] = '\0';
  return static_cast<int>(copied);
}

int GetWindowTextLengthA(WindowHandle window) {
  sim::Machine& m = sim::machine();
  if (m.Enter("GetWindowTextLengthA")) return 0;
  sim::Window* w = Lookup(window);
  return w == nullptr ? 0 : static_cast<int>(w->text.size());
}

bool ShowWindow(WindowHandle window, int command) {
  sim::Machine& m = sim::machine();
  m.Enter("ShowWindow");
  sim::Window* w = Lookup(window);
  if (w == nullptr) return false;
  bool wasVisible = w->visible;
  w->visible = command != kSwHide;
  if (w->visible && !wasVisible) w->needsPaint = true;
  return wasVisible;
}

bool EnableWindow(WindowHandle window, bool enable) {
  sim::Machine& m = sim::machine();
  m.Enter("EnableWindow");
  sim::Window* w = Lookup(window);
  if (w == nullptr) return false;
  bool wasDisabled = !w->enabled;
  w->enabled = enable;
  return wasDisabled;
}

bool IsWindowVisible(WindowHandle window) {
  sim::Machine& m = sim::machine();
  m.Enter("IsWindowVisible");
  sim::Window* w = m.windows.Find(Id(window));
  return w != nullptr && w->visible;
}

bool IsIconic(WindowHandle window) {
  sim::Machine& m = sim::machine();
  m.Enter("IsIconic");
  sim::Window* w = m.windows.Find(Id(window));
  return w != nullptr && w->iconic;
}

bool UpdateWindow(WindowHandle window) {
  sim::Machine& m = sim::machine();
  m.Enter("UpdateWindow");
  sim::Window* w = Lookup(window);
  if (w == nullptr) return false;
  m.windows.log.push_back("UpdateWindow " + m.windows.Name(Id(window)));
  if (w->visible && w->needsPaint) m.windows.Deliver(Id(window), kWmPaint, 0, 0);
  return true;
}

bool DestroyWindow(WindowHandle window) {
  sim::Machine& m = sim::machine();
  if (m.Enter("DestroyWindow")) return false;
  if (Lookup(window) == nullptr) return false;
  m.windows.Destroy(Id(window));
  return true;
}

uintptr_t SetTimer(WindowHandle window, uintptr_t id, uint32_t milliseconds) {
  sim::Machine& m = sim::machine();
  if (m.Enter("SetTimer")) return 0;
  if (Lookup(window) == nullptr) return 0;
  uint32_t elapse = std::clamp(milliseconds, kTimerMinimum, kTimerMaximum);
  auto& timers = m.windows.timers;
  timers.erase(std::remove_if(timers.begin(), timers.end(),
                              [&](const sim::WindowModel::Timer& t) { return t.window == Id(window) && t.id == id; }),
               timers.end());
  timers.push_back(sim::WindowModel::Timer{Id(window), id, elapse, m.tickCount + elapse});
  m.windows.timerLog.push_back(sim::TimerRecord{m.windows.Name(Id(window)), id, milliseconds, m.tickCount});
  return id;
}

IconHandle LoadIconA(uint32_t id) {
  sim::Machine& m = sim::machine();
  if (m.Enter("LoadIconA")) return nullptr;
  if (m.windows.icons.count(id) == 0) {
    SetLastError(kErrorResourceTypeNotFound);
    return nullptr;
  }
  return reinterpret_cast<IconHandle>(sim::kIconHandleBase + id);
}

CursorHandle LoadCursorA(uint32_t systemCursorId) {
  sim::Machine& m = sim::machine();
  if (m.Enter("LoadCursorA")) return nullptr;
  if (systemCursorId != kIdcArrow) {
    SetLastError(kErrorResourceNameNotFound);
    return nullptr;
  }
  return reinterpret_cast<CursorHandle>(sim::kArrowCursor);
}

BitmapHandle LoadBitmapA(uint32_t id) {
  sim::Machine& m = sim::machine();
  if (m.Enter("LoadBitmapA")) return nullptr;
  if (m.windows.bitmaps.count(id) == 0) {
    SetLastError(kErrorResourceNameNotFound);
    return nullptr;
  }
  uintptr_t handle = m.OpenHandle(sim::HandleKind::GdiObject);
  m.windows.loadedBitmaps[handle] = id;
  return reinterpret_cast<BitmapHandle>(handle);
}

bool GetObjectA(BitmapHandle bitmap, BitmapInfo* info) {
  sim::Machine& m = sim::machine();
  if (m.Enter("GetObjectA")) return false;
  auto it = m.windows.loadedBitmaps.find(Id(bitmap));
  if (it == m.windows.loadedBitmaps.end() || info == nullptr) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  const sim::BitmapResource& resource = m.windows.bitmaps.at(it->second);
  *info = BitmapInfo{resource.width, resource.height, 1, static_cast<uint16_t>(resource.bitsPerPixel)};
  return true;
}

bool DeleteObject(BitmapHandle bitmap) {
  sim::Machine& m = sim::machine();
  m.Enter("DeleteObject");
  for (const auto& [dc, state] : m.windows.deviceContexts) {
    if (state.selected == Id(bitmap)) {
      m.violations.push_back("a bitmap was deleted while selected into a device context");
      return false;
    }
  }
  if (!m.CloseHandle(Id(bitmap), sim::HandleKind::GdiObject)) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  m.windows.loadedBitmaps.erase(Id(bitmap));
  return true;
}

DeviceContext BeginPaint(WindowHandle window, PaintInfo* paint) {
  sim::Machine& m = sim::machine();
  m.Enter("BeginPaint");
  sim::Window* w = Lookup(window);
  if (w == nullptr) return nullptr;
  w->needsPaint = false;
  ++w->paints;
  uintptr_t dc = m.OpenHandle(sim::HandleKind::GdiObject);
  m.windows.deviceContexts[dc] = sim::WindowModel::DeviceContextState{Id(window), sim::kStockBitmap, true};
  paint->dc = reinterpret_cast<DeviceContext>(dc);
  paint->paint = Rect{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
  return paint->dc;
}

void EndPaint(WindowHandle, const PaintInfo& paint) {
  sim::Machine& m = sim::machine();
  m.Enter("EndPaint");
  m.windows.deviceContexts.erase(Id(paint.dc));
  m.CloseHandle(Id(paint.dc), sim::HandleKind::GdiObject);
}

DeviceContext CreateCompatibleDC(DeviceContext dc) {
  sim::Machine& m = sim::machine();
  if (m.Enter("CreateCompatibleDC")) return nullptr;
  uintptr_t memory = m.OpenHandle(sim::HandleKind::GdiObject);
  uintptr_t window = 0;
  auto it = m.windows.deviceContexts.find(Id(dc));
  if (it != m.windows.deviceContexts.end()) window = it->second.window;
  m.windows.deviceContexts[memory] = sim::WindowModel::DeviceContextState{window, sim::kStockBitmap, false};
  return reinterpret_cast<DeviceContext>(memory);
}

bool DeleteDC(DeviceContext dc) {
  sim::Machine& m = sim::machine();
  m.Enter("DeleteDC");
  auto it = m.windows.deviceContexts.find(Id(dc));
  if (it == m.windows.deviceContexts.end() || it->second.paint) return false;
  m.windows.deviceContexts.erase(it);
  return m.CloseHandle(Id(dc), sim::HandleKind::GdiObject);
}

BitmapHandle SelectObject(DeviceContext dc, BitmapHandle bitmap) {
  sim::Machine& m = sim::machine();
  m.Enter("SelectObject");
  auto it = m.windows.deviceContexts.find(Id(dc));
  if (it == m.windows.deviceContexts.end()) return nullptr;
  if (Id(bitmap) != sim::kStockBitmap && m.windows.loadedBitmaps.count(Id(bitmap)) == 0) return nullptr;
  uintptr_t previous = it->second.selected;
  it->second.selected = Id(bitmap);
  return reinterpret_cast<BitmapHandle>(previous);
}

bool BitBlt(DeviceContext target, int x, int y, int width, int height, DeviceContext source, int sourceX, int sourceY,
            uint32_t rop) {
  sim::Machine& m = sim::machine();
  if (m.Enter("BitBlt")) return false;
  auto to = m.windows.deviceContexts.find(Id(target));
  auto from = m.windows.deviceContexts.find(Id(source));
  if (to == m.windows.deviceContexts.end() || from == m.windows.deviceContexts.end()) return false;
  uint32_t bitmap = 0;
  auto loaded = m.windows.loadedBitmaps.find(from->second.selected);
  if (loaded != m.windows.loadedBitmaps.end()) bitmap = loaded->second;
  (void)sourceX;
  (void)sourceY;
  m.windows.blits.push_back(sim::Blit{m.windows.Name(to->second.window), x, y, width, height, bitmap, rop});
  return true;
}

bool DrawIcon(DeviceContext dc, int x, int y, IconHandle icon) {
  sim::Machine& m = sim::machine();
  m.Enter("DrawIcon");
  auto it = m.windows.deviceContexts.find(Id(dc));
  if (it == m.windows.deviceContexts.end() || icon == nullptr) return false;
  m.windows.iconDrawings.push_back(sim::IconDrawing{m.windows.Name(it->second.window), x, y,
                                                    static_cast<uint32_t>(Id(icon) - sim::kIconHandleBase)});
  return true;
}

const char* RegisterWindowClass(uint32_t classStyle, CursorHandle cursor) {
  sim::Machine& m = sim::machine();
  m.Enter("RegisterClassA");
  char line[96];
  std::snprintf(line, sizeof line, "style 0x%x cursor %s brush none icon none", classStyle,
                Id(cursor) == sim::kArrowCursor ? "arrow" : "other");
  m.windows.registeredClasses.push_back(line);
  return "VeskregWindow";
}

bool CWnd::CreateEx(uint32_t exStyle, const char* className, const char* title, uint32_t style, int x, int y, int width,
                    int height, WindowHandle owner, uintptr_t id) {
  sim::Machine& m = sim::machine();
  if (m.Enter("CreateWindowExA")) return false;
  if (owner != nullptr && Lookup(owner) == nullptr) return false;
  sim::Window w;
  w.className = className != nullptr ? className : "";
  w.text = title != nullptr ? title : "";
  w.style = style;
  w.exStyle = exStyle;
  w.id = static_cast<int>(id);
  w.owner = Id(owner);
  w.rect = Rect{x, y, x + width, y + height};
  w.visible = (style & kWsVisible) != 0;
  w.object = this;
  uintptr_t handle = m.windows.CreateWindowRecord(std::move(w));
  window_ = AsWindow(handle);
  char line[160];
  std::snprintf(line, sizeof line, "CreateWindowExA %s ex 0x%x style 0x%x %dx%d owner %s",
                className != nullptr ? className : "", exStyle, style, width, height,
                owner != nullptr ? m.windows.Name(Id(owner)).c_str() : "none");
  m.windows.log.push_back(line);
  return true;
}

intptr_t CDialog::DoModal() {
  sim::Machine& m = sim::machine();
  if (m.Enter("DialogBoxParamA")) return -1;
  auto found = m.windows.templates.find(templateId_);
  if (found == m.windows.templates.end()) {
    SetLastError(kErrorResourceNameNotFound);
    return -1;
  }
  const sim::DialogTemplate& t = found->second;
  WindowHandle owner = parent_ != nullptr ? parent_->GetSafeHwnd() : nullptr;

  sim::Window dialog;
  dialog.className = "#32770";
  dialog.text = t.caption;
  dialog.style = t.style & ~kWsVisible;
  dialog.exStyle = t.exStyle;
  dialog.owner = Id(owner);
  dialog.templateId = templateId_;
  dialog.rect = Rect{0, 0, t.width * 3 / 2 + sim::kDialogFrameWidth, t.height * 13 / 8 + sim::kDialogCaptionHeight};
  dialog.object = this;
  uintptr_t handle = m.windows.CreateWindowRecord(std::move(dialog));
  for (const sim::ControlTemplate& c : t.controls) {
    sim::Window control;
    control.className = c.className;
    control.text = c.text;
    control.style = c.style;
    control.id = c.id;
    control.parent = handle;
    control.rect = Rect{c.x * 3 / 2, c.y * 13 / 8, (c.x + c.width) * 3 / 2, (c.y + c.height) * 13 / 8};
    control.visible = (c.style & kWsVisible) != 0;
    control.enabled = (c.style & kWsDisabled) == 0;
    m.windows.CreateWindowRecord(std::move(control));
  }
  window_ = AsWindow(handle);
  m.windows.log.push_back("DialogBoxParamA " + std::to_string(templateId_));

  if (m.windows.Deliver(handle, kWmInitDialog, 0, 0) != 0) {
    for (const sim::ControlTemplate& c : t.controls) {
      WindowHandle control = GetDlgItem(window_, c.id);
      sim::Window* w = m.windows.Find(Id(control));
      if (w != nullptr && w->visible && w->enabled && (w->style & kWsTabStop) != 0 && w->className != "STATIC") {
        m.windows.Find(handle)->focus = Id(control);
        break;
      }
    }
  }
  size_t record = m.windows.dialogs.size();
  {
    sim::Window* d = m.windows.Find(handle);
    if (d != nullptr && !d->ended) {
      d->visible = true;
      d->needsPaint = true;
    }
    sim::DialogRecord r;
    r.templateId = templateId_;
    if (d != nullptr) {
      r.caption = d->text;
      r.style = t.style;
      r.exStyle = d->exStyle;
      r.hasOwner = d->owner != 0;
      r.rect = d->rect;
      r.topmost = d->topmost;
      r.bigIcon = d->bigIcon;
      r.smallIcon = d->smallIcon;
      sim::Window* focus = m.windows.Find(d->focus);
      r.focusId = focus != nullptr ? focus->id : 0;
    }
    r.shown = m.windows.Controls(handle);
    m.windows.dialogs.push_back(std::move(r));
  }

  m.windows.modal.push_back(handle);
  m.windows.RunModal(handle);
  m.windows.modal.pop_back();

  sim::Window* d = m.windows.Find(handle);
  intptr_t result = -1;
  sim::DialogRecord& r = m.windows.dialogs[record];
  if (d != nullptr) {
    result = d->result;
    r.final = m.windows.Controls(handle);
    r.ended = d->ended;
    r.result = result;
    m.windows.Destroy(handle);
  }
  window_ = nullptr;
  return result;
}

void CDialog::EndDialog(intptr_t result) {
  sim::Machine& m = sim::machine();
  m.Enter("EndDialog");
  sim::Window* d = m.windows.Find(Id(window_));
  if (d == nullptr || d->templateId == 0) return;
  d->ended = true;
  d->result = result;
  d->visible = false;
  m.windows.log.push_back("EndDialog " + m.windows.Name(Id(window_)) + " " + std::to_string(result));
}

}  // namespace os
