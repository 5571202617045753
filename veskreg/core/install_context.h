// The install context: set once by the dispatcher before any operation runs, read by
// the installation operations, never changed afterwards.
#pragma once

#include <cstdint>

inline constexpr const char* kEnvironmentX86 = "Windows NT x86";
inline constexpr const char* kEnvironmentX64 = "Windows x64";

extern bool TargetX64;
extern const char* SpoolerEnvironment;
extern int32_t ProcessExitCode;

// The values a new process starts with.
void ResetInstallContext();
