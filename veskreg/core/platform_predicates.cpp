#include "core/platform_predicates.h"

#include <cstdint>

#include "platform/kernel.h"

namespace {

struct Version {
  uint32_t major;
  uint32_t minor;
  bool nonNtFamily;
};

Version ReadVersion() {
  uint32_t packed = os::GetVersion();
  return Version{packed & 0xFF, (packed >> 8) & 0xFF, (packed & 0x80000000u) != 0};
}

}  // namespace

int IsWindowsNT4() {
  Version v = ReadVersion();
  return !v.nonNtFamily && v.major == 4 ? 1 : 0;
}

int IsWindowsVistaOrLater() { return ReadVersion().major >= 6 ? 1 : 0; }

int IsWindows8OrLater() {
  Version v = ReadVersion();
  return v.major >= 6 && v.minor >= 2 ? 1 : 0;
}

int IsWindows10OrLater() { return ReadVersion().major >= 10 ? 1 : 0; }

int IsWow64() {
  os::IsWow64ProcessProc isWow64Process = os::LookupIsWow64Process();
  if (isWow64Process == nullptr) return 0;
  int wow64 = 0;
  if (!isWow64Process(os::GetCurrentProcess(), &wow64)) return 0;
  return wow64 ? 1 : 0;
}

int IsNativeArm64() { return os::NativeMachine() == os::kImageFileMachineArm64 ? 1 : 0; }
