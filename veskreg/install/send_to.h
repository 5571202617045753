// The Send To shortcut that accompanies each printer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/shell.h"

// True when the shortcut was saved.
bool CreateSendToShortcut(const char* printerName);
void DeleteSendToShortcut(const char* printerName);
// Fills a 260-byte buffer with the Send To folder + "\" + fileName, or leaves it as it was.
void BuildSendToPath(const char* fileName, char* buffer);

// The printer's item in the shell's Printers folder as an absolute item-ID list, allocated
// from `allocator`; null when the folder does not list the printer under that name.
os::ItemIdList FindPrinterShellItem(const char* printerName, os::MallocHandle allocator);

// The size of an item-ID list: every item's size plus the 2-byte terminator; 0 for none.
size_t ItemIdListSize(os::ConstItemIdList list);
