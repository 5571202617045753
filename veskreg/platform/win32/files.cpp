// Files on the real Windows API.
#include "platform/files.h"

#include <windows.h>

#include "platform/win32/substitution_point.h"

namespace os {

uint32_t GetFileAttributesA(const char* path) {
  if (substitution::Fails("GetFileAttributesA", path)) return kInvalidFileAttributes;
  uint32_t answered = 0;
  if (substitution::Answers("GetFileAttributesA", &answered)) return answered;
  return ::GetFileAttributesA(path);
}

bool DeleteFileA(const char* path) {
  if (substitution::Fails("DeleteFileA", path)) return false;
  return ::DeleteFileA(path) != FALSE;
}

bool FileExists(const char* path) {
  if (substitution::Fails("OpenFile", path)) return false;
  OFSTRUCT info{};
  return ::OpenFile(path, &info, OF_EXIST) != HFILE_ERROR;
}

KernelHandle GetStdHandle(uint32_t which) {
  if (substitution::Fails("GetStdHandle", nullptr, nullptr, which)) return nullptr;
  HANDLE handle = ::GetStdHandle(which);
  return handle == INVALID_HANDLE_VALUE ? nullptr : reinterpret_cast<KernelHandle>(handle);
}

uint32_t GetFileType(KernelHandle file) {
  if (substitution::Fails("GetFileType")) return FILE_TYPE_UNKNOWN;
  return ::GetFileType(reinterpret_cast<HANDLE>(file));
}

bool WriteFile(KernelHandle file, const char* text, uint32_t size) {
  if (substitution::Fails("WriteFile", text, nullptr, size)) return false;
  DWORD written = 0;
  return ::WriteFile(reinterpret_cast<HANDLE>(file), text, size, &written, nullptr) != FALSE && written == size;
}

}  // namespace os
