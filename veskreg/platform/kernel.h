// Kernel services: version, WOW64, system directory, debugger output, memory,
// child processes, time and the thread's last error.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/types.h"

namespace os {

uint32_t GetLastError();
void SetLastError(uint32_t error);

// Packed version number: major in bits 0-7, minor in 8-15, bit 31 on the non-NT family.
uint32_t GetVersion();

// IsWow64Process is looked up by name in the loaded kernel32, never bound at load time,
// so the program still starts where it is missing.
using IsWow64ProcessProc = int (*)(KernelHandle process, int* wow64);
IsWow64ProcessProc LookupIsWow64Process();
KernelHandle GetCurrentProcess();

// The machine the Windows runs natively (IsWow64Process2, looked up at run time): 0x8664
// on x64, 0xAA64 on ARM64, where a 32-bit x86 program runs emulated; 0 where the call is
// missing or fails.
inline constexpr uint16_t kImageFileMachineArm64 = 0xAA64;
uint16_t NativeMachine();

// Length copied without terminator; the size needed (terminator included) when the
// buffer is too small; 0 on failure with the last error set.
uint32_t GetSystemDirectoryA(char* buffer, uint32_t size);

// The shared Windows directory (never a user's own, as GetWindowsDirectoryA may give under
// Terminal Services); the same return convention as GetSystemDirectoryA.
uint32_t GetSystemWindowsDirectoryA(char* buffer, uint32_t size);

// The library search of the process. SetDefaultDllDirectories (Windows 8, and 7/Vista
// with the 2011 update) and SetDllDirectoryA (XP SP1) are looked up at run time; where a
// call is missing it fails with 127 (ERROR_PROC_NOT_FOUND).
inline constexpr uint32_t kLoadLibrarySearchSystem32 = 0x00000800;
bool SetDefaultDllDirectories(uint32_t directoryFlags);
bool SetDllDirectoryA(const char* path);
bool SetCurrentDirectoryA(const char* path);

// True when the process's token is LocalSystem's (S-1-5-18): a service or a fleet tool's
// deployment, where nobody sits at the desktop the program would open windows on.
bool ProcessRunsAsLocalSystem();

// Whether `byte` begins a two-byte character in the ANSI code page.
bool IsDBCSLeadByte(uint8_t byte);

void OutputDebugStringA(const char* text);

// Case-insensitive comparison of two ANSI texts in the user's locale; 0 when equal.
int lstrcmpiA(const char* first, const char* second);

void Sleep(uint32_t milliseconds);
uint32_t GetTickCount();

void* LocalAlloc(uint32_t flags, std::size_t bytes);
void* LocalFree(void* block);

// The process start-up record: only its size field is ever set, and that must be the
// 32-bit STARTUPINFOA size.
inline constexpr uint32_t kStartupInfoSize = 68;
struct StartupInfo {
  uint32_t cb = 0;
};
struct ProcessInformation {
  KernelHandle process = nullptr;
  KernelHandle thread = nullptr;
  uint32_t processId = 0;
  uint32_t threadId = 0;
};
// The program by its full path, so no search can put another in its place; no inherited
// handles, no creation flags, the caller's environment and directory.
bool CreateProcessA(const char* applicationName, char* commandLine, const StartupInfo& startup,
                    ProcessInformation* information);
uint32_t WaitForSingleObject(KernelHandle handle, uint32_t milliseconds);
bool CloseHandle(KernelHandle handle);

}  // namespace os
