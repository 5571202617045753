// Kernel services on the simulated machine.
#include "platform/kernel.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/sim/machine.h"

namespace os {
namespace {

thread_local uint32_t lastError = 0;

int SimIsWow64Process(KernelHandle process, int* wow64) {
  sim::Machine& m = sim::machine();
  if (m.Enter("IsWow64Process")) return 0;
  if (process == nullptr || wow64 == nullptr) {
    SetLastError(kErrorInvalidParameter);
    return 0;
  }
  *wow64 = m.is64BitWindows ? 1 : 0;
  return 1;
}

// The program a command line names: its first word, unquoted, lower-cased, without ".exe".
std::string ProgramOf(const std::string& commandLine) {
  std::string word;
  size_t i = 0;
  while (i < commandLine.size() && commandLine[i] == ' ') ++i;
  if (i < commandLine.size() && commandLine[i] == '"') {
    size_t end = commandLine.find('"', i + 1);
    word = commandLine.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
  } else {
    size_t end = commandLine.find(' ', i);
    word = commandLine.substr(i, end == std::string::npos ? std::string::npos : end - i);
  }
  std::transform(word.begin(), word.end(), word.begin(), [](unsigned char c) { return std::tolower(c); });
  if (word.size() > 4 && word.compare(word.size() - 4, 4, ".exe") == 0) word.resize(word.size() - 4);
  return word;
}

}  // namespace

uint32_t GetLastError() { return lastError; }
void SetLastError(uint32_t error) { lastError = error; }

uint32_t GetVersion() {
  sim::machine().Enter("GetVersion");
  return sim::machine().version;
}

IsWow64ProcessProc LookupIsWow64Process() {
  sim::Machine& m = sim::machine();
  if (m.Enter("GetProcAddress(IsWow64Process)")) return nullptr;
  if (!m.hasIsWow64Process) {
    SetLastError(kErrorProcNotFound);
    return nullptr;
  }
  return &SimIsWow64Process;
}

KernelHandle GetCurrentProcess() { return reinterpret_cast<KernelHandle>(static_cast<intptr_t>(-1)); }

uint32_t GetSystemDirectoryA(char* buffer, uint32_t size) {
  sim::Machine& m = sim::machine();
  if (m.Enter("GetSystemDirectoryA")) return 0;
  const std::string& dir = m.systemDirectory;
  if (buffer == nullptr || size <= dir.size()) return static_cast<uint32_t>(dir.size() + 1);
  std::memcpy(buffer, dir.c_str(), dir.size() + 1);
  return static_cast<uint32_t>(dir.size());
}

void OutputDebugStringA(const char* text) {
  sim::Machine& m = sim::machine();
  m.Enter("OutputDebugStringA");
  m.debugOutput.emplace_back(text == nullptr ? "" : text);
}

// Equality the way the program relies on it: letters compare without regard to case.
int lstrcmpiA(const char* first, const char* second) {
  const auto* a = reinterpret_cast<const unsigned char*>(first ? first : "");
  const auto* b = reinterpret_cast<const unsigned char*>(second ? second : "");
  for (;; ++a, ++b) {
    int ca = std::tolower(*a);
    int cb = std::tolower(*b);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

void Sleep(uint32_t milliseconds) {
  sim::Machine& m = sim::machine();
  m.Enter("Sleep");
  m.sleeps.push_back(milliseconds);
  m.tickCount += milliseconds;
}

uint32_t GetTickCount() {
  sim::machine().Enter("GetTickCount");
  return sim::machine().tickCount;
}

void* LocalAlloc(uint32_t flags, std::size_t bytes) {
  sim::Machine& m = sim::machine();
  if (m.Enter("LocalAlloc")) return nullptr;
  // Each block carries its handle id in front, so LocalFree can account for it.
  auto* raw = static_cast<unsigned char*>((flags & kLmemZeroInit) ? std::calloc(1, bytes + sizeof(uintptr_t))
                                                                  : std::malloc(bytes + sizeof(uintptr_t)));
  if (raw == nullptr) {
    SetLastError(kErrorNotEnoughMemory);
    return nullptr;
  }
  uintptr_t id = m.OpenHandle(sim::HandleKind::LocalBlock);
  std::memcpy(raw, &id, sizeof id);
  return raw + sizeof(uintptr_t);
}

void* LocalFree(void* block) {
  if (block == nullptr) return nullptr;
  sim::Machine& m = sim::machine();
  m.Enter("LocalFree");
  auto* raw = static_cast<unsigned char*>(block) - sizeof(uintptr_t);
  uintptr_t id;
  std::memcpy(&id, raw, sizeof id);
  if (!m.CloseHandle(id, sim::HandleKind::LocalBlock)) {
    m.violations.push_back("LocalFree of a block that is not allocated");
    return block;
  }
  std::free(raw);
  return nullptr;
}

bool CreateProcessA(char* commandLine, const StartupInfo& startup, ProcessInformation* information) {
  sim::Machine& m = sim::machine();
  if (m.Enter("CreateProcessA")) return false;
  if (commandLine == nullptr || information == nullptr || startup.cb != kStartupInfoSize) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  std::string line = commandLine;
  auto program = m.programs.find(ProgramOf(line));
  if (program == m.programs.end()) {
    SetLastError(kErrorFileNotFound);
    return false;
  }
  sim::ProcessRecord record{line, startup.cb, m.tickCount, m.tickCount + program->second.runMilliseconds};
  m.processes.push_back(record);
  if (program->second.onStart) program->second.onStart(line);
  uintptr_t process = m.OpenHandle(sim::HandleKind::Process);
  uintptr_t thread = m.OpenHandle(sim::HandleKind::Thread);
  m.children[process] = sim::Machine::ChildState{record.endTick, program->second.exitCode};
  information->process = reinterpret_cast<KernelHandle>(process);
  information->thread = reinterpret_cast<KernelHandle>(thread);
  information->processId = static_cast<uint32_t>(process);
  information->threadId = static_cast<uint32_t>(thread);
  return true;
}

uint32_t WaitForSingleObject(KernelHandle handle, uint32_t milliseconds) {
  sim::Machine& m = sim::machine();
  if (m.Enter("WaitForSingleObject")) return kWaitFailed;
  auto it = m.children.find(reinterpret_cast<uintptr_t>(handle));
  if (it == m.children.end() || !m.KindOf(it->first)) {
    SetLastError(kErrorInvalidHandle);
    return kWaitFailed;
  }
  uint32_t remaining = it->second.endTick > m.tickCount ? it->second.endTick - m.tickCount : 0;
  if (milliseconds != kInfinite && remaining > milliseconds) {
    m.tickCount += milliseconds;
    return 0x102;  // WAIT_TIMEOUT
  }
  m.tickCount += remaining;
  return kWaitObject0;
}

bool GetExitCodeProcess(KernelHandle process, uint32_t* exitCode) {
  sim::Machine& m = sim::machine();
  if (m.Enter("GetExitCodeProcess")) return false;
  auto it = m.children.find(reinterpret_cast<uintptr_t>(process));
  if (it == m.children.end() || exitCode == nullptr) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  *exitCode = m.tickCount >= it->second.endTick ? it->second.exitCode : 259;  // STILL_ACTIVE
  return true;
}

bool CloseHandle(KernelHandle handle) {
  sim::Machine& m = sim::machine();
  if (m.Enter("CloseHandle")) return false;
  auto id = reinterpret_cast<uintptr_t>(handle);
  auto kind = m.KindOf(id);
  if (!kind || (*kind != sim::HandleKind::Process && *kind != sim::HandleKind::Thread)) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  m.CloseHandle(id, *kind);
  m.children.erase(id);
  return true;
}

}  // namespace os
