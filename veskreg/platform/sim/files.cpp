// Files on the simulated machine.
#include "platform/files.h"

#include <cstring>

#include "platform/kernel.h"
#include "platform/sim/machine.h"

namespace os {

bool FileExists(const char* path) {
  sim::Machine& m = sim::machine();
  if (m.Enter("OpenFile")) return false;
  // OpenFile keeps the full path in its record's 128-byte field: a longer path cannot be
  // opened at all, whether or not the file is there.
  constexpr size_t kOfsMaxPathName = 128;
  if (path != nullptr && std::strlen(path) >= kOfsMaxPathName) {
    SetLastError(206);  // ERROR_FILENAME_EXCED_RANGE
    return false;
  }
  if (path == nullptr || !m.files.Exists(path)) {
    SetLastError(kErrorFileNotFound);
    return false;
  }
  return true;
}

}  // namespace os
