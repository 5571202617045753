// Filling the places of a string-table message. Plain text work, no system call.
#pragma once

#include <cstddef>

#include "core/code_page.h"

// Fills the first "%s" of a string-table format with `text` and, when `number` is given,
// the first "%d" with it; "%%" stands for "%" and everything else is copied as it is.
// The result is cut to fit `size` and never shares storage with the format, so a text
// from the string table is never read as a printf format.
// Shows each control character (a byte below 0x20, or 0x7F) of the NUL-terminated `text`
// as "?", in place: names from the spooler or a command line could otherwise break or
// forge the lines of a report, a log entry or a box. No trail byte of a double-byte
// character is in that range, so every character of the code page stays whole.
void MaskControlCharacters(char* text);

// A cut never ends in half a character of the code page `isLeadByte` describes.
void FillMessagePlaces(char* out, size_t size, const char* format, const char* text, const int* number = nullptr,
                       LeadByteTest isLeadByte = AnsiLeadByte);
