// Kernel services on the real Windows API.
#include "platform/kernel.h"

#include <windows.h>

namespace os {

uint32_t GetLastError() { return ::GetLastError(); }
void SetLastError(uint32_t error) { ::SetLastError(error); }

uint32_t GetVersion() {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  return ::GetVersion();
#pragma GCC diagnostic pop
}

IsWow64ProcessProc LookupIsWow64Process() {
  HMODULE kernel = ::GetModuleHandleA("kernel32");
  if (kernel == nullptr) return nullptr;
  FARPROC proc = ::GetProcAddress(kernel, "IsWow64Process");
  // BOOL (WINAPI*)(HANDLE, PBOOL): the stdcall signature is bridged below.
  if (proc == nullptr) return nullptr;
  static FARPROC resolved;
  resolved = proc;
  return [](KernelHandle process, int* wow64) -> int {
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

uint32_t GetSystemDirectoryA(char* buffer, uint32_t size) { return ::GetSystemDirectoryA(buffer, size); }

void OutputDebugStringA(const char* text) { ::OutputDebugStringA(text); }

int lstrcmpiA(const char* first, const char* second) { return ::lstrcmpiA(first, second); }

void Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

uint32_t GetTickCount() { return ::GetTickCount(); }

void* LocalAlloc(uint32_t flags, std::size_t bytes) { return ::LocalAlloc(flags, bytes); }

void* LocalFree(void* block) { return ::LocalFree(block); }

bool CreateProcessA(char* commandLine, const StartupInfo& startup, ProcessInformation* information) {
  STARTUPINFOA startupInfo{};
  startupInfo.cb = startup.cb;
  PROCESS_INFORMATION processInfo{};
  if (!::CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startupInfo,
                        &processInfo)) {
    return false;
  }
  information->process = reinterpret_cast<KernelHandle>(processInfo.hProcess);
  information->thread = reinterpret_cast<KernelHandle>(processInfo.hThread);
  information->processId = processInfo.dwProcessId;
  information->threadId = processInfo.dwThreadId;
  return true;
}

uint32_t WaitForSingleObject(KernelHandle handle, uint32_t milliseconds) {
  return ::WaitForSingleObject(reinterpret_cast<HANDLE>(handle), milliseconds);
}

bool GetExitCodeProcess(KernelHandle process, uint32_t* exitCode) {
  DWORD code = 0;
  if (!::GetExitCodeProcess(reinterpret_cast<HANDLE>(process), &code)) return false;
  *exitCode = code;
  return true;
}

bool CloseHandle(KernelHandle handle) { return ::CloseHandle(reinterpret_cast<HANDLE>(handle)) != FALSE; }

}  // namespace os
