// The product's settings in the registry, and the security of the spooler's printer keys.
#pragma once

#include <cstdint>

#include "platform/registry.h"

// The user and machine settings keys of a name are this prefix + the name.
inline constexpr const char* kSettingsKeyPrefix = "Software\\Vesk Harrow Systems\\";
// The product's own settings key, under either root.
inline constexpr const char* kProductSettingsKey = "Software\\Vesk Harrow Systems\\Folyant";

// Key paths are formed in buffers of this size; a path that does not fit is refused.
inline constexpr uint32_t kKeyPathSize = 260;
// The buffer StopAutoName reads settings texts into.
inline constexpr uint32_t kSettingsTextCapacity = 520;

bool SaveStringRegEx(os::RegistryKey root, const char* keyPath, const char* valueName, const char* text,
                     uint32_t valueType);
bool SaveDwordReg(const char* keyPath, const char* valueName, uint32_t value);
bool ReadSettingDword(const char* settingsName, const char* valueName, uint32_t* value, bool deleteValue);
char* ReadSettingString(const char* settingsName, char* buffer, uint32_t capacity, const char* valueName,
                        bool deleteValue);
void StopAutoName();
const void* GetOpenSecurityDescriptor();
// Drops the descriptor built so far, as a new process starts without one.
void ForgetOpenSecurityDescriptor();
void SetOpenKeySecurity(os::RegistryKey parent, const char* subKeyName);
bool SetPrinterKeySecurity(const char* printerName);
