#include "install/printer_names.h"

#include <cstdio>
#include <cstring>

bool ValidatePrinterName(const char* name) {
  if (name == nullptr || *name == '\0') return false;
  for (const char* p = name; *p != '\0'; ++p) {
    if (std::strchr("<>:?&=|*\"[]/\\%", *p) != nullptr) return false;
  }
  return true;
}

std::string FirstFreeCopyName(bool (*taken)(const char* name)) {
  char name[kPrinterNameSize];
  for (int n = 1;; ++n) {
    std::snprintf(name, sizeof name, "Folyant (Copy %d)", n);
    if (!taken(name)) return name;
  }
}
