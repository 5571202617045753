// The registry and key security on the simulated machine.
#include "platform/registry.h"

#include <cctype>
#include <cstring>
#include <string>

#include "platform/kernel.h"
#include "platform/sim/machine.h"

namespace os {
namespace {

constexpr uint16_t kSeDaclPresent = 0x0004;
constexpr uint16_t kSeSelfRelative = 0x8000;
constexpr uint32_t kSelfRelativeHeaderSize = 20;
constexpr int32_t kErrorInvalidSecurityDescriptor = 1338;

// The full path of an open key or a predefined root; empty for an unknown handle.
std::string PathOf(sim::Machine& m, RegistryKey key, uint32_t* access) {
  auto id = reinterpret_cast<uintptr_t>(key);
  if (id == 0x80000001u || id == 0x80000002u) {
    if (access != nullptr) *access = kKeyAllAccess;
    return id == 0x80000001u ? "HKCU" : "HKLM";
  }
  auto it = m.openKeys.find(id);
  if (it == m.openKeys.end()) return {};
  if (access != nullptr) *access = it->second.access;
  return it->second.path;
}

RegistryKey OpenHandleFor(sim::Machine& m, const std::string& path, uint32_t access) {
  uintptr_t handle = m.OpenHandle(sim::HandleKind::RegistryKey);
  m.openKeys[handle] = sim::Machine::OpenKey{path, access};
  return reinterpret_cast<RegistryKey>(handle);
}

// The rights an open asks for, with generic rights folded to the key rights they stand
// for and the WOW64 view flags dropped.
uint32_t RequestedRights(uint32_t access) {
  uint32_t rights = access & kKeyAllAccess;
  if ((access & 0x80000000u) != 0) rights |= kKeyRead;       // GENERIC_READ
  if ((access & 0x40000000u) != 0) rights |= kKeyWrite;      // GENERIC_WRITE
  if ((access & 0x20000000u) != 0) rights |= kKeyRead;       // GENERIC_EXECUTE
  if ((access & 0x10000000u) != 0) rights |= kKeyAllAccess;  // GENERIC_ALL
  return rights;
}

// Key name components are limited to 255 characters.
bool HasOverlongComponent(const char* subKey) {
  size_t run = 0;
  for (const char* p = subKey; p != nullptr && *p != '\0'; ++p) {
    run = *p == '\\' ? 0 : run + 1;
    if (run > 255) return true;
  }
  return false;
}

// A fault armed for a registry call is its return status, as the real calls report.
bool Faulted(sim::Machine& m, const char* call, int32_t* status) {
  if (!m.Enter(call)) return false;
  *status = static_cast<int32_t>(GetLastError());
  return true;
}

int32_t OpenOrCreate(const char* call, RegistryKey root, const char* subKey, uint32_t access, RegistryKey* result,
                     uint32_t* disposition, bool create) {
  sim::Machine& m = sim::machine();
  int32_t status = 0;
  if (result != nullptr) *result = nullptr;
  if (Faulted(m, call, &status)) return status;
  if (result == nullptr) return kErrorInvalidParameter;
  std::string parent = PathOf(m, root, nullptr);
  if (parent.empty()) return kErrorInvalidHandle;
  std::string path = sim::Registry::Join(parent, subKey != nullptr ? subKey : "");
  sim::RegistryKeyState* key = m.registry.FindKey(path);
  if (key == nullptr) {
    if (!create) return kErrorFileNotFound;
    if (HasOverlongComponent(subKey)) return kErrorInvalidParameter;
    // Creating needs the right to add a subkey to the nearest existing parent.
    std::string existing = path;
    while (!existing.empty() && m.registry.FindKey(existing) == nullptr) {
      size_t cut = existing.rfind('\\');
      existing = cut == std::string::npos ? std::string() : existing.substr(0, cut);
    }
    const sim::RegistryKeyState* ancestor = m.registry.FindKey(existing);
    if (ancestor != nullptr && (ancestor->grantedAccess & kKeyCreateSubKey) == 0) return kErrorAccessDenied;
    key = &m.registry.CreateKey(path);
    if (disposition != nullptr) *disposition = 1;  // REG_CREATED_NEW_KEY
  } else if (disposition != nullptr) {
    *disposition = 2;  // REG_OPENED_EXISTING_KEY
  }
  uint32_t requested = RequestedRights(access);
  if ((requested & ~key->grantedAccess) != 0) return kErrorAccessDenied;
  uint32_t granted = (access & kMaximumAllowed) != 0 ? key->grantedAccess : requested;
  *result = OpenHandleFor(m, key->path, granted);
  return 0;
}

}  // namespace

int32_t RegOpenKeyExA(RegistryKey root, const char* subKey, uint32_t, uint32_t access, RegistryKey* result) {
  return OpenOrCreate("RegOpenKeyExA", root, subKey, access, result, nullptr, false);
}

int32_t RegCreateKeyExA(RegistryKey root, const char* subKey, uint32_t, uint32_t access, RegistryKey* result,
                        uint32_t* disposition) {
  return OpenOrCreate("RegCreateKeyExA", root, subKey, access, result, disposition, true);
}

int32_t RegQueryValueExA(RegistryKey key, const char* valueName, uint32_t* type, uint8_t* data, uint32_t* size) {
  sim::Machine& m = sim::machine();
  int32_t status = 0;
  if (Faulted(m, "RegQueryValueExA", &status)) return status;
  uint32_t access = 0;
  std::string path = PathOf(m, key, &access);
  if (path.empty()) return kErrorInvalidHandle;
  if ((access & kKeyQueryValue) == 0) return kErrorAccessDenied;
  const sim::RegistryValue* value = m.registry.FindValue(path, valueName != nullptr ? valueName : "");
  if (value == nullptr) return kErrorFileNotFound;
  if (type != nullptr) *type = value->type;
  auto needed = static_cast<uint32_t>(value->data.size());
  if (size == nullptr) return data == nullptr ? 0 : kErrorInvalidParameter;
  if (data != nullptr && *size < needed) {
    *size = needed;
    return kErrorMoreData;
  }
  if (data != nullptr && needed != 0) std::memcpy(data, value->data.data(), needed);
  *size = needed;
  return 0;
}

int32_t RegSetValueExA(RegistryKey key, const char* valueName, uint32_t type, const uint8_t* data, uint32_t size) {
  sim::Machine& m = sim::machine();
  int32_t status = 0;
  if (Faulted(m, "RegSetValueExA", &status)) return status;
  uint32_t access = 0;
  std::string path = PathOf(m, key, &access);
  if (path.empty()) return kErrorInvalidHandle;
  if ((access & kKeySetValue) == 0) return kErrorAccessDenied;
  if (data == nullptr && size != 0) return 998;  // ERROR_NOACCESS
  std::vector<uint8_t> bytes(data, data + size);
  m.registry.SetValue(path, valueName != nullptr ? valueName : "", type, std::move(bytes));
  return 0;
}

int32_t RegDeleteValueA(RegistryKey key, const char* valueName) {
  sim::Machine& m = sim::machine();
  int32_t status = 0;
  if (Faulted(m, "RegDeleteValueA", &status)) return status;
  uint32_t access = 0;
  std::string path = PathOf(m, key, &access);
  if (path.empty()) return kErrorInvalidHandle;
  if ((access & kKeySetValue) == 0) return kErrorAccessDenied;
  return m.registry.DeleteValue(path, valueName != nullptr ? valueName : "") ? 0 : kErrorFileNotFound;
}

int32_t RegCloseKey(RegistryKey key) {
  sim::Machine& m = sim::machine();
  m.Enter("RegCloseKey");
  auto id = reinterpret_cast<uintptr_t>(key);
  if (id == 0x80000001u || id == 0x80000002u) return 0;  // predefined keys close without effect
  if (!m.CloseHandle(id, sim::HandleKind::RegistryKey)) return kErrorInvalidHandle;
  m.openKeys.erase(id);
  return 0;
}

int32_t RegSetKeySecurity(RegistryKey key, uint32_t information, const void* descriptor) {
  sim::Machine& m = sim::machine();
  int32_t status = 0;
  if (Faulted(m, "RegSetKeySecurity", &status)) return status;
  uint32_t access = 0;
  std::string path = PathOf(m, key, &access);
  if (path.empty()) return kErrorInvalidHandle;
  if ((access & kWriteDac) == 0) return kErrorAccessDenied;
  if (descriptor == nullptr) return kErrorInvalidParameter;
  const auto* bytes = static_cast<const uint8_t*>(descriptor);
  if (bytes[0] != kSecurityDescriptorRevision) return kErrorInvalidSecurityDescriptor;
  uint16_t control;
  std::memcpy(&control, bytes + 2, 2);
  // Self-relative: the DACL's offset follows owner, group and SACL. The sim's absolute
  // descriptors only ever carry a NULL DACL pointer.
  uint32_t daclOffset = 0;
  if ((control & kSeSelfRelative) != 0) std::memcpy(&daclOffset, bytes + 16, 4);
  sim::RegistryKeyState* state = m.registry.FindKey(path);
  if (state == nullptr) return kErrorFileNotFound;
  if ((information & kDaclSecurityInformation) != 0) {
    state->nullDacl = (control & kSeDaclPresent) != 0 && daclOffset == 0;
    ++state->securityWrites;
  }
  return 0;
}

// The sim's descriptors carry the header fields the program sets: revision, control,
// and a DACL that is only ever absent or NULL.
bool InitializeSecurityDescriptor(AbsoluteSecurityDescriptor* descriptor, uint32_t revision) {
  sim::Machine& m = sim::machine();
  if (m.Enter("InitializeSecurityDescriptor")) return false;
  if (revision != kSecurityDescriptorRevision) {
    SetLastError(1305);  // ERROR_UNKNOWN_REVISION
    return false;
  }
  std::memset(descriptor->bytes, 0, sizeof descriptor->bytes);
  descriptor->bytes[0] = static_cast<uint8_t>(revision);
  return true;
}

bool SetSecurityDescriptorDacl(AbsoluteSecurityDescriptor* descriptor, bool daclPresent, const void* dacl, bool) {
  sim::Machine& m = sim::machine();
  if (m.Enter("SetSecurityDescriptorDacl")) return false;
  if (dacl != nullptr) {
    SetLastError(kErrorInvalidParameter);  // the sim models only the NULL DACL
    return false;
  }
  uint16_t control;
  std::memcpy(&control, descriptor->bytes + 2, 2);
  control = daclPresent ? (control | kSeDaclPresent) : (control & ~kSeDaclPresent);
  std::memcpy(descriptor->bytes + 2, &control, 2);
  return true;
}

bool MakeSelfRelativeSD(AbsoluteSecurityDescriptor* absolute, void* selfRelative, uint32_t* size) {
  sim::Machine& m = sim::machine();
  if (m.Enter("MakeSelfRelativeSD")) return false;
  if (selfRelative == nullptr || *size < kSelfRelativeHeaderSize) {
    *size = kSelfRelativeHeaderSize;
    SetLastError(kErrorInsufficientBuffer);
    return false;
  }
  auto* out = static_cast<uint8_t*>(selfRelative);
  std::memset(out, 0, kSelfRelativeHeaderSize);
  out[0] = absolute->bytes[0];
  uint16_t control;
  std::memcpy(&control, absolute->bytes + 2, 2);
  control |= kSeSelfRelative;
  std::memcpy(out + 2, &control, 2);
  *size = kSelfRelativeHeaderSize;
  return true;
}

uint32_t ExpandEnvironmentStringsA(const char* source, char* destination, uint32_t size) {
  sim::Machine& m = sim::machine();
  if (m.Enter("ExpandEnvironmentStringsA")) return 0;
  std::string out;
  for (const char* p = source; *p != '\0'; ++p) {
    const char* end = *p == '%' ? std::strchr(p + 1, '%') : nullptr;
    if (end != nullptr) {
      std::string name(p + 1, end);
      for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      auto it = m.environment.find(name);
      // An unknown name stays as written, both percent signs included, and the text
      // goes on after its closing sign.
      out += it != m.environment.end() ? it->second : std::string(p, end + 1);
      p = end;
      continue;
    }
    out += *p;
  }
  auto needed = static_cast<uint32_t>(out.size() + 1);
  if (destination != nullptr && size >= needed) std::memcpy(destination, out.c_str(), needed);
  return needed;
}

}  // namespace os
