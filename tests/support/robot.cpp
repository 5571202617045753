#include "support/robot.h"

#include <windows.h>

#include <deque>
#include <set>
#include <tuple>

struct Robot::Shared {
  CRITICAL_SECTION lock;
  std::deque<Answer> answers;
  std::vector<WindowSeen> seen;
  std::set<HWND> handled;
  volatile LONG stop = 0;
  HANDLE thread = nullptr;
};

namespace {

std::string TextOf(HWND window) {
  char text[1024] = {};
  ::GetWindowTextA(window, text, sizeof text);
  return text;
}

WindowSeen Read(HWND window) {
  WindowSeen seen;
  char name[64] = {};
  ::GetClassNameA(window, name, sizeof name);
  seen.className = name;
  seen.caption = TextOf(window);
  seen.exStyle = static_cast<unsigned long>(::GetWindowLongA(window, GWL_EXSTYLE));
  RECT r{};
  ::GetWindowRect(window, &r);
  std::tie(seen.left, seen.top, seen.right, seen.bottom) = std::tie(r.left, r.top, r.right, r.bottom);
  for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (::IsWindowVisible(child)) seen.controls.emplace_back(::GetDlgCtrlID(child), TextOf(child));
  }
  return seen;
}

BOOL CALLBACK Collect(HWND window, LPARAM found) {
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  if (process == ::GetCurrentProcessId() && ::IsWindowVisible(window)) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  }
  return TRUE;
}

DWORD WINAPI Watch(void* parameter) {
  auto* shared = static_cast<Robot::Shared*>(parameter);
  while (shared->stop == 0) {
    std::vector<HWND> found;
    ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&found));
    for (HWND window : found) {
      Robot::Answer answer;
      ::EnterCriticalSection(&shared->lock);
      bool fresh = shared->handled.insert(window).second;
      if (fresh) {
        // Give the window a moment to finish its initialisation before it is read.
        ::LeaveCriticalSection(&shared->lock);
        ::Sleep(50);
        ::EnterCriticalSection(&shared->lock);
        // One that went meanwhile (a splash and its host close by themselves) is neither
        // read nor answered: its answer stays for the next.
        if (!::IsWindow(window)) {
          ::LeaveCriticalSection(&shared->lock);
          continue;
        }
        shared->seen.push_back(Read(window));
        if (shared->seen.back().className == "#32770") {
          if (!shared->answers.empty()) {
            answer = std::move(shared->answers.front());
            shared->answers.pop_front();
          } else {
            const bool box = ::GetDlgItem(window, 0xFFFF) != nullptr;
            answer = Robot::Press(box ? IDOK : IDCANCEL);
          }
        }
      }
      ::LeaveCriticalSection(&shared->lock);
      if (answer) answer(window);
    }
    // Windows gone may have their handles used again.
    ::EnterCriticalSection(&shared->lock);
    for (auto it = shared->handled.begin(); it != shared->handled.end();) {
      it = ::IsWindow(*it) ? std::next(it) : shared->handled.erase(it);
    }
    ::LeaveCriticalSection(&shared->lock);
    ::Sleep(20);
  }
  return 0;
}

}  // namespace

Robot::Robot() : shared_(new Shared) {
  ::InitializeCriticalSection(&shared_->lock);
  shared_->thread = ::CreateThread(nullptr, 0, Watch, shared_, 0, nullptr);
}

Robot::~Robot() {
  ::InterlockedExchange(&shared_->stop, 1);
  ::WaitForSingleObject(shared_->thread, INFINITE);
  ::CloseHandle(shared_->thread);
  ::DeleteCriticalSection(&shared_->lock);
  delete shared_;
}

void Robot::Then(Answer answer) {
  ::EnterCriticalSection(&shared_->lock);
  shared_->answers.push_back(std::move(answer));
  ::LeaveCriticalSection(&shared_->lock);
}

Robot::Answer Robot::Press(int controlId) {
  return [controlId](void* window) {
    HWND dialog = static_cast<HWND>(window);
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, controlId)));
  };
}

Robot::Answer Robot::TypeAndPress(int editId, std::string text, int controlId) {
  return [editId, text, controlId](void* window) {
    HWND dialog = static_cast<HWND>(window);
    ::SendMessageA(::GetDlgItem(dialog, editId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    Press(controlId)(window);
  };
}

Robot::Answer Robot::Key(int virtualKey) {
  return [virtualKey](void* window) { ::PostMessageA(static_cast<HWND>(window), WM_KEYDOWN, virtualKey, 1); };
}

Robot::Answer Robot::Wait() {
  return [](void*) {};
}

std::vector<WindowSeen> Robot::Seen() const {
  ::EnterCriticalSection(&shared_->lock);
  std::vector<WindowSeen> seen = shared_->seen;
  ::LeaveCriticalSection(&shared_->lock);
  return seen;
}

void Robot::Clear() {
  ::EnterCriticalSection(&shared_->lock);
  shared_->seen.clear();
  shared_->answers.clear();
  ::LeaveCriticalSection(&shared_->lock);
}
