// The diagnostic log, string-table message boxes and child processes shared by every
// operation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

// While a run checks itself afterwards (-verify), what its operation could not do is kept
// for the report. With -quiet as well nobody may be there to close a box (a fleet tool's
// LocalSystem run in session 0): no box is shown and its text is kept instead. One per
// run, alive while the operation runs.
class RunFailures {
 public:
  explicit RunFailures(bool withholdBoxes);
  ~RunFailures();
  RunFailures(const RunFailures&) = delete;
  RunFailures& operator=(const RunFailures&) = delete;
  // Each a line of its own: line breaks of a box become spaces.
  const std::vector<std::string>& Texts() const { return texts_; }
  bool WithholdsBoxes() const { return withholdBoxes_; }
  void Keep(const char* text);

 private:
  bool withholdBoxes_;
  std::vector<std::string> texts_;
};

// True while the run's boxes are withheld: nothing may wait on a window.
bool BoxesWithheld();
// An operation's failure: one error entry "<where>: <text>" and, while a run checks
// itself, the text kept for the report.
void LogRunFailure(const char* where, const char* format, ...) VESKREG_PRINTF_FORMAT(2, 3);

// A message box, or while boxes are withheld its text kept for the report and IDOK.
int ShowBox(os::WindowHandle owner, const char* text, const char* caption, uint32_t style);

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
