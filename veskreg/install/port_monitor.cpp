#include "install/port_monitor.h"

#include <cstdint>
#include <cstring>

#include "core/diagnostics.h"
#include "install/driver_install.h"
#include "install/product_printers.h"
#include "install/removal.h"
#include "platform/kernel.h"
#include "platform/spooler.h"
#include "platform/types.h"

namespace {

// The monitors are read once into a fixed block; a spooler with more monitors than fit
// fails the call with 122, which counts as "not installed" and leads to AddMonitorA.
constexpr uint32_t kMonitorEnumerationSize = 4096;

bool IsDefaultPrinterName(const char* name) {
  return os::lstrcmpiA(name, kDefaultPrinterName) == 0 || os::lstrcmpiA(name, kImagePrinterName) == 0;
}

// Appends one varying digit so the second attempt runs under another name. A name that
// already fills the buffer has no room for it and is left as it is.
bool LengthenName(char (&printerName)[kPrinterNameSize]) {
  const void* end = std::memchr(printerName, '\0', kPrinterNameSize);
  std::size_t length = end == nullptr ? kPrinterNameSize : static_cast<const char*>(end) - printerName;
  if (length + 1 >= kPrinterNameSize) {
    LogAppEvent(os::kEventlogErrorType, "AddMonitor: printer name %.*s has no room for another character, not retried",
                static_cast<int>(length), printerName);
    return false;
  }
  printerName[length] = static_cast<char>('0' + os::GetTickCount() % 10);
  printerName[length + 1] = '\0';
  return true;
}

}  // namespace

int MonitorInstalled() {
  alignas(8) uint8_t monitors[kMonitorEnumerationSize] = {};
  uint32_t needed = 0;
  uint32_t returned = 0;
  if (!os::EnumMonitorsA(nullptr, 2, monitors, sizeof monitors, &needed, &returned)) {
    LogAppEvent(os::kEventlogErrorType, "MonitorInstalled: failed to enum port monitors, last error 0x%x",
                static_cast<unsigned>(os::GetLastError()));
    return 0;
  }
  // The count never exceeds what the block holds; the bound guards against one that would.
  const uint32_t fits = kMonitorEnumerationSize / os::kMonitorInfo2Size;
  for (uint32_t i = 0; i < returned && i < fits; ++i) {
    os::MonitorInfo2 monitor = os::MonitorInfo2At(monitors, i);
    if (monitor.name == nullptr || std::strcmp(monitor.name, kMonitorName) != 0) continue;
    if (monitor.dllName != nullptr && os::lstrcmpiA(monitor.dllName, kMonitorLibrary) == 0) return 1;
    if (os::DeleteMonitorA(nullptr, monitor.environment, monitor.name)) {
      LogAppEvent(os::kEventlogInformationType, "MonitorInstalled: successfully deleted legacy port monitor %s",
                  monitor.name);
    } else {
      LogAppEvent(os::kEventlogErrorType, "MonitorInstalled: failed to delete legacy port monitor %s, last error 0x%x",
                  monitor.name, static_cast<unsigned>(os::GetLastError()));
    }
  }
  return 0;
}

void AddMonitor(char (&printerName)[kPrinterNameSize], DriverKind kind, int monitorOnly, const Target& target) {
  if (!monitorOnly) checkPrinterInstalled(printerName, target);

  int useFilePort = 0;
  if (MonitorInstalled() == 0) {
    const os::MonitorInfo2 monitor{kMonitorName, target.environment, kMonitorLibrary};
    if (!os::AddMonitorA(nullptr, 2, monitor)) {
      uint32_t error = os::GetLastError();
      if (error == os::kErrorPrintMonitorAlreadyInstalled) {
        LogAppEvent(os::kEventlogWarningType, "AddMonitor: already installed, error %d", static_cast<int>(error));
      } else {
        // Without the product's port the printers still work, printing to the system's file port.
        AddPrinterError("AddMonitor", error, target);
        useFilePort = 1;
      }
    }
  }
  if (monitorOnly) return;

  if (InstallPrinter(printerName, useFilePort, kind, target) == 0 && LengthenName(printerName)) {
    InstallPrinter(printerName, useFilePort, kind, target);
  }
  if (IsDefaultPrinterName(printerName)) return;

  // The default printer follows the driver kind of the printer just added.
  if (!PrinterExists(kDefaultPrinterName)) return;
  checkPrinterInstalled(kDefaultPrinterName, target);
  InstallPrinter(kDefaultPrinterName, useFilePort, kind, target);
}
