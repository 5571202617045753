// The driver kinds the installation makes, with one table of what each means, and the
// rewrite of an installed driver's "Dependent Files".
#pragma once

#include <cstdint>

#include "core/target.h"
#include "core/text_buffers.h"
#include "install/dependent_files.h"
#include "platform/registry.h"

// The drivers the installation makes, by kind.
inline constexpr const char* kNativeDriverName = "Folyant Writer";
inline constexpr const char* kPostScriptDriverName = "Folyant Font Helper";
inline constexpr const char* kXpsDriverName = "Folyant-A";

enum class DriverKind {
  Native,                  // -addprinter
  PostScript,              // -addpsprinter
  Xps,                     // -addxpsprinter
  PostScriptNameXpsFiles,  // -addpsprinter -addxpsprinter
};

// The files a driver is built from.
enum class FileSet { Native, PostScript, Xps };
// Which list "Dependent Files" holds: the native one, the PostScript one (handed to the
// spooler alone, written followed by "PS Dependent Files" of the driver's key), the XPS
// one for this Windows.
enum class ListRule { Native, PostScript, Xps };

struct KindFacts {
  DriverKind kind;
  bool postScript, xps;  // the switches that choose it: -addpsprinter, -addxpsprinter
  const char* driverName;
  FileSet files;
  ListRule installList;  // handed to the spooler with the driver
  ListRule writtenList;  // written into the driver's key after it, and by the update switch
  // The kind whose files a refused driver is tried again with, under its own name; itself
  // when there is no second try.
  DriverKind refused;
  const char* addSwitches[2];  // the repair that makes a printer of the kind (second: none or one more)
  const char* updateSwitch;
};

const KindFacts& FactsOf(DriverKind kind);
// The kind the adding switches choose; every kind is one row of the table.
DriverKind KindFromSwitches(bool postScript, bool xps);
// The kind of a printer's driver from its driver library's path, as -addinstance reads it
// from an existing printer.
DriverKind KindOfDriverLibrary(const char* libraryPath);
// The kind of an installed driver from its name and, where two kinds share the name, its
// library; false for any other driver (an OEM edition's).
bool KindOfInstalledDriver(const char* driverName, const char* libraryPath, DriverKind* kind);

struct DriverFileNames {
  const char* driverLibrary;
  const char* dataFile;
  const char* configFile;
  const char* helpFile;
};
// The bare file names for the kind in the target's driver directory.
DriverFileNames DriverFilesFor(DriverKind kind, const Target& target);

// The list a driver installation hands the spooler.
DependentFileList DependentFilesForInstall(DriverKind kind);

// The installed driver's key under HKEY_LOCAL_MACHINE: the target's prefix + the kind's
// driver name.
void DriverKeyPath(char (&path)[kKeyPathSize], DriverKind kind, const Target& target);

// What "Dependent Files" must hold for the kind on this Windows, as the installation and
// the update switches write it; the stored PostScript extras are read from the open driver
// key into `merged`.
DependentFileList DependentFilesToWrite(os::RegistryKey driverKey, DriverKind kind, uint8_t (&merged)[kMergeCapacity]);

// Rewrites "Dependent Files" in the installed driver's key with that list.
void UpdateDependentFiles(DriverKind kind, const Target& target);
