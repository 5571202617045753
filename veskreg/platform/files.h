// Files: the questions the program asks of the file system directly.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace os {

inline constexpr uint32_t kInvalidFileAttributes = 0xFFFFFFFF;
inline constexpr uint32_t kFileAttributeDirectory = 0x00000010;
inline constexpr uint32_t kFileAttributeReparsePoint = 0x00000400;

// The attributes of what the path names, kInvalidFileAttributes when nothing is there
// (or it cannot be asked).
uint32_t GetFileAttributesA(const char* path);

// Deletes a file; never a folder, and a symbolic link rather than what it leads to.
bool DeleteFileA(const char* path);

// OpenFile(path, OF_EXIST): opens and closes the file; true when it exists. Like the
// real call it cannot take a path of 128 characters or more.
bool FileExists(const char* path);

// Standard output, where an installer that started the program captures a report. A GUI
// program has a usable one only when its starter redirected it: null otherwise.
inline constexpr uint32_t kStdOutputHandle = static_cast<uint32_t>(-11);
KernelHandle GetStdHandle(uint32_t which);
// What a handle leads to: a file on disk, a character device (a console) or a pipe.
inline constexpr uint32_t kFileTypeDisk = 1;
inline constexpr uint32_t kFileTypePipe = 3;
uint32_t GetFileType(KernelHandle file);
bool WriteFile(KernelHandle file, const char* text, uint32_t size);

}  // namespace os
