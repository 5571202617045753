// The diagnostic log, string-table message boxes and child processes shared by every
// operation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/message_places.h"
#include "core/system_paths.h"
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

// Starts the system's own `program` by its full path in `folder` (never found through the
// current directory, which an installer's user may be able to write to), with
// `commandLine` as its command line; with `wait`, returns when it has ended. A process
// that cannot be started is logged and otherwise treated as if it had run.
void RunCommand(SystemFolder folder, const char* program, char* commandLine, bool wait);
