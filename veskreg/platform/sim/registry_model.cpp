#include "platform/sim/registry_model.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace sim {

std::string Registry::Fold(std::string_view text) {
  std::string folded(text);
  std::transform(folded.begin(), folded.end(), folded.begin(), [](unsigned char c) { return std::tolower(c); });
  while (!folded.empty() && folded.back() == '\\') folded.pop_back();
  return folded;
}

std::string Registry::Join(std::string_view parent, std::string_view child) {
  std::string path(parent);
  while (!path.empty() && path.back() == '\\') path.pop_back();
  if (!child.empty()) {
    path += '\\';
    path += child;
  }
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

RegistryKeyState& Registry::CreateKey(std::string_view path) {
  std::string trimmed(path);
  while (!trimmed.empty() && trimmed.back() == '\\') trimmed.pop_back();
  for (size_t at = trimmed.find('\\'); at != std::string::npos; at = trimmed.find('\\', at + 1)) {
    std::string parent = trimmed.substr(0, at);
    keys_.try_emplace(Fold(parent), RegistryKeyState{parent, {}, 0xF003F, false, 0});
  }
  auto [it, inserted] = keys_.try_emplace(Fold(trimmed), RegistryKeyState{trimmed, {}, 0xF003F, false, 0});
  return it->second;
}

RegistryKeyState* Registry::FindKey(std::string_view path) {
  auto it = keys_.find(Fold(path));
  return it == keys_.end() ? nullptr : &it->second;
}

const RegistryKeyState* Registry::FindKey(std::string_view path) const {
  auto it = keys_.find(Fold(path));
  return it == keys_.end() ? nullptr : &it->second;
}

void Registry::DeleteKey(std::string_view path) {
  std::string folded = Fold(path);
  keys_.erase(folded);
  // Subkeys sort together right behind "path\".
  std::string prefix = folded + "\\";
  auto first = keys_.lower_bound(prefix);
  auto last = first;
  while (last != keys_.end() && last->first.compare(0, prefix.size(), prefix) == 0) ++last;
  keys_.erase(first, last);
}

std::vector<std::string> Registry::KeysUnder(std::string_view path) const {
  std::string prefix = Fold(path) + "\\";
  std::vector<std::string> found;
  for (const auto& [folded, key] : keys_) {
    if (folded.compare(0, prefix.size(), prefix) == 0 && folded.find('\\', prefix.size()) == std::string::npos) {
      found.push_back(key.path.substr(prefix.size()));
    }
  }
  return found;
}

void Registry::SetValue(std::string_view path, std::string_view name, uint32_t type, std::vector<uint8_t> data) {
  RegistryKeyState& key = CreateKey(path);
  std::string folded = Fold(name);
  for (RegistryValue& value : key.values) {
    if (Fold(value.name) == folded) {
      value.type = type;
      value.data = std::move(data);
      return;
    }
  }
  key.values.push_back(RegistryValue{std::string(name), type, std::move(data)});
}

void Registry::SetString(std::string_view path, std::string_view name, std::string_view text, uint32_t type) {
  SetValue(path, name, type, StringBytes(text));
}

void Registry::SetDword(std::string_view path, std::string_view name, uint32_t value) {
  std::vector<uint8_t> bytes(4);
  std::memcpy(bytes.data(), &value, 4);
  SetValue(path, name, 4, std::move(bytes));
}

const RegistryValue* Registry::FindValue(std::string_view path, std::string_view name) const {
  const RegistryKeyState* key = FindKey(path);
  if (key == nullptr) return nullptr;
  std::string folded = Fold(name);
  for (const RegistryValue& value : key->values) {
    if (Fold(value.name) == folded) return &value;
  }
  return nullptr;
}

bool Registry::DeleteValue(std::string_view path, std::string_view name) {
  RegistryKeyState* key = FindKey(path);
  if (key == nullptr) return false;
  std::string folded = Fold(name);
  auto it = std::find_if(key->values.begin(), key->values.end(),
                         [&](const RegistryValue& value) { return Fold(value.name) == folded; });
  if (it == key->values.end()) return false;
  key->values.erase(it);
  return true;
}

std::vector<uint8_t> StringBytes(std::string_view text) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

}  // namespace sim
