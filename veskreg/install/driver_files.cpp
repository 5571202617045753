#include "install/driver_files.h"

#include <cstdio>
#include <cstring>

#include "core/diagnostics.h"
#include "core/platform_predicates.h"
#include "core/switches.h"
#include "platform/kernel.h"
#include "platform/registry.h"

namespace {

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

// One row a kind; the switches' precedence is the table's: both flags make a row of their
// own. A refused driver is tried again, under its own name, with the files of `refused`.
// clang-format off
constexpr KindFacts kKinds[] = {
  // kind                               -ps    -xps   driver name             files                handed over           written after         refused             add switches                                  update switch
  {DriverKind::Native,                 false, false, kNativeDriverName,     FileSet::Native,     ListRule::Native,     ListRule::Native,     DriverKind::Native, {kSwitchAddPrinter, nullptr},                 kSwitchUpdateDependentFiles},
  {DriverKind::PostScript,             true,  false, kPostScriptDriverName, FileSet::PostScript, ListRule::PostScript, ListRule::PostScript, DriverKind::Native, {kSwitchAddPsPrinter, nullptr},               kSwitchUpdatePsDependentFiles},
  {DriverKind::Xps,                    false, true,  kXpsDriverName,        FileSet::Xps,        ListRule::Xps,        ListRule::Xps,        DriverKind::Xps,    {kSwitchAddXpsPrinter, nullptr},              kSwitchUpdateXpsDependentFiles},
  {DriverKind::PostScriptNameXpsFiles, true,  true,  kPostScriptDriverName, FileSet::Xps,        ListRule::Xps,        ListRule::PostScript, DriverKind::Xps,    {kSwitchAddPsPrinter, kSwitchAddXpsPrinter},  kSwitchUpdatePsDependentFiles},
};
// clang-format on

// The files of each set; NT 4's version-2 drivers all take the same data and configuration file.
constexpr DriverFileNames kFileSets[] = {
    {"folyant.dll", "folyant.ppd", "folyantd.dll", "folyant.chm"},
    {"PSCRIPT5.DLL", "folyant.ppd", "folyantp.dll", "folyant.chm"},
    {"mxdwdrv.dll", "folyant.gpd", "folyantx.dll", "folyant.chm"},
};
constexpr const char* kVersion2DataFile = "folyant.gpc";
constexpr const char* kVersion2ConfigFile = "folyantd.dll";

const DriverFileNames& FilesOf(FileSet set) { return kFileSets[static_cast<int>(set)]; }

DependentFileList XpsDependentFilesForThisWindows() {
  if (IsWindows10OrLater()) return ListOf(kXpsListWindows10);
  if (IsWindows8OrLater()) return ListOf(kXpsListWindows8);
  if (IsWindowsVistaOrLater()) return ListOf(kXpsListVista);
  return ListOf(kXpsListBeforeVista);
}

}  // namespace

const KindFacts& FactsOf(DriverKind kind) { return kKinds[static_cast<int>(kind)]; }

DriverKind KindFromSwitches(bool postScript, bool xps) {
  for (const KindFacts& facts : kKinds) {
    if (facts.postScript == postScript && facts.xps == xps) return facts.kind;
  }
  return DriverKind::Native;
}

DriverKind KindOfDriverLibrary(const char* libraryPath) {
  if (libraryPath == nullptr) libraryPath = "";
  return KindFromSwitches(std::strstr(libraryPath, FilesOf(FileSet::PostScript).driverLibrary) != nullptr,
                          std::strstr(libraryPath, FilesOf(FileSet::Xps).driverLibrary) != nullptr);
}

bool KindOfInstalledDriver(const char* driverName, const char* libraryPath, DriverKind* kind) {
  if (driverName == nullptr) return false;
  bool named = false;
  for (const KindFacts& facts : kKinds) {
    if (os::lstrcmpiA(driverName, facts.driverName) != 0) continue;
    // The first row of the name stands unless a later one's library is the driver's.
    if (!named || (libraryPath != nullptr && std::strstr(libraryPath, FilesOf(facts.files).driverLibrary))) {
      *kind = facts.kind;
    }
    named = true;
  }
  return named;
}

DriverFileNames DriverFilesFor(DriverKind kind, const Target& target) {
  DriverFileNames files = FilesOf(FactsOf(kind).files);
  if (target.driverVersion == 2) {
    files.dataFile = kVersion2DataFile;
    files.configFile = kVersion2ConfigFile;
  }
  return files;
}

DependentFileList DependentFilesForInstall(DriverKind kind) {
  switch (FactsOf(kind).installList) {
    case ListRule::Xps:
      return XpsDependentFilesForThisWindows();
    case ListRule::PostScript:
      return PostScriptDependentFiles();
    case ListRule::Native:
      break;
  }
  return ListOf(kNativeList);
}

void DriverKeyPath(char (&path)[kKeyPathSize], DriverKind kind, const Target& target) {
  std::snprintf(path, sizeof path, "%s%s", target.driverKeyPrefix, FactsOf(kind).driverName);
}

DependentFileList DependentFilesToWrite(os::RegistryKey driverKey, DriverKind kind, uint8_t (&merged)[kMergeCapacity]) {
  switch (FactsOf(kind).writtenList) {
    case ListRule::PostScript:
      return DependentFileList{reinterpret_cast<const char*>(merged), MergeStoredPostScriptList(driverKey, merged)};
    case ListRule::Xps:
      return XpsDependentFilesForThisWindows();
    case ListRule::Native:
      break;
  }
  return ListOf(kNativeList);
}

void UpdateDependentFiles(DriverKind kind, const Target& target) {
  char path[kKeyPathSize];
  DriverKeyPath(path, kind, target);

  os::OwnedRegistryKey key;
  int32_t status = os::RegOpenKeyExA(os::HkeyLocalMachine(), path, 0, kOpenForUpdate, key.put());
  if (status != 0) {
    LogAppEvent(os::kEventlogErrorType, "UpdateDependentFiles, failed to open registry %s, %d", path, status);
    return;
  }

  static uint8_t merged[kMergeCapacity];
  const DependentFileList list = DependentFilesToWrite(key.get(), kind, merged);
  status = os::RegSetValueExA(key.get(), "Dependent Files", os::kRegMultiSz,
                              reinterpret_cast<const uint8_t*>(list.data), list.length);
  if (status != 0) LogAppEvent(os::kEventlogErrorType, "UpdateDependentFiles, failed to write to registry %d", status);
}
