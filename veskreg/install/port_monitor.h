// The product's port monitor, and the entry point of every printer installation.
#pragma once

#include <cstddef>

inline constexpr const char* kMonitorName = "Folyant Port";
inline constexpr const char* kMonitorLibrary = "folyantm7.dll";
// The printer name buffer every caller of AddMonitor hands in: 259 characters and the terminator.
inline constexpr std::size_t kPrinterNameBufferSize = 260;

// `printerName` is a writable 260-byte buffer; the name may be lengthened in place.
void AddMonitor(char* printerName, int postScript, int xps, int monitorOnly);
// 1 when "Folyant Port" on "folyantm7.dll" is installed; removes legacy monitors on the way.
int MonitorInstalled();
