// The simulated window system: the program's dialog templates and bitmaps, the windows
// that exist, the thread's message queue and timers, and a scripted user who acts
// whenever a modal loop waits for input.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/window.h"

namespace sim {

struct ControlTemplate {
  int id = 0;
  std::string className;  // "BUTTON", "EDIT", "STATIC"
  std::string text;
  uint32_t style = 0;  // WS_CHILD included
  int x = 0, y = 0, width = 0, height = 0;
};

struct DialogTemplate {
  uint32_t id = 0;
  std::string caption;
  int width = 0, height = 0;  // dialog units
  std::string font;
  int pointSize = 0;
  int weight = 0;
  int charset = 0;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  std::vector<ControlTemplate> controls;  // in template (tab) order
};

struct BitmapResource {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
};

struct Window {
  uintptr_t handle = 0;
  std::string className;
  std::string text;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  int id = 0;
  uintptr_t parent = 0;  // controls
  uintptr_t owner = 0;   // top-level windows
  os::Rect rect;         // screen coordinates
  bool visible = false;
  bool enabled = true;
  bool iconic = false;
  bool topmost = false;
  bool atBottom = false;
  bool needsPaint = true;
  int paints = 0;
  os::CWnd* object = nullptr;
  uint32_t templateId = 0;  // dialogs
  bool pressed = false;     // a push button between press and release
  int textLimit = 32767;    // edit controls
  uint32_t bigIcon = 0;     // icon resource ids set with WM_SETICON
  uint32_t smallIcon = 0;
  uintptr_t focus = 0;  // dialogs: the control with the focus
  bool ended = false;
  intptr_t result = 0;
};

struct ControlSnapshot {
  int id = 0;
  std::string className;
  std::string text;
  uint32_t style = 0;
  bool visible = false;
  bool enabled = false;
  int textLimit = 0;
};

// One run of a modal dialog: as it stood when it first waited for the user, and as it
// stood when it ended.
struct DialogRecord {
  uint32_t templateId = 0;
  std::string caption;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  bool hasOwner = false;
  os::Rect rect;
  bool topmost = false;
  uint32_t bigIcon = 0;
  uint32_t smallIcon = 0;
  int focusId = 0;
  std::vector<ControlSnapshot> shown;
  std::vector<ControlSnapshot> final;
  bool ended = false;
  intptr_t result = 0;

  const ControlSnapshot* Shown(int id) const;
  const ControlSnapshot* Final(int id) const;
};

// Whom a scripted action is aimed at.
enum class Target { Focus, Dialog, Control, Splash };

struct UserAction {
  enum class Kind { Input, Type, Wait, Minimize };
  Kind kind = Kind::Input;
  Target target = Target::Focus;
  int control = 0;
  std::vector<uint32_t> messages;
  uintptr_t wParam = 0;
  std::string text;
  uint32_t milliseconds = 0;
};

struct Blit {
  std::string window;
  int x = 0, y = 0, width = 0, height = 0;
  uint32_t bitmap = 0;  // resource id of the bitmap selected into the source
  uint32_t rop = 0;
};

struct IconDrawing {
  std::string window;
  int x = 0, y = 0;
  uint32_t icon = 0;
};

struct TimerRecord {
  std::string window;
  uintptr_t id = 0;
  uint32_t requested = 0;
  uint32_t startTick = 0;
};

struct InputDelivery {
  std::string window;
  uint32_t message = 0;
};

class WindowModel {
 public:
  WindowModel();

  // --- arrangement ---
  os::Rect desktop{0, 0, 1024, 768};
  os::Rect workArea{0, 0, 1024, 728};  // a taskbar at the bottom
  bool shiftDown = false;
  uint32_t userThinkMilliseconds = 500;          // before each scripted action
  std::map<uint32_t, DialogTemplate> templates;  // the program's own resources
  std::map<uint32_t, BitmapResource> bitmaps;
  std::set<uint32_t> icons;

  // --- the scripted user; each action happens when a modal loop waits for input ---
  void Click(int control);          // left press and release on a control
  void ClickDialog(uint32_t down);  // a press (and its release) on the dialog itself
  void ClickSplash();
  void Key(int virtualKey);  // press and release, aimed at the focus
  void SysKey(int virtualKey);
  void Send(Target target, int control, std::vector<uint32_t> messages, uintptr_t wParam = 0);
  void Type(int control, std::string text);  // replaces the control's text, as the user types it
  void CloseBox();
  void Minimize();
  void Wait(uint32_t milliseconds);
  std::deque<UserAction> script;

  // --- what happened ---
  std::vector<DialogRecord> dialogs;
  std::vector<std::string> log;
  std::vector<Blit> blits;
  std::vector<IconDrawing> iconDrawings;
  std::vector<TimerRecord> timerLog;
  std::vector<InputDelivery> inputDelivered;  // key and mouse messages that reached a window
  std::vector<std::string> registeredClasses;

  // --- the window system itself, used by the sim wrappers ---
  std::map<uintptr_t, Window> windows;
  struct Queued {
    uintptr_t window = 0;
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    std::string text;
  };
  std::deque<Queued> queue;
  struct Timer {
    uintptr_t window = 0;
    uintptr_t id = 0;
    uint32_t elapse = 0;
    uint32_t due = 0;
  };
  std::vector<Timer> timers;
  std::vector<uintptr_t> modal;  // running dialogs, innermost last
  struct DeviceContextState {
    uintptr_t window = 0;
    uintptr_t selected = 0;
    bool paint = false;
  };
  std::map<uintptr_t, DeviceContextState> deviceContexts;
  std::map<uintptr_t, uint32_t> loadedBitmaps;  // handle -> resource id

  Window* Find(uintptr_t handle);
  std::string Name(uintptr_t handle) const;
  uintptr_t CreateWindowRecord(Window window);
  intptr_t Deliver(uintptr_t handle, uint32_t message, uintptr_t wParam, intptr_t lParam, const std::string& text = {});
  void Destroy(uintptr_t handle);
  void Post(uintptr_t handle, uint32_t message, uintptr_t wParam, intptr_t lParam, std::string text = {});
  // Runs the modal loop of dialog `handle` until it ends.
  void RunModal(uintptr_t handle);
  ControlSnapshot Snapshot(const Window& control) const;
  std::vector<ControlSnapshot> Controls(uintptr_t dialog) const;

 private:
  void Idle(uintptr_t dialog);
  void Perform(uintptr_t dialog, const UserAction& action);
  bool DialogKeys(uintptr_t dialog, const Queued& message);
  intptr_t DefaultProcedure(Window& window, uint32_t message, uintptr_t wParam, intptr_t lParam,
                            const std::string& text);
};

// Dialog units to pixels with the 8-point dialog font of the templates.
inline constexpr int kDialogFrameWidth = 6;
inline constexpr int kDialogCaptionHeight = 25;
inline constexpr uintptr_t kDesktopWindow = 0x10010;
inline constexpr uintptr_t kIconHandleBase = 0x20000;
inline constexpr uintptr_t kStockBitmap = 0x30001;
inline constexpr uintptr_t kArrowCursor = 0x30010;
inline constexpr uint32_t kSimTypeText = 0x8001;  // private: the user's typed text

}  // namespace sim
