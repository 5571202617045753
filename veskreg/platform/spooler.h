// The print spooler on the local machine.
#pragma once

#include <cstdint>

#include "platform/handles.h"
#include "platform/types.h"

namespace os {

// Loads the spooler library from the system directory by its full path, once for the
// process; false when it cannot be had (every spooler call then fails with 1722, as with
// a stopped spooler). Bound at start-up, before the shell could load it by name.
bool BindSpoolerLibrary();

// Spooler error codes beyond the shared ones.

// Size of one PRINTER_INFO_2 record as 32-bit Windows lays it out.
inline constexpr uint32_t kPrinterInfo2Size = 84;

// EnumPrintersA(flags, no name, level 2). With too small a buffer it fails with 122 and
// sets *needed to the byte count 32-bit Windows would need.
bool EnumPrintersA(uint32_t flags, const char* name, uint32_t level, uint8_t* buffer, uint32_t bufferSize,
                   uint32_t* needed, uint32_t* returned);

// The fields of a PRINTER_INFO_2 entry the logic reads, taken from a block that
// EnumPrintersA filled. Strings point into the block; absent ones are null.
struct PrinterInfo2View {
  const char* printerName = nullptr;
  const char* driverName = nullptr;
  const char* portName = nullptr;
  const char* printProcessor = nullptr;
  uint32_t attributes = 0;
};
PrinterInfo2View PrinterInfo2At(const uint8_t* block, uint32_t index);

inline constexpr uint32_t kPrinterAllAccess = 0x000F000C;
inline constexpr uint32_t kPrinterAttributeDirect = 0x00000002;
inline constexpr uint32_t kPrinterAttributeLocal = 0x00000040;
inline constexpr uint32_t kPrinterAttributeKeepPrintedJobs = 0x00000100;

// OpenPrinterA with defaults of no data type, no device mode and the given access.
bool OpenPrinterA(const char* printerName, PrinterHandle* printer, uint32_t desiredAccess);
bool ClosePrinter(PrinterHandle printer);
bool DeletePrinter(PrinterHandle printer);

// The PRINTER_INFO_2 fields the program fills; every other field is zero or absent.
struct PrinterInfo2 {
  const char* printerName = nullptr;
  const char* portName = nullptr;
  const char* driverName = nullptr;
  const char* printProcessor = nullptr;
  const char* datatype = nullptr;
  uint32_t attributes = 0;
};
PrinterHandle AddPrinterA(const char* serverName, uint32_t level, const PrinterInfo2& printer);

// DRIVER_INFO_3 (level 3) or its first six fields (level 2).
struct DriverInfo3 {
  uint32_t version = 0;
  const char* name = nullptr;
  const char* environment = nullptr;
  const char* driverPath = nullptr;
  const char* dataFile = nullptr;
  const char* configFile = nullptr;
  const char* helpFile = nullptr;
  const char* dependentFiles = nullptr;  // multi-string
  const char* monitorName = nullptr;
  const char* defaultDataType = nullptr;
};
bool AddPrinterDriverA(const char* serverName, uint32_t level, const DriverInfo3& driver);
bool DeletePrinterDriverA(const char* serverName, const char* environment, const char* driverName);
// GetPrinterDriverA at level 1 (DRIVER_INFO_1: one name pointer) or level 2 (DRIVER_INFO_2).
// No environment means the caller's own, "Windows NT x86" for this 32-bit program. With
// too small a buffer it fails with 122 and sets *needed.
bool GetPrinterDriverA(PrinterHandle printer, const char* environment, uint32_t level, uint8_t* buffer,
                       uint32_t bufferSize, uint32_t* needed);
// pName of the index-th DRIVER_INFO_1 record of a block GetPrinterDriverA or
// EnumPrinterDriversA filled.
const char* DriverInfo1Name(const uint8_t* block, uint32_t index = 0);
// EnumPrinterDriversA(no server, environment, level 1 or 2): the drivers installed for one
// environment. With too small a buffer it fails with 122 and sets *needed.
bool EnumPrinterDriversA(const char* environment, uint32_t level, uint8_t* buffer, uint32_t bufferSize,
                         uint32_t* needed, uint32_t* returned);
// The index-th DRIVER_INFO_2 record (24 bytes on 32-bit Windows) of a level-2 block.
inline constexpr uint32_t kDriverInfo2Size = 24;
struct DriverInfo2View {
  uint32_t version = 0;
  const char* name = nullptr;
  const char* environment = nullptr;
  const char* driverPath = nullptr;
  const char* dataFile = nullptr;
  const char* configFile = nullptr;
};
DriverInfo2View DriverInfo2At(const uint8_t* block, uint32_t index = 0);

// MONITOR_INFO_2 records, 12 bytes each on 32-bit Windows (level 1: the name alone, 4 bytes).
inline constexpr uint32_t kMonitorInfo2Size = 12;
struct MonitorInfo2 {
  const char* name = nullptr;
  const char* environment = nullptr;
  const char* dllName = nullptr;
};
bool EnumMonitorsA(const char* serverName, uint32_t level, uint8_t* buffer, uint32_t bufferSize, uint32_t* needed,
                   uint32_t* returned);
MonitorInfo2 MonitorInfo2At(const uint8_t* block, uint32_t index);
// EnumPortsA(no server, level 2): every port with the monitor that serves it (PORT_INFO_2,
// 20 bytes each on 32-bit Windows). With too small a buffer it fails with 122.
inline constexpr uint32_t kPortInfo2Size = 20;
bool EnumPortsA(uint32_t level, uint8_t* buffer, uint32_t bufferSize, uint32_t* needed, uint32_t* returned);
struct PortInfo2View {
  const char* portName = nullptr;
  const char* monitorName = nullptr;
};
PortInfo2View PortInfo2At(const uint8_t* block, uint32_t index);
bool AddMonitorA(const char* serverName, uint32_t level, const MonitorInfo2& monitor);
bool DeleteMonitorA(const char* serverName, const char* environment, const char* monitorName);

using OwnedPrinter = Owned<PrinterHandle, ClosePrinter>;

}  // namespace os
