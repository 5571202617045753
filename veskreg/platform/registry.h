// The registry, key security and environment expansion.
#pragma once

#include <cstdint>

#include "platform/handles.h"
#include "platform/types.h"

namespace os {

struct RegistryKeyObject;
using RegistryKey = RegistryKeyObject*;

inline RegistryKey HkeyCurrentUser() { return reinterpret_cast<RegistryKey>(static_cast<uintptr_t>(0x80000001u)); }
inline RegistryKey HkeyLocalMachine() { return reinterpret_cast<RegistryKey>(static_cast<uintptr_t>(0x80000002u)); }

inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kRegMultiSz = 7;

inline constexpr uint32_t kKeySetValue = 0x0002;
inline constexpr uint32_t kKeyRead = 0x20019;
inline constexpr uint32_t kKeyWrite = 0x20006;
inline constexpr uint32_t kKeyAllAccess = 0xF003F;
inline constexpr uint32_t kRegOptionNonVolatile = 0;
// Opens a symbolic link key itself instead of the key it leads to.
inline constexpr uint32_t kRegOptionOpenLink = 0x00000008;
inline constexpr uint32_t kReadControl = 0x00020000;
inline constexpr uint32_t kWriteDac = 0x00040000;
inline constexpr uint32_t kWriteOwner = 0x00080000;

inline constexpr uint32_t kOwnerSecurityInformation = 0x00000001;
inline constexpr uint32_t kDaclSecurityInformation = 0x00000004;

// Each returns a Win32 status code (0 on success), as the real calls do. A key name
// component has at most 255 characters: creating a longer one fails with 87, and
// opening one finds nothing (2).
int32_t RegOpenKeyExA(RegistryKey root, const char* subKey, uint32_t options, uint32_t access, RegistryKey* result);
int32_t RegCreateKeyExA(RegistryKey root, const char* subKey, uint32_t options, uint32_t access, RegistryKey* result,
                        uint32_t* disposition);
// With `data`, `*size` is its capacity; a value larger than that fails with 234
// (ERROR_MORE_DATA) and `*size` becomes the size needed. Without `data`, succeeds with the
// size. The bytes come back as stored: a string need not end in NUL.
int32_t RegQueryValueExA(RegistryKey key, const char* valueName, uint32_t* type, uint8_t* data, uint32_t* size);
int32_t RegSetValueExA(RegistryKey key, const char* valueName, uint32_t type, const uint8_t* data, uint32_t size);
int32_t RegDeleteValueA(RegistryKey key, const char* valueName);
int32_t RegCloseKey(RegistryKey key);
int32_t RegSetKeySecurity(RegistryKey key, uint32_t information, const void* descriptor);
// The key's self-relative security descriptor into `descriptor` (capacity `*size`); 122
// with the size needed in `*size` when it does not fit.
int32_t RegGetKeySecurity(RegistryKey key, uint32_t information, void* descriptor, uint32_t* size);

// A self-relative security descriptor built from its text form (SDDL), in a block from
// LocalAlloc that the caller gives back with LocalFree.
inline constexpr uint32_t kSddlRevision1 = 1;
bool ConvertStringSecurityDescriptorToSecurityDescriptorA(const char* text, uint32_t revision, void** descriptor);

// Characters stored including the terminator, or the size needed (nothing usable is
// stored then; some versions ask one byte more than the text needs); 0 on failure.
uint32_t ExpandEnvironmentStringsA(const char* source, char* destination, uint32_t size);

using OwnedRegistryKey = Owned<RegistryKey, RegCloseKey>;

}  // namespace os
