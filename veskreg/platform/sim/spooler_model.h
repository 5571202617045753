// The simulated spooler's drivers and monitors (printers are Machine::printers), with
// the helpers tests use to arrange a machine.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

class Machine;

inline constexpr const char* kEnvironmentX86 = "Windows NT x86";
inline constexpr const char* kEnvironmentX64 = "Windows x64";

struct Driver {
  std::string name;
  std::string environment;  // as the spooler spells it, "Windows NT x86" or "Windows x64"
  uint32_t version = 3;
  // Full paths inside the driver directory, as GetPrinterDriverA reports them.
  std::string driverPath;
  std::string dataFile;
  std::string configFile;
  std::string helpFile;
  std::vector<std::string> dependentFiles;  // as handed in, "ntprint|" prefixes kept
  std::string monitorName;
  std::string defaultDataType;
};

struct Monitor {
  std::string name;
  std::string environment;
  std::string dllName;
  std::vector<std::string> ports;
};

struct SpoolerModel {
  SpoolerModel();

  std::vector<Driver> drivers;
  // In enumeration order; a fresh machine has the system's "Local Port" monitor, whose
  // empty environment stands for the spooler's own.
  std::vector<Monitor> monitors;
  // The ports a monitor library serves once loaded, by lower-case library name.
  std::map<std::string, std::vector<std::string>> portsByLibrary;
  // Ports that exist without any added monitor (the local port monitor's).
  std::vector<std::string> localPorts;
  // Open printer handles: the printer each was opened on, its access, and whether
  // that printer was deleted since (the handle then only serves ClosePrinter).
  struct OpenPrinter {
    std::string name;
    uint32_t access = 0;
    bool deleted = false;
  };
  std::map<uintptr_t, OpenPrinter> openPrinters;

  // Case-insensitive look-ups; null when absent. `version` 0 matches any version.
  Driver* FindDriver(std::string_view name, std::string_view environment, uint32_t version = 0);
  const Driver* FindDriver(std::string_view name, std::string_view environment, uint32_t version = 0) const;
  Monitor* FindMonitor(std::string_view name);
  bool PortExists(std::string_view port) const;
};

// The environment the local spooler itself runs in: where printers take their driver.
std::string NativeEnvironment(const Machine& m);
// "<system directory>\spool\DRIVERS\W32X86\3" (no trailing backslash); "x64" for
// "Windows x64". Empty for an unknown environment.
std::string DriverDirectory(const Machine& m, std::string_view environment, uint32_t version);
// The environment directory one level above: "<system directory>\spool\DRIVERS\W32X86".
std::string EnvironmentDirectory(const Machine& m, std::string_view environment);
// The driver's key: HKLM\SYSTEM\CurrentControlSet\Control\Print\Environments\<env>\Drivers\Version-<n>\<name>.
std::string DriverKeyPath(std::string_view environment, uint32_t version, std::string_view name);
// HKLM\SYSTEM\CurrentControlSet\Control\Print\Printers\<name>.
std::string PrinterKeyPath(std::string_view name);

// --- arranging a machine ---
// Puts every product file (driver libraries, data, configuration and help files, the
// entries of all dependent-file lists, the INF file) into the version and environment
// directories of both environments and of version 2, and the port-monitor library
// "folyantm7.dll" into the system directory.
void StageProductFiles(Machine& m);
// Registers a driver as a successful AddPrinterDriverA would (key and values included),
// with files named bare and placed in its driver directory.
Driver& InstallDriver(Machine& m, std::string_view name, std::string_view environment, uint32_t version,
                      std::string_view driverFile, std::vector<std::string> dependentFiles = {});
// The driver's key and values as AddPrinterDriverA writes them (bare file names).
void RegisterDriver(Machine& m, const Driver& driver);
// Registers a monitor as a successful AddMonitorA would.
Monitor& AddMonitor(Machine& m, std::string_view name, std::string_view environment, std::string_view dllName);
// Creates a printer as a successful AddPrinterA would (record and registry keys).
void AddPrinter(Machine& m, std::string_view name, std::string_view driver, std::string_view port,
                uint32_t attributes = 0x40);

// Bytes of a REG_MULTI_SZ with the given entries: each with its NUL, then one more NUL.
std::vector<uint8_t> MultiStringBytes(const std::vector<std::string>& entries);

}  // namespace sim
