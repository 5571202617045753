// The diagnostic log, string-table message boxes and child processes shared by every
// operation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/types.h"

#if defined(__MINGW32__)
#define VESKREG_PRINTF_FORMAT(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#else
#define VESKREG_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#endif

inline constexpr const char* kEventSourceName = "Folyant App";
inline constexpr uint32_t kAppEventId = 100;
// Room for a formatted log text, terminator included.
inline constexpr int kLogTextSize = 512;

// Formats printf-style (cut at 511 characters), writes the text to the debugger output,
// then as one entry (id 100, category 0, one insertion string) under "Folyant App".
void LogAppEvent(uint16_t eventType, const char* format, ...) VESKREG_PRINTF_FORMAT(2, 3);

// A message box with the string-table text and caption; returns the button that closed
// it, or 0 after the fallback box that names a missing entry.
int ShowResourceMessage(os::WindowHandle owner, uint32_t textId, uint32_t captionId, uint32_t style);
// As above; the text entry is a format with one "%s" place, filled with `argument`.
int ShowResourceMessageFormatted(os::WindowHandle owner, uint32_t textId, uint32_t captionId, uint32_t style,
                                 const char* argument);

// Fills the first "%s" of a string-table format with `text` and, when `number` is given,
// the first "%d" with it; "%%" stands for "%" and everything else is copied as it is.
// The result is cut to fit `size` and never shares storage with the format, so a text
// from the string table is never read as a printf format.
void FillMessagePlaces(char* out, size_t size, const char* format, const char* text, const int* number = nullptr);

// Starts the program the command line names; with `wait`, returns when it has ended.
// A process that cannot be started is logged and otherwise treated as if it had run.
void RunCommand(char* commandLine, bool wait);
