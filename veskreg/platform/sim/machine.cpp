#include "platform/sim/machine.h"

#include <algorithm>
#include <cstdio>

#include "platform/kernel.h"
#include "resources/resource.h"
#include "resources/strings.h"

namespace sim {

Machine::Machine()
    : stringTable{{IDS_COMPANY_CAPTION, TEXT_COMPANY_CAPTION},
                  {IDS_ERROR_126, TEXT_ERROR_126},
                  {IDS_ERROR_SPOOLER_STOPPED, TEXT_ERROR_SPOOLER_STOPPED},
                  {IDS_ERROR_STEP_FAILED, TEXT_ERROR_STEP_FAILED},
                  {IDS_PRINTER_CREATED, TEXT_PRINTER_CREATED},
                  {IDS_PRINTER_NAME_TAKEN, TEXT_PRINTER_NAME_TAKEN},
                  {IDS_PRINTER_NAME_INVALID, TEXT_PRINTER_NAME_INVALID}},
      environment{{"SYSTEMROOT", "C:\\WINDOWS"},
                  {"WINDIR", "C:\\WINDOWS"},
                  {"USERPROFILE", "C:\\Users\\user"},
                  {"APPDATA", "C:\\Users\\user\\AppData\\Roaming"},
                  {"TEMP", "C:\\Users\\user\\AppData\\Local\\Temp"}} {
  registry.CreateKey("HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers");
  registry.CreateKey(
      "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-3");
  registry.CreateKey("HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3");
  registry.CreateKey("HKLM\\Software");
  registry.CreateKey("HKCU\\Software");
}

void Machine::FailCall(std::string call, uint32_t error, int skip, int times) {
  faults_[std::move(call)] = Fault{error, skip, times};
}

void Machine::ForbidCall(std::string call) { forbidden_.push_back(std::move(call)); }

bool Machine::Enter(std::string_view call) {
  calls.emplace_back(call);
  if (std::find(forbidden_.begin(), forbidden_.end(), call) != forbidden_.end()) {
    violations.push_back(std::string(call) + " called on a path that must not call it");
  }
  auto fault = faults_.find(call);
  if (fault == faults_.end()) return false;
  Fault& f = fault->second;
  if (f.skip > 0) {
    --f.skip;
    return false;
  }
  if (f.times == 0) return false;
  if (f.times > 0) --f.times;
  os::SetLastError(f.error);
  return true;
}

uintptr_t Machine::OpenHandle(HandleKind kind) {
  uintptr_t handle = nextHandle_;
  nextHandle_ += 4;
  open_[handle] = kind;
  return handle;
}

bool Machine::CloseHandle(uintptr_t handle, HandleKind kind) {
  auto it = open_.find(handle);
  if (it == open_.end() || it->second != kind) return false;
  open_.erase(it);
  return true;
}

std::optional<HandleKind> Machine::KindOf(uintptr_t handle) const {
  auto it = open_.find(handle);
  if (it == open_.end()) return std::nullopt;
  return it->second;
}

int Machine::OpenHandles() const { return static_cast<int>(open_.size()); }

int Machine::OpenHandles(HandleKind kind) const {
  return static_cast<int>(
      std::count_if(open_.begin(), open_.end(), [kind](const auto& entry) { return entry.second == kind; }));
}

std::string Machine::DescribeOpenHandles() const {
  static const char* const names[] = {"printer",      "event source",  "process",           "thread", "local block",
                                      "registry key", "COM interface", "task memory block", "window", "GDI object"};
  std::string text;
  for (const auto& [handle, kind] : open_) {
    char line[64];
    std::snprintf(line, sizeof line, "%s 0x%zx\n", names[static_cast<int>(kind)], static_cast<size_t>(handle));
    text += line;
  }
  return text;
}

namespace {
Machine* current = nullptr;
}

Machine& machine() {
  if (current == nullptr) current = new Machine();
  return *current;
}

void ResetMachine() {
  delete current;
  current = new Machine();
  os::SetLastError(0);
}

ScopedMachine::ScopedMachine() { ResetMachine(); }
ScopedMachine::~ScopedMachine() { ResetMachine(); }

}  // namespace sim
