// The product's settings in the registry, and the security of the spooler's printer keys.
#pragma once

#include <cstdint>

#include "install/printer_key_rights.h"
#include "install/settings_keys.h"
#include "platform/registry.h"

// The buffer StopAutoName reads settings texts into.
inline constexpr uint32_t kSettingsTextCapacity = 520;

bool SaveStringRegEx(os::RegistryKey root, const char* keyPath, const char* valueName, const char* text,
                     uint32_t valueType);
bool SaveDwordReg(const char* keyPath, const char* valueName, uint32_t value);
bool ReadSettingDword(const char* settingsName, const char* valueName, uint32_t* value, bool deleteValue);
char* ReadSettingString(const char* settingsName, char* buffer, uint32_t capacity, const char* valueName,
                        bool deleteValue);
void StopAutoName();
// The descriptor of `rights` (install/printer_key_rights.h), empty when it cannot be built.
os::OwnedLocalBlock GetOpenSecurityDescriptor(const char* rights);
void SetOpenKeySecurity(os::RegistryKey parent, const char* subKeyName, const char* rights);
bool SetPrinterKeySecurity(const char* printerName);
// The judgement of the rights on a printer's key, or with `driverData` on its
// "PrinterDriverData"; false when the key cannot be opened or its security read.
bool ReadPrinterKeyRights(const char* printerName, bool driverData, KeyRights* judged);
