// The product's settings in the registry, and the security of the spooler's printer keys.
#pragma once

#include <cstdint>

#include "platform/registry.h"

bool SaveStringRegEx(os::RegistryKey root, const char* keyPath, const char* valueName, const char* text,
                     uint32_t valueType);
bool SaveDwordReg(const char* keyPath, const char* valueName, uint32_t value);
bool ReadSettingDword(const char* settingsName, const char* valueName, uint32_t* value, bool deleteValue);
char* ReadSettingString(const char* settingsName, char* buffer, uint32_t capacity, const char* valueName,
                        bool deleteValue);
void StopAutoName();
const void* GetOpenSecurityDescriptor();
void SetOpenKeySecurity(os::RegistryKey parent, const char* subKeyName);
bool SetPrinterKeySecurity(const char* printerName);
