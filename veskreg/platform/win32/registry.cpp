// The registry and key security on the real Windows API.
#include "platform/registry.h"

#include <windows.h>

namespace os {
namespace {
HKEY Native(RegistryKey key) { return reinterpret_cast<HKEY>(key); }
PSECURITY_DESCRIPTOR Native(AbsoluteSecurityDescriptor* descriptor) { return descriptor->bytes; }
static_assert(sizeof(AbsoluteSecurityDescriptor) >= SECURITY_DESCRIPTOR_MIN_LENGTH);
}  // namespace

int32_t RegOpenKeyExA(RegistryKey root, const char* subKey, uint32_t options, uint32_t access, RegistryKey* result) {
  HKEY key = nullptr;
  LONG status = ::RegOpenKeyExA(Native(root), subKey, options, access, result != nullptr ? &key : nullptr);
  if (result != nullptr) *result = status == ERROR_SUCCESS ? reinterpret_cast<RegistryKey>(key) : nullptr;
  return status;
}

int32_t RegCreateKeyExA(RegistryKey root, const char* subKey, uint32_t options, uint32_t access, RegistryKey* result,
                        uint32_t* disposition) {
  HKEY key = nullptr;
  DWORD how = 0;
  LONG status = ::RegCreateKeyExA(Native(root), subKey, 0, nullptr, options, access, nullptr,
                                  result != nullptr ? &key : nullptr, &how);
  if (result != nullptr) *result = status == ERROR_SUCCESS ? reinterpret_cast<RegistryKey>(key) : nullptr;
  if (disposition != nullptr && status == ERROR_SUCCESS) *disposition = how;
  return status;
}

int32_t RegQueryValueExA(RegistryKey key, const char* valueName, uint32_t* type, uint8_t* data, uint32_t* size) {
  DWORD valueType = 0;
  DWORD bytes = size != nullptr ? *size : 0;
  LONG status =
      ::RegQueryValueExA(Native(key), valueName, nullptr, &valueType, data, size != nullptr ? &bytes : nullptr);
  if (type != nullptr && (status == ERROR_SUCCESS || status == ERROR_MORE_DATA)) *type = valueType;
  if (size != nullptr) *size = bytes;
  return status;
}

int32_t RegSetValueExA(RegistryKey key, const char* valueName, uint32_t type, const uint8_t* data, uint32_t size) {
  return ::RegSetValueExA(Native(key), valueName, 0, type, data, size);
}

int32_t RegDeleteValueA(RegistryKey key, const char* valueName) { return ::RegDeleteValueA(Native(key), valueName); }

int32_t RegCloseKey(RegistryKey key) { return ::RegCloseKey(Native(key)); }

int32_t RegSetKeySecurity(RegistryKey key, uint32_t information, const void* descriptor) {
  return ::RegSetKeySecurity(Native(key), information, const_cast<void*>(descriptor));
}

bool InitializeSecurityDescriptor(AbsoluteSecurityDescriptor* descriptor, uint32_t revision) {
  return ::InitializeSecurityDescriptor(Native(descriptor), revision) != FALSE;
}

bool SetSecurityDescriptorDacl(AbsoluteSecurityDescriptor* descriptor, bool daclPresent, const void* dacl,
                               bool daclDefaulted) {
  return ::SetSecurityDescriptorDacl(Native(descriptor), daclPresent, static_cast<PACL>(const_cast<void*>(dacl)),
                                     daclDefaulted) != FALSE;
}

bool MakeSelfRelativeSD(AbsoluteSecurityDescriptor* absolute, void* selfRelative, uint32_t* size) {
  DWORD bytes = *size;
  BOOL ok = ::MakeSelfRelativeSD(Native(absolute), selfRelative, &bytes);
  *size = bytes;
  return ok != FALSE;
}

uint32_t ExpandEnvironmentStringsA(const char* source, char* destination, uint32_t size) {
  return ::ExpandEnvironmentStringsA(source, destination, size);
}

}  // namespace os
