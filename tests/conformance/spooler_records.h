// Records the spooler cases add through the seam, shared by the conformance suite and
// the sim-only spooler cases so both arrange printers the same way.
#pragma once

#include "platform/spooler.h"

namespace spooler_records {

// A local printer on `driver` at `port`, added at level 2; null with the spooler's
// error when it is refused.
inline os::PrinterHandle AddPrinter(const char* name, const char* driver, const char* port = "FILE:") {
  os::PrinterInfo2 record;
  record.printerName = name;
  record.driverName = driver;
  record.portName = port;
  record.printProcessor = "winprint";
  record.datatype = "RAW";
  record.attributes = os::kPrinterAttributeLocal;
  return os::AddPrinterA(nullptr, 2, record);
}

}  // namespace spooler_records
