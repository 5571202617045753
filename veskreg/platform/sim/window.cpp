// String table, message boxes and the framework's loop on the simulated machine.
#include "platform/window.h"

#include <algorithm>
#include <cstring>

#include "platform/kernel.h"
#include "platform/sim/machine.h"

namespace os {

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

}  // namespace os
