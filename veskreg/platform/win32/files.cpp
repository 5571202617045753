// Files on the real Windows API.
#include "platform/files.h"

#include <windows.h>

namespace os {

bool FileExists(const char* path) {
  OFSTRUCT info{};
  return ::OpenFile(path, &info, OF_EXIST) != HFILE_ERROR;
}

}  // namespace os
