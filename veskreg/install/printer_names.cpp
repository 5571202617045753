#include "install/printer_names.h"

#include <cstdio>
#include <cstring>

bool ValidatePrinterName(const char* name, LeadByteTest isLeadByte) {
  if (name == nullptr || *name == '\0') return false;
  return !AnySingleByteCharacter(name, isLeadByte,
                                 [](unsigned char c) { return std::strchr("<>:?&=|*\"[]/\\%", c) != nullptr; });
}

std::string FirstFreeCopyName(bool (*taken)(const char* name)) {
  char name[kPrinterNameSize];
  for (int n = 1;; ++n) {
    std::snprintf(name, sizeof name, "Folyant (Copy %d)", n);
    if (!taken(name)) return name;
  }
}
