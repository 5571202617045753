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

// x86, or x64 after -x64; NT 4 keeps its version-2 driver directory and key either way.
Target TargetFor(bool x64);
