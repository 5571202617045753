// Printer names: the product's own, the buffers that hold one, the names a user may give
// a further printer and the names proposed for one. Plain text work, no system call.
#pragma once

#include <cstddef>
#include <string>

#include "core/code_page.h"

inline constexpr const char* kDefaultPrinterName = "Folyant";
inline constexpr const char* kImagePrinterName = "Glimmora";
// Printer names are handled in buffers of this size: 259 characters and the terminator.
inline constexpr std::size_t kPrinterNameSize = 260;

// False for an empty name or one holding any of < > : ? & = | * " [ ] / \ % as a character
// of its own: the second byte of a two-byte character is never taken for one.
bool ValidatePrinterName(const char* name, LeadByteTest isLeadByte = AnsiLeadByte);

// "Folyant (Copy n)" with the smallest n from 1 for which `taken(name)` is false.
std::string FirstFreeCopyName(bool (*taken)(const char* name));
