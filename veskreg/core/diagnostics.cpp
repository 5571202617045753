#include "core/diagnostics.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/eventlog.h"
#include "platform/handles.h"
#include "platform/kernel.h"
#include "platform/window.h"

namespace {

constexpr int kMessageTextSize = 256;
constexpr size_t kProgramPathSize = 260;
constexpr int kCaptionSize = 260;
constexpr const char* kFallbackCaption = "Vesk Harrow Systems";

// Loads text and caption; on a missing entry shows the fallback box and returns false.
bool LoadMessageTexts(os::WindowHandle owner, uint32_t textId, uint32_t captionId, char (&text)[kMessageTextSize],
                      char (&caption)[kCaptionSize]) {
  if (os::LoadStringA(textId, text, kMessageTextSize) == 0) {
    std::snprintf(text, sizeof text, "LoadString message error %d", static_cast<int>(textId));
  } else if (os::LoadStringA(captionId, caption, kCaptionSize) == 0) {
    std::snprintf(text, sizeof text, "LoadString caption error %d", static_cast<int>(captionId));
  } else {
    return true;
  }
  ShowBox(owner, text, kFallbackCaption, os::kMbIconError);
  return false;
}

RunFailures* gRunFailures = nullptr;

// printf-style into a log text, a cut never ending in half a character.
void FormatLogText(char (&text)[kLogTextSize], const char* format, va_list args) {
  const int length = std::vsnprintf(text, sizeof text, format, args);
  if (length >= static_cast<int>(sizeof text)) DropSplitCharacter(text, AnsiLeadByte);
}

}  // namespace

RunFailures::RunFailures(bool withholdBoxes) : withholdBoxes_(withholdBoxes) { gRunFailures = this; }
RunFailures::~RunFailures() { gRunFailures = nullptr; }

bool BoxesWithheld() { return gRunFailures != nullptr && gRunFailures->WithholdsBoxes(); }

void RunFailures::Keep(const char* text) {
  if (text == nullptr) return;
  std::string line;
  for (const char* at = text; *at != '\0'; ++at) {
    if (*at != '\r' && *at != '\n') {
      line += *at;
    } else if (!line.empty() && line.back() != ' ') {
      line += ' ';
    }
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  texts_.push_back(std::move(line));
}

void LogRunFailure(const char* where, const char* format, ...) {
  char text[kLogTextSize];
  va_list args;
  va_start(args, format);
  FormatLogText(text, format, args);
  va_end(args);
  LogAppEvent(os::kEventlogErrorType, "%s: %s", where, text);
  if (gRunFailures != nullptr) gRunFailures->Keep(text);
}

int ShowBox(os::WindowHandle owner, const char* text, const char* caption, uint32_t style) {
  if (!BoxesWithheld()) return os::MessageBoxA(owner, text, caption, style);
  gRunFailures->Keep(text);
  return os::kIdOk;
}

void LogAppEvent(uint16_t eventType, const char* format, ...) {
  char text[kLogTextSize];
  va_list args;
  va_start(args, format);
  FormatLogText(text, format, args);
  va_end(args);
  MaskControlCharacters(text);

  os::OutputDebugStringA(text);
  os::OwnedEventSource source(os::RegisterEventSourceA(kEventSourceName));
  if (!source) return;
  os::ReportEventA(source.get(), eventType, 0, kAppEventId, text);
}

int ShowResourceMessage(os::WindowHandle owner, uint32_t textId, uint32_t captionId, uint32_t style) {
  char text[kMessageTextSize] = {};
  char caption[kCaptionSize] = {};
  if (!LoadMessageTexts(owner, textId, captionId, text, caption)) return 0;
  return ShowBox(owner, text, caption, style);
}

int ShowResourceMessageFormatted(os::WindowHandle owner, uint32_t textId, uint32_t captionId, uint32_t style,
                                 const char* argument) {
  char format[kMessageTextSize] = {};
  char caption[kCaptionSize] = {};
  if (!LoadMessageTexts(owner, textId, captionId, format, caption)) return 0;
  char shown[kMessageTextSize] = {};
  if (argument != nullptr) {
    std::snprintf(shown, sizeof shown, "%s", argument);
    MaskControlCharacters(shown);
  }
  char text[kMessageTextSize];
  FillMessagePlaces(text, sizeof text, format, argument != nullptr ? shown : nullptr);
  return ShowBox(owner, text, caption, style);
}

void RunCommand(SystemFolder folder, const char* program, char* commandLine, bool wait) {
  char path[kProgramPathSize];
  uint32_t error = 0;
  os::StartupInfo startup;
  startup.cb = os::kStartupInfoSize;
  os::ProcessInformation process;
  if (!SystemFolderPath(folder, path, &error, "\\", program) ||
      !os::CreateProcessA(path, commandLine, startup, &process)) {
    if (error == 0) error = os::GetLastError();
    LogAppEvent(os::kEventlogErrorType, "Unable to create process %s, last error 0x%x", commandLine, error);
    return;
  }
  os::OwnedKernelHandle processHandle(process.process);
  os::OwnedKernelHandle threadHandle(process.thread);
  if (wait) os::WaitForSingleObject(processHandle.get(), os::kInfinite);
  processHandle.reset();
  threadHandle.reset();
}
