// Plain types and constants shared by the logic and the seam.
// The values are Windows' own, so the logic reads like the Windows calling sequence.
#pragma once

#include <cstdint>

namespace os {

// Opaque handle types; distinct so a printer handle cannot be closed as a key.
struct PrinterObject;
struct EventSourceObject;
struct KernelObject;
struct WindowObject;
using PrinterHandle = PrinterObject*;
using EventSourceHandle = EventSourceObject*;
using KernelHandle = KernelObject*;  // process and thread handles
using WindowHandle = WindowObject*;

// Win32 error codes the logic names.
inline constexpr uint32_t kErrorModNotFound = 126;
inline constexpr uint32_t kErrorInsufficientBuffer = 122;
inline constexpr uint32_t kRpcServerUnavailable = 1722;
inline constexpr uint32_t kErrorPrintMonitorAlreadyInstalled = 3006;

// Event-log entry types.
inline constexpr uint16_t kEventlogErrorType = 1;
inline constexpr uint16_t kEventlogWarningType = 2;
inline constexpr uint16_t kEventlogInformationType = 4;

// Message box styles and answers.
inline constexpr uint32_t kMbIconError = 0x00000010;
inline constexpr uint32_t kMbIconWarning = 0x00000030;
inline constexpr uint32_t kMbIconInformation = 0x00000040;
inline constexpr uint32_t kMbSystemModal = 0x00001000;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// EnumPrinters flags.
inline constexpr uint32_t kPrinterEnumLocal = 0x00000002;

// WaitForSingleObject.
inline constexpr uint32_t kInfinite = 0xFFFFFFFF;
inline constexpr uint32_t kWaitFailed = 0xFFFFFFFF;

// LocalAlloc flags.
inline constexpr uint32_t kLmemZeroInit = 0x0040;

}  // namespace os
