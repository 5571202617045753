#include "install/product_printers.h"

#include "core/diagnostics.h"
#include "install/driver_files.h"
#include "platform/kernel.h"
#include "platform/types.h"

namespace {

constexpr const char* kProductDriverNames[] = {
    kXpsDriverName,        "KRV PDF Pro",         "Benchcraft PDF-Writer",
    "Lodestar PDF Writer", "Folyant for Orchard", "Folyant for Brightline",
};

bool Named(const os::PrinterInfo2View& printer, const char* name) {
  return printer.printerName != nullptr && os::lstrcmpiA(printer.printerName, name) == 0;
}

}  // namespace

bool IsProductDriverName(const char* driverName) {
  if (driverName == nullptr) return false;
  for (const char* productName : kProductDriverNames) {
    if (os::lstrcmpiA(driverName, productName) == 0) return true;
  }
  return false;
}

bool IsProductPrinter(const os::PrinterInfo2View& printer) {
  DriverKind kind;
  return IsProductDriverName(printer.driverName) || KindOfInstalledDriver(printer.driverName, nullptr, &kind) ||
         Named(printer, kImagePrinterName);
}

bool HasOwnSettings(const os::PrinterInfo2View& printer) {
  return IsProductDriverName(printer.driverName) && printer.printerName != nullptr &&
         !Named(printer, kImagePrinterName) && !Named(printer, kDefaultPrinterName);
}

SpoolerListing ListPrinters() {
  return ListSpooler([](uint8_t* block, uint32_t size, uint32_t* needed, uint32_t* returned) {
    return os::EnumPrintersA(os::kPrinterEnumLocal, nullptr, 2, block, size, needed, returned);
  });
}

SpoolerListing ListPrintersFor(const char* where) {
  SpoolerListing printers = ListPrinters();
  if (printers.error != 0) LogRunFailure(where, "EnumPrinters failed, error %u", printers.error);
  return printers;
}

SpoolerListing ListDrivers(const Target& target) {
  return ListSpooler([&target](uint8_t* block, uint32_t size, uint32_t* needed, uint32_t* returned) {
    return os::EnumPrinterDriversA(target.environment, 2, block, size, needed, returned);
  });
}

bool IsDriverInUse(const SpoolerListing& printers, const char* driverName) {
  for (uint32_t i = 0; i < printers.count; ++i) {
    const char* used = os::PrinterInfo2At(printers.data(), i).driverName;
    if (used != nullptr && driverName != nullptr && os::lstrcmpiA(used, driverName) == 0) return true;
  }
  return false;
}

bool PrinterExists(const char* printerName) {
  os::OwnedPrinter printer;
  return os::OpenPrinterA(printerName, printer.put(), os::kPrinterAllAccess);
}

bool HasMultipleProductPrinters() {
  const SpoolerListing printers = ListPrintersFor("HasMultipleProductPrinters");
  int count = 0;
  for (uint32_t i = printers.count; i-- > 0;) {
    const os::PrinterInfo2View printer = os::PrinterInfo2At(printers.data(), i);
    if (!IsProductDriverName(printer.driverName) || Named(printer, kImagePrinterName)) continue;
    if (++count >= 2) return true;
  }
  return false;
}
