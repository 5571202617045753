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
  os::MessageBoxA(owner, text, kFallbackCaption, os::kMbIconError);
  return false;
}

}  // namespace

void FillMessagePlaces(char* out, size_t size, const char* format, const char* text, const int* number) {
  if (size == 0) return;
  char numberText[16] = {};
  if (number != nullptr) std::snprintf(numberText, sizeof numberText, "%d", *number);
  size_t used = 0;
  auto put = [&](const char* piece) {
    for (; *piece != '\0'; ++piece) {
      if (used + 1 < size) out[used++] = *piece;
    }
  };
  bool textPlaced = false;
  bool numberPlaced = number == nullptr;
  for (const char* p = format; *p != '\0'; ++p) {
    if (p[0] == '%' && p[1] == '%') {
      put("%");
      ++p;
    } else if (!textPlaced && p[0] == '%' && p[1] == 's') {
      put(text != nullptr ? text : "(null)");
      textPlaced = true;
      ++p;
    } else if (!numberPlaced && p[0] == '%' && p[1] == 'd') {
      put(numberText);
      numberPlaced = true;
      ++p;
    } else {
      const char single[2] = {*p, '\0'};
      put(single);
    }
  }
  out[used] = '\0';
}

void LogAppEvent(uint16_t eventType, const char* format, ...) {
  char text[kLogTextSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);

  os::OutputDebugStringA(text);
  os::OwnedEventSource source(os::RegisterEventSourceA(kEventSourceName));
  if (!source) return;
  os::ReportEventA(source.get(), eventType, 0, kAppEventId, text);
}

int ShowResourceMessage(os::WindowHandle owner, uint32_t textId, uint32_t captionId, uint32_t style) {
  char text[kMessageTextSize] = {};
  char caption[kCaptionSize] = {};
  if (!LoadMessageTexts(owner, textId, captionId, text, caption)) return 0;
  return os::MessageBoxA(owner, text, caption, style);
}

int ShowResourceMessageFormatted(os::WindowHandle owner, uint32_t textId, uint32_t captionId, uint32_t style,
                                 const char* argument) {
  char format[kMessageTextSize] = {};
  char caption[kCaptionSize] = {};
  if (!LoadMessageTexts(owner, textId, captionId, format, caption)) return 0;
  char text[kMessageTextSize];
  FillMessagePlaces(text, sizeof text, format, argument);
  return os::MessageBoxA(owner, text, caption, style);
}

void RunCommand(char* commandLine, bool wait) {
  os::StartupInfo startup;
  startup.cb = os::kStartupInfoSize;
  os::ProcessInformation process;
  if (!os::CreateProcessA(commandLine, startup, &process)) {
    uint32_t error = os::GetLastError();
    LogAppEvent(os::kEventlogErrorType, "Unable to create process %s, last error 0x%x", commandLine, error);
    return;
  }
  os::OwnedKernelHandle processHandle(process.process);
  os::OwnedKernelHandle threadHandle(process.thread);
  if (wait) os::WaitForSingleObject(processHandle.get(), os::kInfinite);
  processHandle.reset();
  threadHandle.reset();
}
