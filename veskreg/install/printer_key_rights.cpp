#include "install/printer_key_rights.h"

#include <cstring>

namespace {

constexpr uint32_t kKeyRead = 0x20019;
constexpr uint32_t kKeyQueryAndSetValue = 0x20003;
constexpr uint32_t kKeyWrite = 0x20006;
constexpr uint32_t kKeyAllAccess = 0xF003F;

constexpr uint16_t kDaclPresent = 0x0004;
constexpr uint16_t kSelfRelative = 0x8000;
constexpr uint8_t kAccessAllowed = 0x0;
constexpr uint8_t kAccessDenied = 0x1;
constexpr uint8_t kAccessDeniedObject = 0x6;
constexpr uint8_t kAccessDeniedCallback = 0xA;
constexpr uint8_t kObjectInherit = 0x1;
constexpr uint8_t kContainerInherit = 0x2;
constexpr uint8_t kInheritOnly = 0x8;

// S-1-5-18 and S-1-5-32-544 as stored.
constexpr uint8_t kLocalSystem[] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
constexpr uint8_t kAdministrators[] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};

uint16_t Word(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }
uint32_t Dword(const uint8_t* at) {
  return at[0] | (at[1] << 8) | (at[2] << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

// The length of the SID at `sid`, or 0 when it does not lie whole within `room` bytes.
uint32_t SidLength(const uint8_t* sid, uint32_t room) {
  if (room < 8) return 0;
  const uint32_t length = 8 + 4u * sid[1];
  return length <= room ? length : 0;
}

template <uint32_t N>
bool IsSid(const uint8_t* sid, uint32_t length, const uint8_t (&known)[N]) {
  return length == N && std::memcmp(sid, known, N) == 0;
}
bool IsSystemOrAdministrators(const uint8_t* sid, uint32_t length) {
  return IsSid(sid, length, kLocalSystem) || IsSid(sid, length, kAdministrators);
}

// The key rights a mask grants, generic rights spelt out as the registry maps them.
uint32_t KeyRightsOf(uint32_t mask) {
  uint32_t rights = mask & 0x0FFFFFFF;
  if (mask & 0x80000000) rights |= kKeyRead;       // GENERIC_READ
  if (mask & 0x40000000) rights |= kKeyWrite;      // GENERIC_WRITE
  if (mask & 0x20000000) rights |= kKeyRead;       // GENERIC_EXECUTE
  if (mask & 0x10000000) rights |= kKeyAllAccess;  // GENERIC_ALL
  return rights & ~0x02000000u;                    // MAXIMUM_ALLOWED grants nothing itself
}

}  // namespace

KeyRights JudgeKeyRights(const uint8_t* descriptor, uint32_t size, bool driverData) {
  if (descriptor == nullptr || size < 20 || descriptor[0] != 1) return KeyRights::Unreadable;
  const uint16_t control = Word(descriptor + 2);
  if (!(control & kSelfRelative)) return KeyRights::Unreadable;
  const uint32_t owner = Dword(descriptor + 4), dacl = Dword(descriptor + 16);
  // Whoever owns the key may rewrite its rights.
  if (owner != 0) {
    if (owner >= size) return KeyRights::Unreadable;
    const uint32_t length = SidLength(descriptor + owner, size - owner);
    if (length == 0) return KeyRights::Unreadable;
    if (!IsSystemOrAdministrators(descriptor + owner, length)) return KeyRights::OpenToOthers;
  }
  if (!(control & kDaclPresent) || dacl == 0) return KeyRights::NullDacl;
  if (dacl > size || size - dacl < 8) return KeyRights::Unreadable;
  const uint8_t* acl = descriptor + dacl;
  const uint32_t aclSize = Word(acl + 2), count = Word(acl + 4);
  if (aclSize < 8 || aclSize > size - dacl) return KeyRights::Unreadable;
  uint32_t at = 8;
  for (uint32_t i = 0; i < count; ++i) {
    if (aclSize - at < 4) return KeyRights::Unreadable;
    const uint8_t type = acl[at], flags = acl[at + 1];
    const uint16_t aceSize = Word(acl + at + 2);
    if (aceSize < 4 || aceSize > aclSize - at) return KeyRights::Unreadable;
    if (type == kAccessAllowed) {
      if (aceSize < 8) return KeyRights::Unreadable;
      const uint32_t length = SidLength(acl + at + 8, aceSize - 8u);
      if (length == 0) return KeyRights::Unreadable;
      if (!IsSystemOrAdministrators(acl + at + 8, length)) {
        // Reading is everybody's; setting values only in the driver data key itself,
        // never handed down to what lies below it.
        const bool handedDown = (flags & (kObjectInherit | kContainerInherit)) != 0;
        const bool onThisKey = !(flags & kInheritOnly);
        const uint32_t allowed = driverData && onThisKey && !handedDown ? kKeyQueryAndSetValue | kKeyRead : kKeyRead;
        if ((KeyRightsOf(Dword(acl + at + 4)) & ~allowed) != 0) return KeyRights::OpenToOthers;
      }
    } else if (type != kAccessDenied && type != kAccessDeniedObject && type != kAccessDeniedCallback) {
      // An allowing entry of another form (object, callback): not one this program writes.
      return KeyRights::OpenToOthers;
    }
    at += aceSize;
  }
  return KeyRights::Closed;
}
