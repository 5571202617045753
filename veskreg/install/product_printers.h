// Which installed printers belong to the product, and the walk over the installed
// printers that the removal and settings operations share.
#pragma once

#include <cstddef>
#include <cstdint>

#include "install/printer_names.h"
#include "platform/handles.h"
#include "platform/spooler.h"

// True when the driver name is one of the product's six, in any letter case.
bool IsProductDriverName(const char* driverName);

// True from two product printers on, the image printer not counted.
bool HasMultipleProductPrinters();

// True when a printer of that name can be opened (and it is closed again at once).
bool PrinterExists(const char* printerName);

// The local printers at level 2, asked for their size first and then read into one
// zero-filled block; walk them with At(Count()-1) down to At(0). A block that cannot be
// allocated, or an enumeration that fails, yields no entries.
class PrinterEnumeration {
 public:
  PrinterEnumeration();
  bool Allocated() const { return static_cast<bool>(block_); }
  uint32_t Count() const { return count_; }
  os::PrinterInfo2View At(uint32_t index) const;

 private:
  os::OwnedLocalBlock block_;
  uint32_t count_ = 0;
};
