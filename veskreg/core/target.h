// The spooler environment a run installs for: chosen once by the dispatcher and handed to
// each operation as a value.
#pragma once

#include <cstdint>

struct Target {
  const char* environment;      // the spooler's name for it
  const char* driverDirectory;  // appended to the system directory; begins and ends in a backslash
  const char* driverKeyPrefix;  // under HKEY_LOCAL_MACHINE; ends in a backslash
  uint32_t driverVersion;
  const char* helpPage;  // the help on error 126, appended to the system directory
  bool x64;              // chosen by -x64, which a repair must name again
};

// x86, or after -x64 the machine's 64-bit environment (x64, or ARM64 where Windows runs on
// ARM); NT 4 keeps its version-2 driver directory and key either way.
Target TargetFor(bool x64);
// The target of the spooler environment so named (as the spooler names its own); x86 for
// any other.
Target TargetForEnvironment(const char* environment);
