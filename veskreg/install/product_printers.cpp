#include "install/product_printers.h"

#include "platform/kernel.h"
#include "platform/types.h"

namespace {

constexpr const char* kProductDriverNames[] = {
    "Folyant-A",           "KRV PDF Pro",         "Benchcraft PDF-Writer",
    "Lodestar PDF Writer", "Folyant for Orchard", "Folyant for Brightline",
};

}  // namespace

bool IsProductDriverName(const char* driverName) {
  if (driverName == nullptr) return false;
  for (const char* productName : kProductDriverNames) {
    if (os::lstrcmpiA(driverName, productName) == 0) return true;
  }
  return false;
}

PrinterEnumeration::PrinterEnumeration() {
  uint32_t needed = 0;
  uint32_t returned = 0;
  os::EnumPrintersA(os::kPrinterEnumLocal, nullptr, 2, nullptr, 0, &needed, &returned);
  block_ = os::OwnedLocalBlock(os::LocalAlloc(os::kLmemZeroInit, needed));
  if (!block_) return;
  if (os::EnumPrintersA(os::kPrinterEnumLocal, nullptr, 2, static_cast<uint8_t*>(block_.get()), needed, &needed,
                        &returned)) {
    count_ = returned;
  }
}

os::PrinterInfo2View PrinterEnumeration::At(uint32_t index) const {
  return os::PrinterInfo2At(static_cast<const uint8_t*>(block_.get()), index);
}

bool PrinterExists(const char* printerName) {
  os::PrinterHandle printer = nullptr;
  if (!os::OpenPrinterA(printerName, &printer, os::kPrinterAllAccess)) return false;
  os::ClosePrinter(printer);
  return true;
}

bool HasMultipleProductPrinters() {
  PrinterEnumeration printers;
  if (!printers.Allocated()) return false;
  int count = 0;
  for (uint32_t i = printers.Count(); i-- > 0;) {
    os::PrinterInfo2View printer = printers.At(i);
    if (!IsProductDriverName(printer.driverName)) continue;
    if (printer.printerName != nullptr && os::lstrcmpiA(printer.printerName, kImagePrinterName) == 0) continue;
    if (++count >= 2) return true;
  }
  return false;
}
