// The Send To shortcut that accompanies each printer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "install/send_to_path.h"
#include "platform/shell.h"

// True when the shortcut was saved.
bool CreateSendToShortcut(const char* printerName);
void DeleteSendToShortcut(const char* printerName);
// Fills a 260-byte buffer with the Send To folder + "\" + fileName, or leaves it as it was.
void BuildSendToPath(const char* fileName, char* buffer);

// The current user's Send To folder; false, with `folder` left as it was, when it cannot be had.
bool GetSendToFolder(char (&folder)[kSendToPathSize]);
// The path of a printer's shortcut in that folder, ".lnk" added unless it ends so; false
// when the printer can have none there.
bool ShortcutPathIn(const char (&folder)[kSendToPathSize], const char* printerName, char (&path)[kSendToPathSize + 1]);

// The printer's item in the shell's Printers folder as an absolute item-ID list, allocated
// from `allocator`; null when the folder does not list the printer under that name.
os::ItemIdList FindPrinterShellItem(const char* printerName, os::MallocHandle allocator);

// The size of an item-ID list: every item's size plus the 2-byte terminator; 0 for none.
size_t ItemIdListSize(os::ConstItemIdList list);
