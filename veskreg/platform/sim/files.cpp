// Files on the simulated machine.
#include "platform/files.h"

#include "platform/kernel.h"
#include "platform/sim/machine.h"

namespace os {

bool FileExists(const char* path) {
  sim::Machine& m = sim::machine();
  if (m.Enter("OpenFile")) return false;
  if (path == nullptr || !m.files.Exists(path)) {
    SetLastError(kErrorFileNotFound);
    return false;
  }
  return true;
}

}  // namespace os
