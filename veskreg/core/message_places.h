// Filling the places of a string-table message. Plain text work, no system call.
#pragma once

#include <cstddef>

// Fills the first "%s" of a string-table format with `text` and, when `number` is given,
// the first "%d" with it; "%%" stands for "%" and everything else is copied as it is.
// The result is cut to fit `size` and never shares storage with the format, so a text
// from the string table is never read as a printf format.
void FillMessagePlaces(char* out, size_t size, const char* format, const char* text, const int* number = nullptr);
