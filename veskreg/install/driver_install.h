// Installing one driver of the product and creating one printer on it.
#pragma once

#include <cstdint>

#include "core/target.h"
#include "install/driver_files.h"

// What every printer the installation makes is set up with.
inline constexpr const char* kProductPort = "PDFFILE:";
// The system's own port, taken when the product's port monitor could not be installed.
inline constexpr const char* kFilePort = "FILE:";
inline constexpr const char* kPrintProcessor = "winprint";
inline constexpr const char* kDataType = "RAW";

// Non-zero on success. Called only by AddMonitor.
int InstallPrinter(const char* printerName, int useFilePort, DriverKind kind, const Target& target);
// Non-zero when the spooler accepted the driver.
int InstallPrinterDriver(const char* driverName, DriverKind kind, const Target& target);
void CheckDependentFiles(const char* list, const Target& target);
void CheckIfFileExists(const char* path, const Target& target);
// Shows a failed step to the user. `error` is the code of the call that failed, taken
// by the caller right after it, so later logging cannot change what is reported.
void AddPrinterError(const char* step, uint32_t error, const Target& target);
