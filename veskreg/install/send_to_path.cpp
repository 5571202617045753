#include "install/send_to_path.h"

#include <cstring>

namespace {

// A printer name becomes a file name in the Send To folder. A name that is no single
// plain file name (a path separator would reach outside the folder, a wildcard would
// make the deletion take other shortcuts, a colon names a stream) gets no path.
bool IsPlainFileName(const char* name) {
  if (*name == '\0') return false;
  for (const char* c = name; *c != '\0'; ++c) {
    if (static_cast<unsigned char>(*c) < 32 || std::strchr("\\/:*?\"<>|", *c) != nullptr) return false;
  }
  return true;
}

}  // namespace

void JoinSendToPath(const char (&folderPath)[kSendToPathSize], const char* fileName, char* buffer) {
  size_t folderLength = strnlen(folderPath, kSendToPathSize - 1);
  size_t nameLength = std::strlen(fileName);
  if (folderLength == 0 || !IsPlainFileName(fileName) || folderLength + 1 + nameLength >= kSendToPathSize) return;
  std::memcpy(buffer, folderPath, folderLength);
  buffer[folderLength] = '\\';
  std::memcpy(buffer + folderLength + 1, fileName, nameLength + 1);
}
