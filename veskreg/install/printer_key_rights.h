// Who may do what in a printer's spooler key and its "PrinterDriverData": the rights the
// installation gives them, and the judgement -verify makes of the rights it finds.
// Plain byte work, no system call.
#pragma once

#include <cstdint>

// Owned by Administrators; SYSTEM and Administrators control the key and all below it,
// every other account reads. The spooler, running as SYSTEM, trusts the values there and
// loads the modules they name: nobody else may set values, create subkeys or links,
// delete, or change rights or owner anywhere under it.
inline constexpr const char* kPrinterKeyRights = "O:BAD:P(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;KR;;;WD)";
// The driver's per-printer data: the same, and the signed-in accounts (Users: unlike
// Everyone on old systems, no anonymous caller) also query and set values of this one key.
inline constexpr const char* kPrinterDriverDataRights =
    "O:BAD:P(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;KR;;;WD)(A;;0x20003;;;BU)";

enum class KeyRights {
  Closed,        // nobody but SYSTEM and Administrators can change the key or build under it
  NullDacl,      // no access list: every account may do everything
  OpenToOthers,  // another account owns it, or may change it or build under it
  Unreadable,    // not a self-relative descriptor this check understands
};

// Judges a self-relative security descriptor (owner and DACL) of a printer's key, or with
// `driverData` of its "PrinterDriverData", against the rights above.
KeyRights JudgeKeyRights(const uint8_t* descriptor, uint32_t size, bool driverData);
