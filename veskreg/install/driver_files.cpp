#include "install/driver_files.h"

#include <cstdio>

#include "core/diagnostics.h"
#include "core/install_context.h"
#include "core/platform_predicates.h"
#include "platform/registry.h"

namespace {

constexpr PlatformTarget kTargetX86Version2 = {
    "\\spool\\drivers\\w32x86\\2\\",
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-2\\", 2};
constexpr PlatformTarget kTargetX64Version3 = {
    "\\spool\\drivers\\x64\\3\\",
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3\\", 3};
constexpr PlatformTarget kTargetX86Version3 = {
    "\\spool\\drivers\\w32x86\\3\\",
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-3\\", 3};

// Each list: entries ending in NUL, the closing NUL, and the extra NUL the literal adds.
constexpr char kNativeList[] =
    "FOLYANT.EXE\0"
    "FOLYANTS.DLL\0"
    "FOLYANTM.EXE\0"
    "\0";
static_assert(sizeof kNativeList == 40);

constexpr char kXpsListBeforeVista[] =
    "MXDWDUI.INI\0"
    "FOLYANT.EXE\0"
    "FOLYANTE.EXE\0"
    "FOLYANTS.DLL\0"
    "FOLYANTM.EXE\0"
    "FOLYANT.CHM\0"
    "NIXPS.DLL\0"
    "UNIDRV.DLL\0"
    "UNIRES.DLL\0"
    "MXDWDUI.DLL\0"
    "STDNAMES.GPD\0"
    "STDDTYPE.GDL\0"
    "STDSCHEM.GDL\0"
    "STDSCHMX.GDL\0"
    "XPSSVCS.DLL\0"
    "FOLYANTT.GPD\0"
    "FOLYANTJ.EXE\0"
    "FOLYANTU.EXE\0"
    "\0";
static_assert(sizeof kXpsListBeforeVista == 224);

constexpr char kXpsListVista[] =
    "MXDWDUI.INI\0"
    "FOLYANT.EXE\0"
    "FOLYANTE.EXE\0"
    "FOLYANTS.DLL\0"
    "FOLYANTM.EXE\0"
    "FOLYANT.CHM\0"
    "NIXPS.DLL\0"
    "UNIDRV.DLL\0"
    "UNIRES.DLL\0"
    "UNIDRVUI.DLL\0"
    "STDNAMES.GPD\0"
    "STDDTYPE.GDL\0"
    "STDSCHEM.GDL\0"
    "STDSCHMX.GDL\0"
    "XPSSVCS.DLL\0"
    "MSXPSINC.GPD\0"
    "FOLYANTT.GPD\0"
    "FOLYANTJ.EXE\0"
    "FOLYANTU.EXE\0"
    "\0";
static_assert(sizeof kXpsListVista == 238);

constexpr char kXpsListWindows8[] =
    "FOLYANT.EXE\0"
    "FOLYANTE.EXE\0"
    "FOLYANTS.DLL\0"
    "FOLYANTM.EXE\0"
    "FOLYANT.CHM\0"
    "NIXPS.DLL\0"
    "UNIDRV.DLL\0"
    "UNIRES.DLL\0"
    "UNIDRVUI.DLL\0"
    "STDNAMES.GPD\0"
    "STDDTYPE.GDL\0"
    "STDSCHEM.GDL\0"
    "STDSCHMX.GDL\0"
    "XPSSVCS.DLL\0"
    "MSXPSINC.GPD\0"
    "FOLYANTT.GPD\0"
    "FOLYANTJ.EXE\0"
    "FOLYANTU.EXE\0"
    "folyant-pipelineconfig.xml\0"
    "\0";
static_assert(sizeof kXpsListWindows8 == 253);

// Windows 10 resolves the system's own driver files through the "ntprint|" prefix.
constexpr char kXpsListWindows10[] =
    "FOLYANT.EXE\0"
    "FOLYANTE.EXE\0"
    "FOLYANTS.DLL\0"
    "FOLYANTM.EXE\0"
    "FOLYANT.CHM\0"
    "NIXPS.DLL\0"
    "UNIDRV.DLL\0"
    "ntprint|UNIRES.DLL\0"
    "UNIDRVUI.DLL\0"
    "ntprint|STDNAMES.GPD\0"
    "ntprint|STDDTYPE.GDL\0"
    "ntprint|STDSCHEM.GDL\0"
    "ntprint|STDSCHMX.GDL\0"
    "ntprint|MSXPSINC.GPD\0"
    "FOLYANTT.GPD\0"
    "FOLYANTJ.EXE\0"
    "FOLYANTU.EXE\0"
    "folyant-pipelineconfig.xml\0"
    "\0";
static_assert(sizeof kXpsListWindows10 == 289);

template <size_t N>
constexpr DependentFileList ListOf(const char (&list)[N]) {
  return DependentFileList{list, static_cast<uint32_t>(N)};
}

constexpr uint32_t kOpenForUpdate = os::kKeyRead | os::kKeySetValue;

// The PostScript list followed by "PS Dependent Files" of the open key; the PostScript
// list alone when that value cannot be read into 16,384 bytes. Returns the data length.
uint32_t MergeStoredPostScriptList(os::RegistryKey key, uint8_t (&merged)[kMergeCapacity]) {
  uint8_t stored[kStoredExtrasCapacity];
  uint32_t size = sizeof stored;
  uint32_t type = 0;  // any type is taken as a list of names
  bool read = os::RegQueryValueExA(key, "PS Dependent Files", &type, stored, &size) == 0;
  return MergePostScriptList(read ? stored : nullptr, size, merged);
}

}  // namespace

PlatformTarget CurrentPlatformTarget() {
  if (IsWindowsNT4()) return kTargetX86Version2;
  if (TargetX64) return kTargetX64Version3;
  return kTargetX86Version3;
}

const char* DriverNameForKind(int postScript, int xps) {
  if (postScript) return "Folyant Font Helper";
  if (xps) return "Folyant-A";
  return "Folyant Writer";
}

DriverFileNames DriverFilesForKind(int postScript, int xps) {
  DriverFileNames files{};
  files.driverLibrary = xps ? "mxdwdrv.dll" : postScript ? "PSCRIPT5.DLL" : "folyant.dll";
  if (IsWindowsNT4()) {
    files.dataFile = "folyant.gpc";
    files.configFile = "folyantd.dll";
  } else if (xps) {
    files.dataFile = "folyant.gpd";
    files.configFile = "folyantx.dll";
  } else if (postScript) {
    files.dataFile = "folyant.ppd";
    files.configFile = "folyantp.dll";
  } else {
    files.dataFile = "folyant.ppd";
    files.configFile = "folyantd.dll";
  }
  files.helpFile = "folyant.chm";
  return files;
}

DependentFileList XpsDependentFilesForThisWindows() {
  if (IsWindows10OrLater()) return ListOf(kXpsListWindows10);
  if (IsWindows8OrLater()) return ListOf(kXpsListWindows8);
  if (IsWindowsVistaOrLater()) return ListOf(kXpsListVista);
  return ListOf(kXpsListBeforeVista);
}

DependentFileList DependentFilesForInstall(int postScript, int xps) {
  if (xps) return XpsDependentFilesForThisWindows();
  if (postScript) return PostScriptDependentFiles();
  return ListOf(kNativeList);
}

void DriverKeyPath(char (&path)[kDriverKeyPathSize], int postScript, int xps) {
  std::snprintf(path, sizeof path, "%s%s", CurrentPlatformTarget().driverKeyPrefix, DriverNameForKind(postScript, xps));
}

DependentFileList DependentFilesToWrite(os::RegistryKey driverKey, int postScript, int xps,
                                        uint8_t (&merged)[kMergeCapacity]) {
  if (postScript)
    return DependentFileList{reinterpret_cast<const char*>(merged), MergeStoredPostScriptList(driverKey, merged)};
  return xps ? XpsDependentFilesForThisWindows() : ListOf(kNativeList);
}

void UpdateDependentFiles(int postScript, int xps) {
  char path[kDriverKeyPathSize];
  DriverKeyPath(path, postScript, xps);

  os::RegistryKey opened = nullptr;
  int32_t status = os::RegOpenKeyExA(os::HkeyLocalMachine(), path, 0, kOpenForUpdate, &opened);
  if (status != 0) {
    LogAppEvent(os::kEventlogErrorType, "UpdateDependentFiles, failed to open registry %s, %d", path, status);
    return;
  }
  os::OwnedRegistryKey key(opened);

  static uint8_t merged[kMergeCapacity];
  const DependentFileList list = DependentFilesToWrite(key.get(), postScript, xps, merged);
  status = os::RegSetValueExA(key.get(), "Dependent Files", os::kRegMultiSz,
                              reinterpret_cast<const uint8_t*>(list.data), list.length);
  if (status != 0) LogAppEvent(os::kEventlogErrorType, "UpdateDependentFiles, failed to write to registry %d", status);
}
