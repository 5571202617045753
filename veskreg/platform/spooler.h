// The print spooler on the local machine.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace os {

// Size of one PRINTER_INFO_2 record as 32-bit Windows lays it out.
inline constexpr uint32_t kPrinterInfo2Size = 84;

// EnumPrintersA(flags, no name, level 2). With too small a buffer it fails with 122 and
// sets *needed to the byte count 32-bit Windows would need.
bool EnumPrintersA(uint32_t flags, const char* name, uint32_t level, uint8_t* buffer, uint32_t bufferSize,
                   uint32_t* needed, uint32_t* returned);

// The fields of a PRINTER_INFO_2 entry the logic reads, taken from a block that
// EnumPrintersA filled. Strings point into the block; absent ones are null.
struct PrinterInfo2View {
  const char* printerName = nullptr;
  const char* driverName = nullptr;
  const char* portName = nullptr;
  uint32_t attributes = 0;
};
PrinterInfo2View PrinterInfo2At(const uint8_t* block, uint32_t index);

}  // namespace os
