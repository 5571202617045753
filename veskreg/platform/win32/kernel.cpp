// Kernel services on the real Windows API.
#include "platform/kernel.h"

#include <windows.h>

#include <cstring>

#include "platform/win32/substitution_point.h"

namespace os {

using substitution::Fails;
using substitution::Resource;

uint32_t GetLastError() { return ::GetLastError(); }
void SetLastError(uint32_t error) { ::SetLastError(error); }

uint32_t GetVersion() {
  uint32_t answered = 0;
  if (substitution::Answers("GetVersion", &answered)) return answered;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  return ::GetVersion();
#pragma GCC diagnostic pop
}

IsWow64ProcessProc LookupIsWow64Process() {
  uint32_t answered = 0;
  if (substitution::Answers("LookupIsWow64Process", &answered) && answered == 0) return nullptr;
  HMODULE kernel = ::GetModuleHandleA("kernel32");
  if (kernel == nullptr) return nullptr;
  FARPROC proc = ::GetProcAddress(kernel, "IsWow64Process");
  // BOOL (WINAPI*)(HANDLE, PBOOL): the stdcall signature is bridged below.
  if (proc == nullptr) return nullptr;
  static FARPROC resolved;
  resolved = proc;
  return [](KernelHandle process, int* wow64) -> int {
    if (Fails("IsWow64Process")) return 0;
    uint32_t answer = 0;
    if (substitution::Answers("IsWow64Process", &answer)) {
      *wow64 = answer != 0 ? 1 : 0;
      return 1;
    }
    using Real = BOOL(WINAPI*)(HANDLE, PBOOL);
    BOOL result = FALSE;
    if (!reinterpret_cast<Real>(reinterpret_cast<void*>(resolved))(reinterpret_cast<HANDLE>(process), &result)) {
      return 0;
    }
    *wow64 = result ? 1 : 0;
    return 1;
  };
}

KernelHandle GetCurrentProcess() { return reinterpret_cast<KernelHandle>(::GetCurrentProcess()); }

uint16_t NativeMachine() {
  uint32_t answered = 0;
  if (substitution::Answers("IsWow64Process2", &answered)) return static_cast<uint16_t>(answered);
  HMODULE kernel = ::GetModuleHandleA("kernel32");
  FARPROC proc = kernel != nullptr ? ::GetProcAddress(kernel, "IsWow64Process2") : nullptr;
  if (proc == nullptr) return 0;
  using Call = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
  USHORT process = 0, native = 0;
  if (!reinterpret_cast<Call>(reinterpret_cast<void*>(proc))(::GetCurrentProcess(), &process, &native)) return 0;
  return native;
}

uint32_t GetSystemDirectoryA(char* buffer, uint32_t size) {
  if (Fails("GetSystemDirectoryA")) return 0;
  return ::GetSystemDirectoryA(buffer, size);
}

uint32_t GetSystemWindowsDirectoryA(char* buffer, uint32_t size) {
  if (Fails("GetSystemWindowsDirectoryA")) return 0;
  return ::GetSystemWindowsDirectoryA(buffer, size);
}

namespace {
// A kernel32 export that may be missing on older Windows, or null.
FARPROC KernelExport(const char* name) {
  HMODULE kernel = ::GetModuleHandleA("kernel32");
  return kernel != nullptr ? ::GetProcAddress(kernel, name) : nullptr;
}
}  // namespace

// Calls the kernel32 export `name` where this Windows has it; fails with 127 where not.
template <typename Argument>
bool CallIfExported(const char* name, Argument argument) {
  using Call = BOOL(WINAPI*)(Argument);
  FARPROC proc = KernelExport(name);
  if (proc == nullptr) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  return reinterpret_cast<Call>(reinterpret_cast<void*>(proc))(argument) != FALSE;
}

bool SetDefaultDllDirectories(uint32_t directoryFlags) {
  if (Fails("SetDefaultDllDirectories", nullptr, nullptr, directoryFlags)) return false;
  return CallIfExported<DWORD>("SetDefaultDllDirectories", directoryFlags);
}

bool SetDllDirectoryA(const char* path) {
  if (Fails("SetDllDirectoryA", path)) return false;
  return CallIfExported<LPCSTR>("SetDllDirectoryA", path);
}

bool SetCurrentDirectoryA(const char* path) {
  if (Fails("SetCurrentDirectoryA", path)) return false;
  return ::SetCurrentDirectoryA(path) != FALSE;
}

bool ProcessRunsAsLocalSystem() {
  uint32_t answered = 0;
  if (substitution::Answers("ProcessRunsAsLocalSystem", &answered)) return answered != 0;
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  // TOKEN_USER and its SID, which follows it in the same buffer.
  alignas(TOKEN_USER) BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  const bool read = ::GetTokenInformation(token, TokenUser, user, sizeof user, &size) != FALSE;
  ::CloseHandle(token);
  if (!read) return false;
  static const BYTE kLocalSystem[] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
  PSID sid = reinterpret_cast<TOKEN_USER*>(user)->User.Sid;
  return sid != nullptr && ::IsValidSid(sid) && ::GetLengthSid(sid) == sizeof kLocalSystem &&
         std::memcmp(sid, kLocalSystem, sizeof kLocalSystem) == 0;
}

bool IsDBCSLeadByte(uint8_t byte) { return ::IsDBCSLeadByte(byte) != FALSE; }

void OutputDebugStringA(const char* text) {
  Fails("OutputDebugStringA", text);
  ::OutputDebugStringA(text);
}

int lstrcmpiA(const char* first, const char* second) { return ::lstrcmpiA(first, second); }

void Sleep(uint32_t milliseconds) {
  if (!substitution::Sleeps(milliseconds)) ::Sleep(milliseconds);
}

uint32_t GetTickCount() {
  uint32_t answered = 0;
  if (substitution::Answers("GetTickCount", &answered)) return answered;
  return ::GetTickCount();
}

void* LocalAlloc(uint32_t flags, std::size_t bytes) {
  if (Fails("LocalAlloc", nullptr, nullptr, static_cast<uint32_t>(bytes))) return nullptr;
  void* block = ::LocalAlloc(flags, bytes);
  if (block != nullptr) substitution::Count(Resource::LocalBlock, 1);
  return block;
}

void* LocalFree(void* block) {
  if (block != nullptr) substitution::Count(Resource::LocalBlock, -1);
  return ::LocalFree(block);
}

bool CreateProcessA(const char* applicationName, char* commandLine, const StartupInfo& startup,
                    ProcessInformation* information) {
  if (Fails("CreateProcessA", commandLine, applicationName, startup.cb)) return false;
  STARTUPINFOA startupInfo{};
  startupInfo.cb = startup.cb;
  PROCESS_INFORMATION processInfo{};
  if (!::CreateProcessA(applicationName, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startupInfo,
                        &processInfo)) {
    return false;
  }
  substitution::Count(Resource::KernelObject, 2);
  information->process = reinterpret_cast<KernelHandle>(processInfo.hProcess);
  information->thread = reinterpret_cast<KernelHandle>(processInfo.hThread);
  information->processId = processInfo.dwProcessId;
  information->threadId = processInfo.dwThreadId;
  return true;
}

uint32_t WaitForSingleObject(KernelHandle handle, uint32_t milliseconds) {
  if (Fails("WaitForSingleObject", nullptr, nullptr, milliseconds)) return kWaitFailed;
  return ::WaitForSingleObject(reinterpret_cast<HANDLE>(handle), milliseconds);
}

bool CloseHandle(KernelHandle handle) {
  substitution::Count(Resource::KernelObject, -1);
  return ::CloseHandle(reinterpret_cast<HANDLE>(handle)) != FALSE;
}

}  // namespace os
