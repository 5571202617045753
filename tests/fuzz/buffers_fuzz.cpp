// Texts built into fixed buffers, on any input: joined paths, Send To paths, settings keys,
// the merged PostScript list and a key's security, each whole or refused within its buffer.
#include <fuzzer/FuzzedDataProvider.h>

#include <cassert>
#include <cctype>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "install/dependent_files.h"
#include "install/printer_key_rights.h"
#include "install/send_to_path.h"
#include "install/settings_keys.h"

static bool SingleByte(unsigned char) { return false; }
static bool Lead932(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const uint32_t storedSize = input.ConsumeIntegralInRange<uint32_t>(0, kStoredExtrasCapacity + 1);
  const std::string first = input.ConsumeRandomLengthString(400).c_str();
  const std::string second = input.ConsumeRandomLengthString(400).c_str();
  const std::string third = input.ConsumeRemainingBytesAsString();

  char path[kKeyPathSize] = "x";  // no join's outcome
  const bool joined = JoinWhole(path, first.empty() ? nullptr : first.c_str(), second.c_str(), third.c_str());
  const std::string whole = first + second + third.c_str();
  assert(joined ? path == whole : path[0] == '\0' && whole.size() >= kKeyPathSize);

  // A folder path of 260 characters or more comes without its terminator.
  char folder[kSendToPathSize] = {};
  first.copy(folder, sizeof folder);
  std::memset(path, '#', sizeof path);
  // Judged by the characters of code page 932 or of a single-byte one: a trail byte is
  // never taken for a refused character.
  const bool doubleByte = storedSize % 4 >= 2;
  JoinSendToPath(folder, second.c_str(), path, doubleByte ? Lead932 : SingleByte);
  bool fits = !first.empty() && !second.empty() && first.size() + 1 + second.size() < kSendToPathSize;
  for (size_t at = 0; at < second.size(); ++at) {
    const unsigned char c = second[at];
    if (doubleByte && Lead932(c) && at + 1 < second.size()) {
      ++at;
    } else {
      fits = fits && c >= 32 && std::strchr("\\/:*?\"<>|", c) == nullptr;
    }
  }
  // A device name (what comes before the first dot, blanks after it dropped) is no file.
  std::string base = second.substr(0, second.find('.'));
  base.erase(base.find_last_not_of(' ') + 1);
  for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const bool device =
      base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" ||
      (base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '1' && base[3] <= '9');
  fits = fits && !device;
  assert(fits ? std::memchr(path, '\0', sizeof path) != nullptr && path == first + "\\" + second
              : std::string(path, sizeof path) == std::string(sizeof path, '#'));

  // The walk stops at the visit that asks it to.
  const size_t stopAt = third.size() % 8;
  std::vector<std::string> visited, expected;
  const bool stopped = WalkSettingsKeys(second.empty() ? nullptr : second.c_str(), [&](bool machine, const char* key) {
    assert(std::memchr(key, '\0', kKeyPathSize) != nullptr);
    visited.push_back(key + std::string(machine ? " (machine)" : ""));
    return visited.size() == stopAt;
  });
  for (const std::string& name : {second, std::string(kDefaultPrinterName)}) {
    const std::string legacy = kLegacyUserPrefix + name, own = kSettingsKeyPrefix + name;
    if (!name.empty() && legacy.size() < kKeyPathSize) expected.push_back(legacy);
    if (!name.empty() && own.size() < kKeyPathSize) expected.insert(expected.end(), {own, own + " (machine)"});
  }
  assert(stopped == (stopAt >= 1 && stopAt <= expected.size()));
  expected.resize(stopped ? stopAt : expected.size());
  assert(visited == expected);

  // The stored value: the third text repeated, in a block of exactly its size; "-" stands
  // for a value that could not be read. The merge buffer holds what the last run left.
  static uint8_t merged[kMergeCapacity];
  std::unique_ptr<uint8_t[]> stored(new uint8_t[storedSize]);
  for (uint32_t i = 0; i < storedSize; ++i) stored[i] = third.empty() ? 0 : third[i % third.size()];
  const bool read = third != "-" && storedSize <= kStoredExtrasCapacity;
  const uint32_t length = MergePostScriptList(third == "-" ? nullptr : stored.get(), storedSize, merged);
  const DependentFileList list = PostScriptDependentFiles();
  std::string expectedList(list.data, read ? kPostScriptEntriesLength : list.length);
  if (read) expectedList.append(reinterpret_cast<const char*>(stored.get()), storedSize);
  const size_t end = expectedList.size();
  expectedList.resize(kMergeCapacity);
  assert(std::memcmp(merged, expectedList.data(), kMergeCapacity) == 0);
  assert(length <= kMergeCapacity &&
         (read ? length >= end + 1 && length <= end + 2 && merged[length - 2] == 0 : length == end));
  // Compared as lists, what follows the empty entry that ends one does not count.
  assert(SameDependentFiles(merged, length, merged, kMergeCapacity));

  // Any bytes as a printer key's security: judged without reading past them.
  const size_t descriptorSize = third.size();
  std::unique_ptr<uint8_t[]> descriptor(new uint8_t[descriptorSize + 1]);
  std::memcpy(descriptor.get(), third.data(), descriptorSize);
  const KeyRights judged = JudgeKeyRights(descriptor.get(), static_cast<uint32_t>(descriptorSize), storedSize % 2);
  assert(judged != KeyRights::Closed || descriptorSize >= 20);
  // An entry that claims more than is left of its list is unreadable, though the block goes on:
  // a self-relative descriptor, its list at 20 (16 bytes, one entry of 20 letting Everyone read).
  static constexpr uint8_t pastItsList[64] = {1,  0,  0x04, 0x80, 0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0,
                                              0,  20, 0,    0,    0, 2, 0, 16, 0, 1, 0, 0, 0, 0, 0,
                                              20, 0,  0x19, 0,    2, 0, 1, 1,  0, 0, 0, 0, 0, 1};
  assert(JudgeKeyRights(pastItsList, sizeof pastItsList, false) == KeyRights::Unreadable);
  return 0;
}
