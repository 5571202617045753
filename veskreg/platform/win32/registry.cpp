// The registry and key security on the real Windows API.
#include "platform/registry.h"

#include <windows.h>
// After windows.h, which it needs.
#include <sddl.h>

#include "platform/win32/substitution_point.h"

namespace os {

using substitution::Fails;
using substitution::Resource;

namespace {
HKEY Native(RegistryKey key) { return reinterpret_cast<HKEY>(key); }
}  // namespace

int32_t RegOpenKeyExA(RegistryKey root, const char* subKey, uint32_t options, uint32_t access, RegistryKey* result) {
  if (result != nullptr) *result = nullptr;
  if (Fails("RegOpenKeyExA", subKey, nullptr, access)) return static_cast<int32_t>(::GetLastError());
  HKEY key = nullptr;
  LONG status = ::RegOpenKeyExA(Native(root), subKey, options, access, result != nullptr ? &key : nullptr);
  if (result != nullptr) *result = status == ERROR_SUCCESS ? reinterpret_cast<RegistryKey>(key) : nullptr;
  if (status == ERROR_SUCCESS && result != nullptr) substitution::Count(Resource::RegistryKey, 1);
  return status;
}

int32_t RegCreateKeyExA(RegistryKey root, const char* subKey, uint32_t options, uint32_t access, RegistryKey* result,
                        uint32_t* disposition) {
  if (result != nullptr) *result = nullptr;
  if (Fails("RegCreateKeyExA", subKey, nullptr, access)) return static_cast<int32_t>(::GetLastError());
  HKEY key = nullptr;
  DWORD how = 0;
  LONG status = ::RegCreateKeyExA(Native(root), subKey, 0, nullptr, options, access, nullptr,
                                  result != nullptr ? &key : nullptr, &how);
  if (result != nullptr) *result = status == ERROR_SUCCESS ? reinterpret_cast<RegistryKey>(key) : nullptr;
  if (status == ERROR_SUCCESS && result != nullptr) substitution::Count(Resource::RegistryKey, 1);
  if (disposition != nullptr && status == ERROR_SUCCESS) *disposition = how;
  return status;
}

int32_t RegQueryValueExA(RegistryKey key, const char* valueName, uint32_t* type, uint8_t* data, uint32_t* size) {
  if (Fails("RegQueryValueExA", valueName)) return static_cast<int32_t>(::GetLastError());
  DWORD valueType = 0;
  DWORD bytes = size != nullptr ? *size : 0;
  LONG status =
      ::RegQueryValueExA(Native(key), valueName, nullptr, &valueType, data, size != nullptr ? &bytes : nullptr);
  if (type != nullptr && (status == ERROR_SUCCESS || status == ERROR_MORE_DATA)) *type = valueType;
  if (size != nullptr) *size = bytes;
  return status;
}

int32_t RegSetValueExA(RegistryKey key, const char* valueName, uint32_t type, const uint8_t* data, uint32_t size) {
  if (Fails("RegSetValueExA", valueName, nullptr, size)) return static_cast<int32_t>(::GetLastError());
  return ::RegSetValueExA(Native(key), valueName, 0, type, data, size);
}

int32_t RegDeleteValueA(RegistryKey key, const char* valueName) {
  if (Fails("RegDeleteValueA", valueName)) return static_cast<int32_t>(::GetLastError());
  return ::RegDeleteValueA(Native(key), valueName);
}

int32_t RegCloseKey(RegistryKey key) {
  substitution::Count(Resource::RegistryKey, -1);
  return ::RegCloseKey(Native(key));
}

int32_t RegSetKeySecurity(RegistryKey key, uint32_t information, const void* descriptor) {
  if (Fails("RegSetKeySecurity", nullptr, nullptr, information)) return static_cast<int32_t>(::GetLastError());
  return ::RegSetKeySecurity(Native(key), information, const_cast<void*>(descriptor));
}

int32_t RegGetKeySecurity(RegistryKey key, uint32_t information, void* descriptor, uint32_t* size) {
  if (Fails("RegGetKeySecurity", nullptr, nullptr, information)) return static_cast<int32_t>(::GetLastError());
  DWORD capacity = *size;
  LONG status = ::RegGetKeySecurity(Native(key), information, descriptor, &capacity);
  *size = capacity;
  return status;
}

bool ConvertStringSecurityDescriptorToSecurityDescriptorA(const char* text, uint32_t revision, void** descriptor) {
  *descriptor = nullptr;
  if (Fails("ConvertStringSecurityDescriptorToSecurityDescriptorA", text)) return false;
  PSECURITY_DESCRIPTOR built = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(text, revision, &built, nullptr)) return false;
  substitution::Count(Resource::LocalBlock, 1);
  *descriptor = built;
  return true;
}

uint32_t ExpandEnvironmentStringsA(const char* source, char* destination, uint32_t size) {
  if (Fails("ExpandEnvironmentStringsA", source, nullptr, size)) return 0;
  return ::ExpandEnvironmentStringsA(source, destination, size);
}

}  // namespace os
