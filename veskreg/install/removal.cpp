#include "install/removal.h"

#include <cstdint>
#include <cstdio>

#include "core/diagnostics.h"
#include "install/product_printers.h"
#include "install/send_to.h"
#include "platform/handles.h"
#include "platform/kernel.h"
#include "platform/spooler.h"

namespace {

using os::OwnedPrinter;

// The spooler may still hold the deleted printer's driver for a moment.
constexpr uint32_t kDriverReleasePause = 1000;

int LastError() { return static_cast<int>(os::GetLastError()); }

// The driver out of the target's environment; a refusal is one warning "<where>: failed to
// delete printer driver, driver D, error N".
bool DeleteDriver(const char* where, const char* driverName, const Target& target) {
  if (os::DeletePrinterDriverA(nullptr, target.environment, driverName)) return true;
  LogAppEvent(os::kEventlogWarningType, "%s: failed to delete printer driver, driver %s, error %d", where, driverName,
              LastError());
  return false;
}

// The driver name the spooler reports for an open printer; `driverName` keeps what it
// holds when the spooler cannot say. Asked in the environment the driver is then deleted
// from: the process's own default would miss the x64 driver of a -x64 run.
void ReadDriverName(os::PrinterHandle printer, const char* printerName, char (&driverName)[kPrinterNameSize],
                    const char* environment) {
  uint32_t needed = 0;
  os::GetPrinterDriverA(printer, environment, 1, nullptr, 0, &needed);
  os::OwnedLocalBlock block(os::LocalAlloc(os::kLmemZeroInit, needed));
  if (!block) return;
  auto* info = static_cast<uint8_t*>(block.get());
  if (!os::GetPrinterDriverA(printer, environment, 1, info, needed, &needed)) {
    LogAppEvent(os::kEventlogWarningType, "DeletePDFPrinter: failed to get printer driver, printer %s, error %d",
                printerName, LastError());
    return;
  }
  if (const char* name = os::DriverInfo1Name(info); name != nullptr) {
    std::snprintf(driverName, sizeof driverName, "%s", name);
  }
}

}  // namespace

bool DeletePDFPrinterInstance(const char* printerName) {
  if (printerName == nullptr) return false;
  OwnedPrinter printer;
  if (!os::OpenPrinterA(printerName, printer.put(), os::kPrinterAllAccess)) {
    LogAppEvent(os::kEventlogWarningType, "DeletePDFPrinterInstance: OpenPrinter failed, printer %s error %d",
                printerName, LastError());
    return false;
  }
  if (!os::DeletePrinter(printer.get())) {
    LogAppEvent(os::kEventlogWarningType, "DeletePDFPrinterInstance: DeletePrinter failed, error %d", LastError());
    return false;
  }
  LogAppEvent(os::kEventlogInformationType, "DeletePDFPrinterInstance: Deleted printer %s", printerName);
  return true;
}

void DeletePDFPrinter(const char* printerName, os::PrinterHandle handle, const Target& target,
                      const char* knownDriverName) {
  OwnedPrinter printer(handle);
  if (printerName == nullptr) return;

  char driverName[kPrinterNameSize];
  std::snprintf(driverName, sizeof driverName, "%s", knownDriverName != nullptr ? knownDriverName : printerName);

  if (knownDriverName == nullptr) {
    uint32_t openError = 0;
    if (!printer && !os::OpenPrinterA(printerName, printer.put(), os::kPrinterAllAccess)) {
      openError = os::GetLastError();
      LogAppEvent(os::kEventlogWarningType, "DeletePDFPrinter: failed to open printer %s, error %d", printerName,
                  static_cast<int>(openError));
    }
    if (printer) {
      ReadDriverName(printer.get(), printerName, driverName, target.environment);
    } else {
      // The open's own error, not whatever the logging in between left behind.
      LogAppEvent(os::kEventlogWarningType, "DeletePDFPrinter: NULL printer handle, printer %s, error %d", printerName,
                  static_cast<int>(openError));
    }
  }
  printer.reset();

  if (DeletePDFPrinterInstance(printerName)) {
    os::Sleep(kDriverReleasePause);
    // Refused while another printer still uses the driver; that printer's removal takes it.
    DeleteDriver("DeletePDFPrinter", driverName, target);
  }
  DeleteSendToShortcut(printerName);
}

bool checkPrinterInstalled(const char* printerName, const Target& target) {
  if (printerName == nullptr) return true;
  os::PrinterHandle handle = nullptr;
  if (os::OpenPrinterA(printerName, &handle, os::kPrinterAllAccess)) {
    LogAppEvent(os::kEventlogInformationType, "checkPrinterInstalled: printer exists, deleting printer %s",
                printerName);
    DeletePDFPrinter(printerName, handle, target);
  }
  return true;
}

void DeleteAllProductPrinters(const Target& target) {
  {
    // Taken once: the deletions below do not change the entries already read.
    const SpoolerListing printers = ListPrintersFor("DeleteAllProductPrinters");
    if (printers.error != 0) return;
    for (uint32_t i = printers.count; i-- > 0;) {
      os::PrinterInfo2View printer = os::PrinterInfo2At(printers.data(), i);
      if (printer.printerName == nullptr || !IsProductDriverName(printer.driverName)) continue;
      DeletePDFPrinter(printer.printerName, nullptr, target, printer.driverName);
    }
  }
  // What is left now: a driver in use stays, whoever's printer uses it.
  const SpoolerListing printers = ListPrintersFor("DeleteAllProductPrinters");
  if (printers.error != 0) return;
  const SpoolerListing drivers = ListDrivers(target);
  if (drivers.error != 0) {
    LogRunFailure("DeleteAllProductPrinters", "EnumPrinterDrivers failed, error %u", drivers.error);
    return;
  }
  for (uint32_t i = 0; i < drivers.count; ++i) {
    const char* driverName = os::DriverInfo2At(drivers.data(), i).name;
    if (!IsProductDriverName(driverName) || IsDriverInUse(printers, driverName)) continue;
    if (DeleteDriver("DeleteAllProductPrinters", driverName, target)) {
      LogAppEvent(os::kEventlogInformationType, "DeleteAllProductPrinters: Deleted printer driver %s", driverName);
    }
  }
}
