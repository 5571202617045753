// The Send To shortcut that accompanies each printer.
#pragma once

// True when the shortcut was saved.
bool CreateSendToShortcut(const char* printerName);
void DeleteSendToShortcut(const char* printerName);
// Fills a 260-byte buffer with the Send To folder + "\" + fileName, or leaves it as it was.
void BuildSendToPath(const char* fileName, char* buffer);
