#include "install/send_to_path.h"

#include <strings.h>

#include <cstring>

namespace {

// "LPT1.lnk", like "LPT1", names the printer port itself on Windows up to 10, whatever
// follows the first dot and however the letters are cased: a shortcut written there goes
// to the device, and one "deleted" there is not a file.
bool NamesDevice(const char* name) {
  size_t length = std::strcspn(name, ".");
  while (length > 0 && name[length - 1] == ' ') --length;
  static constexpr const char* kDevices[] = {"CON", "PRN", "AUX", "NUL"};
  for (const char* device : kDevices) {
    if (length == 3 && strncasecmp(name, device, 3) == 0) return true;
  }
  return length == 4 && (strncasecmp(name, "COM", 3) == 0 || strncasecmp(name, "LPT", 3) == 0) && name[3] >= '1' &&
         name[3] <= '9';
}

// A printer name becomes a file name in the Send To folder. A name that is no single
// plain file name (a path separator would reach outside the folder, a wildcard would
// make the deletion take other shortcuts, a colon names a stream, a device name is no
// file) gets no path.
bool IsPlainFileName(const char* name, LeadByteTest isLeadByte) {
  if (*name == '\0' || NamesDevice(name)) return false;
  return !AnySingleByteCharacter(name, isLeadByte,
                                 [](unsigned char c) { return c < 32 || std::strchr("\\/:*?\"<>|", c) != nullptr; });
}

}  // namespace

void JoinSendToPath(const char (&folderPath)[kSendToPathSize], const char* fileName, char* buffer,
                    LeadByteTest isLeadByte) {
  size_t folderLength = strnlen(folderPath, kSendToPathSize - 1);
  size_t nameLength = std::strlen(fileName);
  if (folderLength == 0 || !IsPlainFileName(fileName, isLeadByte) || folderLength + 1 + nameLength >= kSendToPathSize)
    return;
  std::memcpy(buffer, folderPath, folderLength);
  buffer[folderLength] = '\\';
  std::memcpy(buffer + folderLength + 1, fileName, nameLength + 1);
}
