// The product's port monitor, and the entry point of every printer installation.
#pragma once

#include "core/target.h"
#include "install/driver_files.h"
#include "install/product_printers.h"

inline constexpr const char* kMonitorName = "Folyant Port";
inline constexpr const char* kMonitorLibrary = "folyantm7.dll";
// The name may be lengthened in place by one character.
void AddMonitor(char (&printerName)[kPrinterNameSize], DriverKind kind, int monitorOnly, const Target& target);
// 1 when "Folyant Port" on "folyantm7.dll" is installed; removes legacy monitors on the way.
int MonitorInstalled();
