// Files: the questions the program asks of the file system directly.
#pragma once

#include <cstdint>

namespace os {

inline constexpr uint32_t kInvalidFileAttributes = 0xFFFFFFFF;
inline constexpr uint32_t kFileAttributeDirectory = 0x00000010;
inline constexpr uint32_t kFileAttributeReparsePoint = 0x00000400;

// The attributes of what the path names, kInvalidFileAttributes when nothing is there
// (or it cannot be asked).
uint32_t GetFileAttributesA(const char* path);

// OpenFile(path, OF_EXIST): opens and closes the file; true when it exists. Like the
// real call it cannot take a path of 128 characters or more.
bool FileExists(const char* path);

}  // namespace os
