#include "install/settings_store.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "core/diagnostics.h"
#include "core/platform_predicates.h"
#include "core/text_buffers.h"
#include "install/product_printers.h"
#include "platform/kernel.h"

namespace {

constexpr const char* kPrintersKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";
constexpr const char* kPrinterKeyPrefix = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
constexpr uint32_t kReadAndDelete = os::kKeyRead | os::kKeySetValue;

// Walks the settings lookup chain of `name`: its own three keys unless it is empty or
// "Folyant", then the three of "Folyant". `visit(root, path)` returns true to stop; a
// key whose path does not fit its buffer is passed over. Returns whether a visit stopped.
template <typename Visit>
bool WalkSettingsChain(const char* name, Visit visit) {
  bool own = name != nullptr && name[0] != '\0' && os::lstrcmpiA(name, kDefaultPrinterName) != 0;
  return WalkSettingsKeys(own ? name : nullptr, [&](bool machine, const char* path) {
    return visit(machine ? os::HkeyLocalMachine() : os::HkeyCurrentUser(), path);
  });
}

// A REG_EXPAND_SZ text, NUL-terminated within `capacity`, expanded in place; when the
// expansion does not fit, the text stays as stored rather than be cut.
void ExpandInPlace(char* buffer, uint32_t capacity) {
  std::string stored(buffer);
  uint32_t written = os::ExpandEnvironmentStringsA(stored.c_str(), buffer, capacity);
  if (written == 0 || written > capacity) std::memcpy(buffer, stored.c_str(), stored.size() + 1);
  buffer[capacity - 1] = '\0';
}

}  // namespace

bool SaveStringRegEx(os::RegistryKey root, const char* keyPath, const char* valueName, const char* text,
                     uint32_t valueType) {
  os::OwnedRegistryKey key;
  int32_t status = os::RegCreateKeyExA(root, keyPath, os::kRegOptionNonVolatile, os::kKeyWrite, key.put(), nullptr);
  if (status != 0) {
    LogAppEvent(os::kEventlogErrorType, "veskreg SaveStringRegEx: failed to create key %s, error 0x%x",
                keyPath != nullptr ? keyPath : "", static_cast<unsigned>(status));
    return false;
  }
  if (text == nullptr) text = "";
  status = os::RegSetValueExA(key.get(), valueName, valueType, reinterpret_cast<const uint8_t*>(text),
                              static_cast<uint32_t>(std::strlen(text) + 1));
  if (status != 0) {
    LogAppEvent(os::kEventlogErrorType, "veskreg SaveStringRegEx: failed to set value %s, error 0x%x",
                valueName != nullptr ? valueName : "", static_cast<unsigned>(status));
    return false;
  }
  return true;
}

bool SaveDwordReg(const char* keyPath, const char* valueName, uint32_t value) {
  os::OwnedRegistryKey key;
  if (os::RegCreateKeyExA(os::HkeyCurrentUser(), keyPath, os::kRegOptionNonVolatile, os::kKeyWrite, key.put(),
                          nullptr) != 0) {
    return false;
  }
  uint8_t bytes[sizeof value];
  std::memcpy(bytes, &value, sizeof value);
  return os::RegSetValueExA(key.get(), valueName, os::kRegDword, bytes, sizeof bytes) == 0;
}

bool ReadSettingDword(const char* settingsName, const char* valueName, uint32_t* value, bool deleteValue) {
  const uint32_t access = deleteValue ? kReadAndDelete : os::kKeyRead;
  return WalkSettingsChain(settingsName, [&](os::RegistryKey root, const char* path) {
    os::OwnedRegistryKey key;
    if (os::RegOpenKeyExA(root, path, 0, access, key.put()) != 0) return false;
    // Read aside, so a value of fewer than 4 bytes leaves no stale bytes behind.
    uint8_t bytes[4] = {};
    uint32_t size = sizeof bytes;
    uint32_t type = 0;
    bool found = os::RegQueryValueExA(key.get(), valueName, &type, bytes, &size) == 0;
    if (deleteValue) os::RegDeleteValueA(key.get(), valueName);
    if (found && value != nullptr) std::memcpy(value, bytes, sizeof bytes);
    return found;
  });
}

char* ReadSettingString(const char* settingsName, char* buffer, uint32_t capacity, const char* valueName,
                        bool deleteValue) {
  if (buffer == nullptr || capacity == 0) return nullptr;
  const uint32_t access = deleteValue ? kReadAndDelete : os::kKeyRead;
  bool found = WalkSettingsChain(settingsName, [&](os::RegistryKey root, const char* path) {
    os::OwnedRegistryKey key;
    if (os::RegCreateKeyExA(root, path, os::kRegOptionNonVolatile, access, key.put(), nullptr) != 0) return false;
    uint32_t size = capacity;
    uint32_t type = 0;
    if (os::RegQueryValueExA(key.get(), valueName, &type, reinterpret_cast<uint8_t*>(buffer), &size) != 0) {
      return false;
    }
    // The registry keeps strings as written, terminator or not: one that leaves no room
    // for its terminator does not fit, like one larger than the buffer.
    if (size > capacity || (size == capacity && buffer[capacity - 1] != '\0')) return false;
    if (size < capacity) buffer[size] = '\0';
    if (deleteValue) os::RegDeleteValueA(key.get(), valueName);
    if (type == os::kRegExpandSz) ExpandInPlace(buffer, capacity);
    return true;
  });
  if (!found) {
    buffer[0] = '\0';
    return nullptr;
  }
  return buffer;
}

