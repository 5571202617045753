// The print spooler on the real Windows API.
#include "platform/spooler.h"

#include <windows.h>
#include <winspool.h>

namespace os {

static_assert(sizeof(PRINTER_INFO_2A) == kPrinterInfo2Size, "32-bit record layout");

bool EnumPrintersA(uint32_t flags, const char* name, uint32_t level, uint8_t* buffer, uint32_t bufferSize,
                   uint32_t* needed, uint32_t* returned) {
  DWORD neededBytes = 0;
  DWORD count = 0;
  BOOL ok = ::EnumPrintersA(flags, const_cast<char*>(name), level, buffer, bufferSize, &neededBytes, &count);
  *needed = neededBytes;
  *returned = count;
  return ok != FALSE;
}

PrinterInfo2View PrinterInfo2At(const uint8_t* block, uint32_t index) {
  const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(block) + index;
  return PrinterInfo2View{info->pPrinterName, info->pDriverName, info->pPortName, info->Attributes};
}

}  // namespace os
