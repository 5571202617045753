// The simulated registry: keys by full path ("HKLM\..." or "HKCU\..."), compared
// without regard to case, with values as raw bytes and a small model of key security.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct RegistryValue {
  std::string name;
  uint32_t type = 0;
  std::vector<uint8_t> data;
};

struct RegistryKeyState {
  std::string path;  // as first created
  std::vector<RegistryValue> values;
  // Rights this process is granted on the key; an open asking for more fails with 5.
  uint32_t grantedAccess = 0xF003F;
  // What RegSetKeySecurity last set: true once a descriptor with a NULL DACL was applied.
  bool nullDacl = false;
  int securityWrites = 0;
};

class Registry {
 public:
  // Creates the key and any missing parents; returns it.
  RegistryKeyState& CreateKey(std::string_view path);
  RegistryKeyState* FindKey(std::string_view path);
  const RegistryKeyState* FindKey(std::string_view path) const;
  bool KeyExists(std::string_view path) const { return FindKey(path) != nullptr; }
  // Deletes the key with all its subkeys.
  void DeleteKey(std::string_view path);
  std::vector<std::string> KeysUnder(std::string_view path) const;

  void SetValue(std::string_view path, std::string_view name, uint32_t type, std::vector<uint8_t> data);
  void SetString(std::string_view path, std::string_view name, std::string_view text, uint32_t type = 1);
  void SetDword(std::string_view path, std::string_view name, uint32_t value);
  const RegistryValue* FindValue(std::string_view path, std::string_view name) const;
  bool DeleteValue(std::string_view path, std::string_view name);

  static std::string Join(std::string_view parent, std::string_view child);
  static std::string Fold(std::string_view text);

 private:
  std::map<std::string, RegistryKeyState> keys_;  // by folded path
};

// The bytes of a REG_SZ holding `text`, terminator included.
std::vector<uint8_t> StringBytes(std::string_view text);

}  // namespace sim
