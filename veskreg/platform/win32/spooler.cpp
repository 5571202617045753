// The print spooler on the real Windows API.
#include "platform/spooler.h"

#include <windows.h>
#include <winspool.h>

#include "platform/win32/substitution_point.h"

namespace os {

static_assert(sizeof(PRINTER_INFO_2A) == kPrinterInfo2Size, "32-bit record layout");
static_assert(sizeof(MONITOR_INFO_2A) == kMonitorInfo2Size, "32-bit record layout");
static_assert(sizeof(DRIVER_INFO_2A) == kDriverInfo2Size, "32-bit record layout");
static_assert(sizeof(PORT_INFO_2A) == kPortInfo2Size, "32-bit record layout");

using substitution::Fails;
using substitution::Resource;

namespace {

char* Text(const char* text) { return const_cast<char*>(text); }

// The spooler's library is bound at run time, by full path from the system directory:
// WINSPOOL.DRV is not one of the libraries Windows always takes from there, so an import
// of it would be looked for first beside the program, often a folder a user can write to.
// clang-format off
#define VESKREG_SPOOLER_CALLS(X)                                                                 \
  X(EnumPrintersA) X(OpenPrinterA) X(ClosePrinter) X(DeletePrinter) X(AddPrinterA)              \
  X(AddPrinterDriverA) X(DeletePrinterDriverA) X(GetPrinterDriverA) X(EnumPrinterDriversA)      \
  X(EnumMonitorsA) X(EnumPortsA) X(AddMonitorA) X(DeleteMonitorA)
// clang-format on

struct SpoolerLibrary {
#define VESKREG_DECLARE(name) decltype(&::name) name = nullptr;
  VESKREG_SPOOLER_CALLS(VESKREG_DECLARE)
#undef VESKREG_DECLARE
  bool complete = false;
  char path[MAX_PATH + 16] = {};
};

SpoolerLibrary LoadSpoolerLibrary() {
  SpoolerLibrary library;
  static constexpr char kName[] = "\\winspool.drv";
  static_assert(sizeof library.path >= MAX_PATH + sizeof kName);
  UINT length = ::GetSystemDirectoryA(library.path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    library.path[0] = '\0';
    return library;
  }
  ::CopyMemory(library.path + length, kName, sizeof kName);
  HMODULE module = ::LoadLibraryExA(library.path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (module == nullptr) return library;
  library.complete = true;
#define VESKREG_BIND(name)                                                                                      \
  library.name = reinterpret_cast<decltype(&::name)>(reinterpret_cast<void*>(::GetProcAddress(module, #name))); \
  library.complete = library.complete && library.name != nullptr;
  VESKREG_SPOOLER_CALLS(VESKREG_BIND)
#undef VESKREG_BIND
  return library;
}

// Loaded once and kept for the life of the process. Without it every spooler call fails
// as it does with a stopped spooler.
const SpoolerLibrary* Spooler() {
  static const SpoolerLibrary library = LoadSpoolerLibrary();
  if (Fails("LoadLibraryExA", library.path) || !library.complete) {
    ::SetLastError(RPC_S_SERVER_UNAVAILABLE);
    return nullptr;
  }
  return &library;
}

}  // namespace

bool BindSpoolerLibrary() { return Spooler() != nullptr; }

bool EnumPrintersA(uint32_t flags, const char* name, uint32_t level, uint8_t* buffer, uint32_t bufferSize,
                   uint32_t* needed, uint32_t* returned) {
  if (Fails("EnumPrintersA", nullptr, nullptr, bufferSize)) return false;
  const SpoolerLibrary* spooler = Spooler();
  if (spooler == nullptr) return false;
  DWORD neededBytes = 0;
  DWORD count = 0;
  BOOL ok = spooler->EnumPrintersA(flags, const_cast<char*>(name), level, buffer, bufferSize, &neededBytes, &count);
  *needed = neededBytes;
  *returned = count;
  return ok != FALSE;
}

PrinterInfo2View PrinterInfo2At(const uint8_t* block, uint32_t index) {
  const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(block) + index;
  return PrinterInfo2View{info->pPrinterName, info->pDriverName, info->pPortName, info->pPrintProcessor,
                          info->Attributes};
}

bool OpenPrinterA(const char* printerName, PrinterHandle* printer, uint32_t desiredAccess) {
  *printer = nullptr;
  if (Fails("OpenPrinterA", printerName)) return false;
  const SpoolerLibrary* spooler = Spooler();
  if (spooler == nullptr) return false;
  PRINTER_DEFAULTSA defaults{nullptr, nullptr, desiredAccess};
  HANDLE handle = nullptr;
  BOOL ok = spooler->OpenPrinterA(Text(printerName), &handle, &defaults);
  *printer = ok ? reinterpret_cast<PrinterHandle>(handle) : nullptr;
  if (ok) substitution::Count(Resource::Printer, 1);
  return ok != FALSE;
}

bool ClosePrinter(PrinterHandle printer) {
  substitution::Count(Resource::Printer, -1);
  const SpoolerLibrary* spooler = Spooler();
  if (spooler == nullptr) return false;
  return spooler->ClosePrinter(reinterpret_cast<HANDLE>(printer)) != FALSE;
}

bool DeletePrinter(PrinterHandle printer) {
  if (Fails("DeletePrinter")) return false;
  const SpoolerLibrary* spooler = Spooler();
  if (spooler == nullptr) return false;
  return spooler->DeletePrinter(reinterpret_cast<HANDLE>(printer)) != FALSE;
}

PrinterHandle AddPrinterA(const char* serverName, uint32_t level, const PrinterInfo2& printer) {
  if (Fails("AddPrinterA", printer.printerName, printer.driverName, printer.attributes)) return nullptr;
  const SpoolerLibrary* spooler = Spooler();
  if (spooler == nullptr) return nullptr;
  PRINTER_INFO_2A info{};
  info.pPrinterName = Text(printer.printerName);
  info.pPortName = Text(printer.portName);
  info.pDriverName = Text(printer.driverName);
  info.pPrintProcessor = Text(printer.printProcessor);
  info.pDatatype = Text(printer.datatype);
  info.Attributes = printer.attributes;
  HANDLE added = spooler->AddPrinterA(Text(serverName), level, reinterpret_cast<BYTE*>(&info));
  if (added != nullptr) substitution::Count(Resource::Printer, 1);
  return reinterpret_cast<PrinterHandle>(added);
}

bool AddPrinterDriverA(const char* serverName, uint32_t level, const DriverInfo3& driver) {
  if (Fails("AddPrinterDriverA", driver.name, driver.environment, level)) return false;
  const SpoolerLibrary* spooler = Spooler();
  if (spooler == nullptr) return false;
  DRIVER_INFO_3A info{};
  info.cVersion = driver.version;
  info.pName = Text(driver.name);
  info.pEnvironment = Text(driver.environment);
  info.pDriverPath = Text(driver.driverPath);
  info.pDataFile = Text(driver.dataFile);
  info.pConfigFile = Text(driver.configFile);
  if (level >= 3) {
    info.pHelpFile = Text(driver.helpFile);
    info.pDependentFiles = Text(driver.dependentFiles);
    info.pMonitorName = Text(driver.monitorName);
    info.pDefaultDataType = Text(driver.defaultDataType);
  }
  // DRIVER_INFO_2A is the head of DRIVER_INFO_3A, so one record serves both levels.
  return spooler->AddPrinterDriverA(Text(serverName), level, reinterpret_cast<BYTE*>(&info)) != FALSE;
}

bool DeletePrinterDriverA(const char* serverName, const char* environment, const char* driverName) {
  if (Fails("DeletePrinterDriverA", driverName, environment)) return false;
  const SpoolerLibrary* spooler = Spooler();
  if (spooler == nullptr) return false;
  return spooler->DeletePrinterDriverA(Text(serverName), Text(environment), Text(driverName)) != FALSE;
}

bool GetPrinterDriverA(PrinterHandle printer, const char* environment, uint32_t level, uint8_t* buffer,
                       uint32_t bufferSize, uint32_t* needed) {
  if (Fails("GetPrinterDriverA", nullptr, environment, level)) return false;
  const SpoolerLibrary* spooler = Spooler();
  if (spooler == nullptr) return false;
  DWORD neededBytes = 0;
  BOOL ok = spooler->GetPrinterDriverA(reinterpret_cast<HANDLE>(printer), Text(environment), level, buffer, bufferSize,
                                       &neededBytes);
  if (needed != nullptr) *needed = neededBytes;
  return ok != FALSE;
}

const char* DriverInfo1Name(const uint8_t* block, uint32_t index) {
  return (reinterpret_cast<const DRIVER_INFO_1A*>(block) + index)->pName;
}

bool EnumPrinterDriversA(const char* environment, uint32_t level, uint8_t* buffer, uint32_t bufferSize,
                         uint32_t* needed, uint32_t* returned) {
  if (Fails("EnumPrinterDriversA", nullptr, environment, bufferSize)) return false;
  const SpoolerLibrary* spooler = Spooler();
  if (spooler == nullptr) return false;
  DWORD neededBytes = 0;
  DWORD count = 0;
  BOOL ok = spooler->EnumPrinterDriversA(nullptr, Text(environment), level, buffer, bufferSize, &neededBytes, &count);
  *needed = neededBytes;
  *returned = count;
  return ok != FALSE;
}

DriverInfo2View DriverInfo2At(const uint8_t* block, uint32_t index) {
  const auto* info = reinterpret_cast<const DRIVER_INFO_2A*>(block) + index;
  return DriverInfo2View{info->cVersion,    info->pName,     info->pEnvironment,
                         info->pDriverPath, info->pDataFile, info->pConfigFile};
}

bool EnumMonitorsA(const char* serverName, uint32_t level, uint8_t* buffer, uint32_t bufferSize, uint32_t* needed,
                   uint32_t* returned) {
  if (Fails("EnumMonitorsA", nullptr, nullptr, bufferSize)) return false;
  const SpoolerLibrary* spooler = Spooler();
  if (spooler == nullptr) return false;
  DWORD neededBytes = 0;
  DWORD count = 0;
  BOOL ok = spooler->EnumMonitorsA(Text(serverName), level, buffer, bufferSize, &neededBytes, &count);
  if (needed != nullptr) *needed = neededBytes;
  if (returned != nullptr) *returned = count;
  return ok != FALSE;
}

MonitorInfo2 MonitorInfo2At(const uint8_t* block, uint32_t index) {
  const auto* info = reinterpret_cast<const MONITOR_INFO_2A*>(block) + index;
  return MonitorInfo2{info->pName, substitution::MonitorEnvironment(info->pEnvironment), info->pDLLName};
}

bool EnumPortsA(uint32_t level, uint8_t* buffer, uint32_t bufferSize, uint32_t* needed, uint32_t* returned) {
  if (Fails("EnumPortsA", nullptr, nullptr, bufferSize)) return false;
  const SpoolerLibrary* spooler = Spooler();
  if (spooler == nullptr) return false;
  DWORD neededBytes = 0;
  DWORD count = 0;
  BOOL ok = spooler->EnumPortsA(nullptr, level, buffer, bufferSize, &neededBytes, &count);
  *needed = neededBytes;
  *returned = count;
  return ok != FALSE;
}

PortInfo2View PortInfo2At(const uint8_t* block, uint32_t index) {
  const auto* info = reinterpret_cast<const PORT_INFO_2A*>(block) + index;
  return PortInfo2View{info->pPortName, info->pMonitorName};
}

bool AddMonitorA(const char* serverName, uint32_t level, const MonitorInfo2& monitor) {
  if (Fails("AddMonitorA", monitor.name, monitor.environment, level)) return false;
  const SpoolerLibrary* spooler = Spooler();
  if (spooler == nullptr) return false;
  MONITOR_INFO_2A info{Text(monitor.name), Text(monitor.environment), Text(monitor.dllName)};
  return spooler->AddMonitorA(Text(serverName), level, reinterpret_cast<BYTE*>(&info)) != FALSE;
}

bool DeleteMonitorA(const char* serverName, const char* environment, const char* monitorName) {
  if (Fails("DeleteMonitorA", monitorName, environment)) return false;
  const SpoolerLibrary* spooler = Spooler();
  if (spooler == nullptr) return false;
  return spooler->DeleteMonitorA(Text(serverName), Text(environment), Text(monitorName)) != FALSE;
}

}  // namespace os
