#include "platform/sim/window_model.h"

#include <algorithm>
#include <cstdio>

#include "platform/sim/machine.h"
#include "resources/resource.h"
#include "resources/strings.h"

namespace sim {
namespace {

constexpr uint32_t kChild = os::kWsChild | os::kWsVisible;
constexpr uint32_t kGroup = 0x00020000;
constexpr uint32_t kHtCaption = 2;
constexpr uint32_t kHtClose = 20;
constexpr int kModalLoopLimit = 10000;

bool IsInput(uint32_t message) {
  return (message >= os::kWmKeyDown && message <= 0x0109) || (message >= os::kWmMouseMove && message <= 0x020D) ||
         (message >= 0x00A0 && message <= 0x00AD);
}

// The program's dialog templates, as its resource script declares them.
std::map<uint32_t, DialogTemplate> ProgramTemplates() {
  std::map<uint32_t, DialogTemplate> t;
  t[IDD_VESKREG_DIALOG] =
      DialogTemplate{IDD_VESKREG_DIALOG,
                     "Vesk Harrow Systems LLC",
                     250,
                     162,
                     "MS Sans Serif",
                     8,
                     0,
                     1,
                     os::kWsPopup | os::kWsVisible | os::kWsCaption | os::kWsSysMenu | os::kDsModalFrame |
                         os::kDsSetFont | os::kDsSysModal,
                     os::kWsExAppWindow,
                     {{IDC_MAIN_VERSION, "STATIC", "Folyant", kChild | os::kSsCenter | kGroup, 7, 7, 236, 9},
                      {IDC_MAIN_NOTICE, "STATIC", TEXT_MAIN_NOTICE, kChild | os::kSsCenter | kGroup, 8, 16, 236, 11},
                      {IDC_MAIN_LOGGING, "BUTTON", TEXT_MAIN_LOGGING, kChild, 67, 52, 116, 14},
                      {IDC_MAIN_CANCEL, "BUTTON", "Cancel", kChild, 83, 135, 50, 14}}};
  t[IDD_ABOUTBOX] = DialogTemplate{
      IDD_ABOUTBOX,
      "Vesk Harrow Systems LLC",
      209,
      161,
      "MS Sans Serif",
      8,
      0,
      0,
      os::kWsPopup | os::kWsCaption | os::kDsModalFrame | os::kDsSetFont | os::kDsSysModal,
      0,
      {{os::kIdOk, "BUTTON", "OK", kChild | os::kBsDefPushButton | os::kWsTabStop, 79, 140, 50, 14},
       {IDC_ABOUT_VERSION, "STATIC", "Folyant", kChild | os::kSsCenter | kGroup, 7, 10, 195, 11},
       {IDC_ABOUT_NOTICE, "STATIC", TEXT_ABOUT_NOTICE, kChild | os::kSsCenter | kGroup, 7, 21, 195, 19},
       {-1, "STATIC", TEXT_ABOUT_LIBRARY_NOTICE, kChild | os::kSsCenter | kGroup, 7, 40, 195, 25},
       {IDC_ABOUT_LOGGING, "BUTTON", "Enable Debugging", os::kWsChild | os::kWsTabStop, 7, 141, 66, 13}}};
  t[IDD_ADDPRINTER] = DialogTemplate{
      IDD_ADDPRINTER,
      "Add Printer",
      193,
      57,
      "MS Shell Dlg",
      8,
      400,
      1,
      os::kWsPopup | os::kWsCaption | os::kWsSysMenu | os::kDsModalFrame | os::kDsSetFont | os::kDsFixedSys,
      0,
      {{os::kIdOk, "BUTTON", "OK", kChild | os::kBsDefPushButton | os::kWsTabStop, 82, 36, 50, 14},
       {os::kIdCancel, "BUTTON", "Cancel", kChild | os::kWsTabStop, 136, 36, 50, 14},
       {IDC_PRINTER_NAME, "EDIT", "", kChild | os::kWsBorder | os::kWsTabStop | os::kEsAutoHScroll, 56, 16, 130, 13},
       {IDC_PRINTER_NAME_LABEL, "STATIC", "Printer Name:", kChild | kGroup, 7, 17, 49, 10}}};
  return t;
}

}  // namespace

const ControlSnapshot* DialogRecord::Shown(int id) const {
  for (const ControlSnapshot& c : shown)
    if (c.id == id) return &c;
  return nullptr;
}

const ControlSnapshot* DialogRecord::Final(int id) const {
  for (const ControlSnapshot& c : final)
    if (c.id == id) return &c;
  return nullptr;
}

WindowModel::WindowModel()
    : templates(ProgramTemplates()),
      bitmaps{{IDB_SPLASH, BitmapResource{393, 293, 24}}},
      icons{IDR_MAINFRAME, IDI_FOLYANT, IDI_FOLYANT_SMALL} {}

void WindowModel::Click(int control) { Send(Target::Control, control, {os::kWmLButtonDown, os::kWmLButtonUp}); }

void WindowModel::ClickDialog(uint32_t down) {
  uintptr_t hit = 0;
  if (down >= 0x00A0 && down <= 0x00AD) hit = kHtCaption;
  Send(Target::Dialog, 0, {down, down == os::kWmNcLButtonDown ? 0 : down + 1}, hit);
}

void WindowModel::ClickSplash() { Send(Target::Splash, 0, {os::kWmLButtonDown, os::kWmLButtonUp}); }

void WindowModel::Key(int virtualKey) {
  Send(Target::Focus, 0, {os::kWmKeyDown, os::kWmKeyUp}, static_cast<uintptr_t>(virtualKey));
}

void WindowModel::SysKey(int virtualKey) {
  Send(Target::Focus, 0, {os::kWmSysKeyDown, os::kWmSysKeyUp}, static_cast<uintptr_t>(virtualKey));
}

void WindowModel::Send(Target target, int control, std::vector<uint32_t> messages, uintptr_t wParam) {
  UserAction action;
  action.kind = UserAction::Kind::Input;
  action.target = target;
  action.control = control;
  action.messages = std::move(messages);
  action.messages.erase(std::remove(action.messages.begin(), action.messages.end(), 0u), action.messages.end());
  action.wParam = wParam;
  script.push_back(std::move(action));
}

void WindowModel::Type(int control, std::string text) {
  UserAction action;
  action.kind = UserAction::Kind::Type;
  action.target = Target::Control;
  action.control = control;
  action.text = std::move(text);
  script.push_back(std::move(action));
}

void WindowModel::CloseBox() { Send(Target::Dialog, 0, {os::kWmNcLButtonDown}, kHtClose); }

void WindowModel::Minimize() {
  UserAction action;
  action.kind = UserAction::Kind::Minimize;
  action.target = Target::Dialog;
  script.push_back(std::move(action));
}

void WindowModel::Wait(uint32_t milliseconds) {
  UserAction action;
  action.kind = UserAction::Kind::Wait;
  action.milliseconds = milliseconds;
  script.push_back(std::move(action));
}

Window* WindowModel::Find(uintptr_t handle) {
  auto it = windows.find(handle);
  return it == windows.end() ? nullptr : &it->second;
}

std::string WindowModel::Name(uintptr_t handle) const {
  if (handle == kDesktopWindow) return "desktop";
  auto it = windows.find(handle);
  if (it == windows.end()) return "gone";
  const Window& w = it->second;
  if (w.templateId != 0) return "dialog " + std::to_string(w.templateId);
  if (w.parent != 0) return "control " + std::to_string(w.id);
  return "window " + w.className;
}

uintptr_t WindowModel::CreateWindowRecord(Window window) {
  window.handle = machine().OpenHandle(HandleKind::Window);
  uintptr_t handle = window.handle;
  windows[handle] = std::move(window);
  return handle;
}

void WindowModel::Post(uintptr_t handle, uint32_t message, uintptr_t wParam, intptr_t lParam, std::string text) {
  queue.push_back(Queued{handle, message, wParam, lParam, std::move(text)});
}

intptr_t WindowModel::Deliver(uintptr_t handle, uint32_t message, uintptr_t wParam, intptr_t lParam,
                              const std::string& text) {
  Window* window = Find(handle);
  if (window == nullptr) return 0;
  if (IsInput(message)) inputDelivered.push_back(InputDelivery{Name(handle), message});
  if (window->object != nullptr) {
    intptr_t result = 0;
    if (window->object->Dispatch(message, wParam, lParam, &result)) return result;
    window = Find(handle);
    if (window == nullptr) return 0;
  }
  return DefaultProcedure(*window, message, wParam, lParam, text);
}

// What DefDlgProc, DefWindowProc and the system's button and edit classes do with the
// messages the program leaves to them.
intptr_t WindowModel::DefaultProcedure(Window& window, uint32_t message, uintptr_t wParam, intptr_t lParam,
                                       const std::string& text) {
  const uintptr_t handle = window.handle;
  switch (message) {
    case os::kWmPaint:
      window.needsPaint = false;
      ++window.paints;
      return 0;
    case os::kWmSetIcon: {
      uint32_t icon = lParam != 0 ? static_cast<uint32_t>(static_cast<uintptr_t>(lParam) - kIconHandleBase) : 0;
      uint32_t& slot = wParam == static_cast<uintptr_t>(os::kIconBig) ? window.bigIcon : window.smallIcon;
      uint32_t previous = slot;
      slot = icon;
      return previous != 0 ? static_cast<intptr_t>(kIconHandleBase + previous) : 0;
    }
    case os::kWmNcLButtonDown:
      if (wParam == kHtClose && (window.style & os::kWsSysMenu) != 0) {
        return Deliver(handle, os::kWmSysCommand, os::kScClose, 0);
      }
      return 0;
    case os::kWmSysCommand:
      if ((wParam & 0xFFF0) == os::kScClose) return Deliver(handle, os::kWmClose, 0, 0);
      return 0;
    case os::kWmClose:
      if (window.templateId != 0) {
        Window* cancel = nullptr;
        for (auto& [h, w] : windows)
          if (w.parent == handle && w.id == os::kIdCancel) cancel = &w;
        Post(handle, os::kWmCommand, os::kIdCancel, static_cast<intptr_t>(cancel ? cancel->handle : 0));
      } else {
        Destroy(handle);
      }
      return 0;
    case os::kWmLButtonDown:
      if (window.className == "BUTTON" && window.enabled && window.visible) window.pressed = true;
      return 0;
    case os::kWmLButtonUp:
      if (window.className == "BUTTON" && window.pressed) {
        window.pressed = false;
        Deliver(window.parent, os::kWmCommand, static_cast<uintptr_t>(window.id & 0xFFFF),
                static_cast<intptr_t>(handle));
      }
      return 0;
    case os::kEmLimitText:
      if (window.className == "EDIT") window.textLimit = wParam == 0 ? 0x7FFFFFFE : static_cast<int>(wParam);
      return 0;
    case kSimTypeText:
      if (window.className == "EDIT" && window.enabled && window.visible) {
        window.text = text.substr(0, static_cast<size_t>(window.textLimit));
      }
      return 0;
    default:
      return 0;
  }
}

void WindowModel::Destroy(uintptr_t handle) {
  Window* window = Find(handle);
  if (window == nullptr) return;
  log.push_back("DestroyWindow " + Name(handle));
  // Owned windows go first, as Windows destroys them with their owner.
  std::vector<uintptr_t> owned;
  for (const auto& [h, w] : windows)
    if (w.owner == handle) owned.push_back(h);
  for (uintptr_t h : owned) Destroy(h);
  Deliver(handle, os::kWmDestroy, 0, 0);
  std::vector<uintptr_t> children;
  for (const auto& [h, w] : windows)
    if (w.parent == handle) children.push_back(h);
  for (uintptr_t h : children) Destroy(h);
  Deliver(handle, os::kWmNcDestroy, 0, 0);
  windows.erase(handle);
  timers.erase(std::remove_if(timers.begin(), timers.end(), [handle](const Timer& t) { return t.window == handle; }),
               timers.end());
  machine().CloseHandle(handle, HandleKind::Window);
}

ControlSnapshot WindowModel::Snapshot(const Window& control) const {
  return ControlSnapshot{control.id,      control.className, control.text,     control.style,
                         control.visible, control.enabled,   control.textLimit};
}

std::vector<ControlSnapshot> WindowModel::Controls(uintptr_t dialog) const {
  std::vector<ControlSnapshot> controls;
  for (const auto& [h, w] : windows)
    if (w.parent == dialog) controls.push_back(Snapshot(w));
  return controls;
}

void WindowModel::Perform(uintptr_t dialog, const UserAction& action) {
  Window* d = Find(dialog);
  uintptr_t target = dialog;
  switch (action.target) {
    case Target::Focus:
      target = d != nullptr && d->focus != 0 ? d->focus : dialog;
      break;
    case Target::Dialog:
      break;
    case Target::Control:
      target = 0;
      for (const auto& [h, w] : windows)
        if (w.parent == dialog && w.id == action.control) target = h;
      if (target == 0) {
        machine().violations.push_back("the user looked for control " + std::to_string(action.control) + " in " +
                                       Name(dialog) + ", which has none");
        return;
      }
      break;
    case Target::Splash:
      for (const auto& [h, w] : windows)
        if (w.templateId == 0 && w.parent == 0 && w.visible) target = h;
      break;
  }
  switch (action.kind) {
    case UserAction::Kind::Input:
      for (uint32_t message : action.messages) Post(target, message, action.wParam, 0);
      break;
    case UserAction::Kind::Type:
      Post(target, os::kWmKeyDown, 'A', 0);
      Post(target, kSimTypeText, 0, 0, action.text);
      Post(target, os::kWmKeyUp, 'A', 0);
      break;
    case UserAction::Kind::Minimize:
      if (d != nullptr) {
        d->iconic = true;
        d->needsPaint = true;
      }
      break;
    case UserAction::Kind::Wait:
      break;
  }
}

// The queue is empty: painting first, then whichever comes first of a timer falling
// due and the user's next action. A user with nothing left to do presses Escape.
void WindowModel::Idle(uintptr_t dialog) {
  Machine& m = machine();
  for (auto& [h, w] : windows) {
    if (w.visible && w.needsPaint && w.parent == 0) {
      Post(h, os::kWmPaint, 0, 0);
      w.needsPaint = false;  // one WM_PAINT per invalidation, handled or not
      return;
    }
  }
  Timer* next = nullptr;
  for (Timer& t : timers)
    if (next == nullptr || t.due < next->due) next = &t;
  if (!script.empty()) {
    const UserAction& action = script.front();
    uint32_t at = m.tickCount + (action.kind == UserAction::Kind::Wait ? action.milliseconds : userThinkMilliseconds);
    if (next != nullptr && next->due <= at) {
      m.tickCount = std::max(m.tickCount, next->due);
      Post(next->window, os::kWmTimer, next->id, 0);
      next->due = m.tickCount + next->elapse;
      return;
    }
    m.tickCount = at;
    UserAction taken = script.front();
    script.pop_front();
    Perform(dialog, taken);
    return;
  }
  if (next != nullptr) {
    m.tickCount = std::max(m.tickCount, next->due);
    Post(next->window, os::kWmTimer, next->id, 0);
    next->due = m.tickCount + next->elapse;
    return;
  }
  log.push_back("the user, with nothing more to do, pressed Escape in " + Name(dialog));
  Window* d = Find(dialog);
  uintptr_t focus = d != nullptr && d->focus != 0 ? d->focus : dialog;
  Post(focus, os::kWmKeyDown, os::kVkEscape, 0);
  Post(focus, os::kWmKeyUp, os::kVkEscape, 0);
}

// IsDialogMessage: Enter and Escape on the dialog or its controls become commands.
bool WindowModel::DialogKeys(uintptr_t dialog, const Queued& message) {
  if (message.message != os::kWmKeyDown) return false;
  Window* target = Find(message.window);
  if (target == nullptr || (message.window != dialog && target->parent != dialog)) return false;
  if (message.wParam == static_cast<uintptr_t>(os::kVkEscape)) {
    Deliver(dialog, os::kWmCommand, os::kIdCancel, 0);
    return true;
  }
  if (message.wParam == static_cast<uintptr_t>(os::kVkReturn)) {
    int id = os::kIdOk;
    if (target->className == "BUTTON" && target->parent == dialog) {
      id = target->id;
    } else {
      for (const auto& [h, w] : windows)
        if (w.parent == dialog && w.className == "BUTTON" && (w.style & os::kBsDefPushButton) != 0) id = w.id;
    }
    Deliver(dialog, os::kWmCommand, static_cast<uintptr_t>(id & 0xFFFF), 0);
    return true;
  }
  return false;
}

void WindowModel::RunModal(uintptr_t dialog) {
  Machine& m = machine();
  for (int turn = 0;; ++turn) {
    Window* d = Find(dialog);
    if (d == nullptr || d->ended) return;
    if (turn > kModalLoopLimit) {
      m.violations.push_back(Name(dialog) + " never ended; the scripted user gave up");
      d->ended = true;
      d->result = -1;
      return;
    }
    if (queue.empty()) Idle(dialog);
    if (queue.empty()) continue;
    Queued message = queue.front();
    queue.pop_front();
    if (Find(message.window) == nullptr) continue;
    os::Message offered{reinterpret_cast<os::WindowHandle>(message.window), message.message, message.wParam,
                        message.lParam};
    if (os::PreTranslateForApp(offered)) continue;
    if (DialogKeys(dialog, message)) continue;
    Deliver(message.window, message.message, message.wParam, message.lParam, message.text);
  }
}

}  // namespace sim
