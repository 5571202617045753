// The driver file sets of the three driver kinds, the platform target a run works on,
// and the rewrite of an installed driver's "Dependent Files".
#pragma once

#include <cstdint>

#include "install/dependent_files.h"
#include "platform/registry.h"

// Where this run's drivers live: chosen afresh at each use (version 2 on NT 4, else x64
// after -x64, else x86 version 3).
struct PlatformTarget {
  const char* driverDirectorySuffix;  // appended to the system directory; ends in a backslash
  const char* driverKeyPrefix;        // under HKEY_LOCAL_MACHINE; ends in a backslash
  uint32_t driverVersion;
};
PlatformTarget CurrentPlatformTarget();

// "Folyant Font Helper", "Folyant-A" or "Folyant Writer" (PostScript before XPS).
const char* DriverNameForKind(int postScript, int xps);

struct DriverFileNames {
  const char* driverLibrary;
  const char* dataFile;
  const char* configFile;
  const char* helpFile;
};
// The bare file names for the kind on the current platform target.
DriverFileNames DriverFilesForKind(int postScript, int xps);

// The list a driver installation hands the spooler (XPS before PostScript).
DependentFileList DependentFilesForInstall(int postScript, int xps);
// The XPS list for the Windows version the program runs on.
DependentFileList XpsDependentFilesForThisWindows();

// The installed driver's key under HKEY_LOCAL_MACHINE: the platform target's prefix + the
// driver name of the kind.
inline constexpr uint32_t kDriverKeyPathSize = 260;
void DriverKeyPath(char (&path)[kDriverKeyPathSize], int postScript, int xps);

// What "Dependent Files" must hold for the kind on this Windows (PostScript before XPS):
// the PostScript list merged with "PS Dependent Files" of the open driver key (built in
// `merged`), the XPS list for this Windows, or the native list.
DependentFileList DependentFilesToWrite(os::RegistryKey driverKey, int postScript, int xps,
                                        uint8_t (&merged)[kMergeCapacity]);

// Rewrites "Dependent Files" in the installed driver's key with that list.
void UpdateDependentFiles(int postScript, int xps);
