// Installing one driver of the product and creating one printer on it.
#pragma once

#include <cstdint>

// Non-zero on success. Called only by AddMonitor.
int InstallPrinter(const char* printerName, int useFilePort, int postScript, int xps);
// Non-zero when the spooler accepted the driver.
int InstallPrinterDriver(const char* driverName, int postScript, int xps);
void CheckDependentFiles(const char* list);
void CheckIfFileExists(const char* path);
// Shows a failed step to the user. `error` is the code of the call that failed, taken
// by the caller right after it, so later logging cannot change what is reported.
void AddPrinterError(const char* step, uint32_t error);
