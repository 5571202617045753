// Paths under the system's own folders, built whole or not at all.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/text_buffers.h"
#include "platform/kernel.h"

// Where a system program or library is taken from.
enum class SystemFolder { System, Windows };

inline constexpr uint32_t kErrorFilenameExcedRange = 206;
// Paths under the system folders (the driver directory, its files, the monitor library)
// are formed in buffers of this size.
inline constexpr uint32_t kSystemPathSize = 520;

// The folder's path followed by `rest` and `more`, whole, in `path`; false when it cannot
// be had whole, with the reason in `*error` (when given): the system's code, or 206 for a
// path too long.
template <std::size_t N>
bool SystemFolderPath(SystemFolder folder, char (&path)[N], uint32_t* error, const char* rest, const char* more = "") {
  char directory[N];
  const uint32_t length = folder == SystemFolder::System
                              ? os::GetSystemDirectoryA(directory, static_cast<uint32_t>(N))
                              : os::GetSystemWindowsDirectoryA(directory, static_cast<uint32_t>(N));
  const uint32_t reason = length == 0 ? os::GetLastError() : kErrorFilenameExcedRange;
  if (length != 0 && length < N && JoinWhole(path, directory, rest, more)) return true;
  path[0] = '\0';
  if (error != nullptr) *error = reason;
  return false;
}
