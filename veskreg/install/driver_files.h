// The driver file sets of the three driver kinds, the platform target a run works on,
// and the rewrite of an installed driver's "Dependent Files".
#pragma once

#include <cstdint>

#include "install/dependent_files.h"

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

// Rewrites "Dependent Files" in the installed driver's key (PostScript before XPS).
void UpdateDependentFiles(int postScript, int xps);