namespace {

// The naming values of every further product printer. A printer without values of its
// own falls back into the keys of "Folyant" and removes what it finds there.
void ClearProductPrinterNaming(char (&text)[kSettingsTextCapacity]) {
  const SpoolerListing printers = ListPrintersFor("StopAutoName");
  for (uint32_t i = printers.count; i-- > 0;) {
    const os::PrinterInfo2View printer = os::PrinterInfo2At(printers.data(), i);
    if (!HasOwnSettings(printer)) continue;
    ReadSettingString(printer.printerName, text, sizeof text, "PDFFileName", true);
    ReadSettingString(printer.printerName, text, sizeof text, "PDFDefaultFileName", true);
    char path[kKeyPathSize];
    if (!JoinWhole(path, kSettingsKeyPrefix, printer.printerName)) {
      LogAppEvent(os::kEventlogWarningType, "StopAutoName: settings key of printer %s is too long, not written",
                  printer.printerName);
      continue;
    }
    SaveStringRegEx(os::HkeyCurrentUser(), path, kDefaultFileNameValue, kStoppedDefaultFileName, os::kRegSz);
  }
}

}  // namespace

void StopAutoName() {
  char text[kSettingsTextCapacity];
  uint32_t persistent = 0;
  ReadSettingDword(kDefaultPrinterName, "persistent", &persistent, true);
  ReadSettingString(kDefaultPrinterName, text, sizeof text, "PDFFileName", true);
  ReadSettingString(kDefaultPrinterName, text, sizeof text, "PDFDefaultFileName", true);
  ReadSettingString(kImagePrinterName, text, sizeof text, "PDFFileName", true);
  ReadSettingString(kImagePrinterName, text, sizeof text, "PDFDefaultFileName", true);
  // The printers' lookups fall back into the keys of "Folyant": the product's own blanks
  // are written after them, or a printer without values would take the blank away again.
  ClearProductPrinterNaming(text);
  SaveStringRegEx(os::HkeyCurrentUser(), "Software\\Vesk Harrow Systems\\Glimmora", kDefaultFileNameValue,
                  kStoppedDefaultFileName, os::kRegSz);
  SaveStringRegEx(os::HkeyCurrentUser(), kProductSettingsKey, kDefaultFileNameValue, kStoppedDefaultFileName,
                  os::kRegSz);
}

os::OwnedLocalBlock GetOpenSecurityDescriptor(const char* rights) {
  void* descriptor = nullptr;
  if (!os::ConvertStringSecurityDescriptorToSecurityDescriptorA(rights, os::kSddlRevision1, &descriptor)) return {};
  return os::OwnedLocalBlock(descriptor);
}

void SetOpenKeySecurity(os::RegistryKey parent, const char* subKeyName, const char* rights) {
  // Windows 10 keeps the spooler's own security on its printer keys.
  if (IsWindows10OrLater()) return;
  // No name would open the parent itself.
  if (subKeyName == nullptr || subKeyName[0] == '\0') return;
  // The key itself, not where a link put in its place would lead; only the rights that
  // rewriting its security takes.
  os::RegistryKey opened = nullptr;
  if (os::RegOpenKeyExA(parent, subKeyName, os::kRegOptionOpenLink, os::kWriteDac | os::kWriteOwner, &opened) != 0) {
    return;
  }
  os::OwnedRegistryKey key(opened);
  os::OwnedLocalBlock descriptor = GetOpenSecurityDescriptor(rights);
  if (descriptor) {
    os::RegSetKeySecurity(key.get(), os::kOwnerSecurityInformation | os::kDaclSecurityInformation, descriptor.get());
  }
}

bool ReadPrinterKeyRights(const char* printerName, bool driverData, KeyRights* judged) {
  char path[kKeyPathSize];
  if (printerName == nullptr || printerName[0] == '\0' ||
      !JoinWhole(path, kPrinterKeyPrefix, printerName, driverData ? "\\PrinterDriverData" : "")) {
    return false;
  }
  os::RegistryKey opened = nullptr;
  if (os::RegOpenKeyExA(os::HkeyLocalMachine(), path, os::kRegOptionOpenLink, os::kReadControl, &opened) != 0) {
    return false;
  }
  os::OwnedRegistryKey key(opened);
  static uint8_t descriptor[4096];
  uint32_t size = sizeof descriptor;
  if (os::RegGetKeySecurity(key.get(), os::kOwnerSecurityInformation | os::kDaclSecurityInformation, descriptor,
                            &size) != 0) {
    return false;
  }
  *judged = JudgeKeyRights(descriptor, size, driverData);
  return true;
}

bool SetPrinterKeySecurity(const char* printerName) {
  // The driver data first, so that the printer's key, once closed, holds nothing open.
  char path[kKeyPathSize];
  if (printerName != nullptr && printerName[0] != '\0' && JoinWhole(path, kPrinterKeyPrefix, printerName)) {
    os::RegistryKey opened = nullptr;
    if (os::RegOpenKeyExA(os::HkeyLocalMachine(), path, 0, os::kKeyRead, &opened) == 0) {
      os::OwnedRegistryKey printer(opened);
      SetOpenKeySecurity(printer.get(), "PrinterDriverData", kPrinterDriverDataRights);
    }
  }
  os::RegistryKey opened = nullptr;
  if (os::RegOpenKeyExA(os::HkeyLocalMachine(), kPrintersKey, 0, os::kKeyRead, &opened) != 0) return false;
  os::OwnedRegistryKey printers(opened);
  SetOpenKeySecurity(printers.get(), printerName, kPrinterKeyRights);
  return true;
}
