// Files on the real Windows API.
#include "platform/files.h"

#include <windows.h>

#include "platform/win32/substitution_point.h"

namespace os {

uint32_t GetFileAttributesA(const char* path) {
  if (substitution::Fails("GetFileAttributesA", path)) return kInvalidFileAttributes;
  return ::GetFileAttributesA(path);
}

bool FileExists(const char* path) {
  if (substitution::Fails("OpenFile", path)) return false;
  OFSTRUCT info{};
  return ::OpenFile(path, &info, OF_EXIST) != HFILE_ERROR;
}

}  // namespace os
