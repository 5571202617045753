// The path of a printer's Send To shortcut. Plain text work, no system call.
#pragma once

#include <cstddef>

#include "core/code_page.h"

// The Send To folder's path and the shortcut's path are held in buffers of this size.
inline constexpr std::size_t kSendToPathSize = 260;

// Fills `buffer` (kSendToPathSize bytes) with the folder's path + "\" + fileName, or
// leaves it as it was: for an empty folder path, a name that is no single plain file
// name, or a whole that does not fit.
// The name is judged by the characters of the code page `isLeadByte` describes.
void JoinSendToPath(const char (&folderPath)[kSendToPathSize], const char* fileName, char* buffer,
                    LeadByteTest isLeadByte = AnsiLeadByte);
