// The paths of the product's settings keys. Plain text work, no system call.
#pragma once

#include <cstdint>

#include "core/text_buffers.h"
#include "install/printer_names.h"

// The user and machine settings keys of a name are this prefix + the name.
inline constexpr const char* kSettingsKeyPrefix = "Software\\Vesk Harrow Systems\\";
// The product's own settings key, under either root.
inline constexpr const char* kProductSettingsKey = "Software\\Vesk Harrow Systems\\Folyant";
// The value that names a printer's default output file, and what -stopautoname writes
// into it: one blank.
inline constexpr const char* kDefaultFileNameValue = "PDFDefaultFileName";
inline constexpr const char* kStoppedDefaultFileName = " ";
// Where older versions kept the user's settings of a name: this prefix + the name.
inline constexpr const char* kLegacyUserPrefix = "Software\\VB and VBA Program Settings\\Vesk Harrow Systems\\";

// Walks the settings lookup chain: the legacy user key, the user key and the machine key
// of `ownName` (none when null), then the same three of "Folyant". `visit(machine, path)`
// returns true to stop; a key whose path does not fit its buffer is passed over. Returns
// whether a visit stopped.
template <typename Visit>
bool WalkSettingsKeys(const char* ownName, Visit visit) {
  struct Place {
    bool machine;
    const char* prefix;
  };
  constexpr Place places[] = {{false, kLegacyUserPrefix}, {false, kSettingsKeyPrefix}, {true, kSettingsKeyPrefix}};
  const char* names[2] = {ownName, kDefaultPrinterName};
  for (const char* settingsName : names) {
    if (settingsName == nullptr) continue;
    for (const Place& place : places) {
      char path[kKeyPathSize];
      if (!JoinWhole(path, place.prefix, settingsName)) continue;
      if (visit(place.machine, path)) return true;
    }
  }
  return false;
}
