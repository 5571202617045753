#include "install/dependent_files.h"

#include <cstring>

namespace {

// Entries ending in NUL, the closing NUL, and the extra NUL the literal adds.
constexpr char kPostScriptList[] =
    "PSCRIPT.NTF\0"
    "PS5UI.DLL\0"
    "FOLYANT.EXE\0"
    "FOLYANTS.DLL\0"
    "FOLYANTM.EXE\0"
    "\0";
static_assert(sizeof kPostScriptList == 62);
static_assert(kPostScriptEntriesLength == sizeof kPostScriptList - 2);

}  // namespace

const char* ResolvedDependentFile(const char* entry) {
  constexpr char kStorePrefix[] = "ntprint|";
  return std::strncmp(entry, kStorePrefix, sizeof kStorePrefix - 1) == 0 ? entry + sizeof kStorePrefix - 1 : entry;
}

DependentFileList PostScriptDependentFiles() {
  return DependentFileList{kPostScriptList, static_cast<uint32_t>(sizeof kPostScriptList)};
}

uint32_t MergePostScriptList(const uint8_t* stored, uint32_t size, uint8_t (&merged)[kMergeCapacity]) {
  std::memset(merged, 0, sizeof merged);
  std::memcpy(merged, kPostScriptList, sizeof kPostScriptList);
  if (stored == nullptr || size > kStoredExtrasCapacity) return sizeof kPostScriptList;
  std::memcpy(merged + kPostScriptEntriesLength, stored, size);
  uint32_t length = kPostScriptEntriesLength + size + 1;
  // A stored list that lacks its own terminators still ends the merged list properly.
  if (size != 0 && stored[size - 1] != 0) ++length;
  return length;
}

namespace {

// The bytes of the entries up to, not including, the empty entry that ends the list; a
// list without one runs to its end.
uint32_t EntriesLength(const uint8_t* list, uint32_t size) {
  for (uint32_t at = 0; at < size; ++at) {
    if (list[at] == 0 && (at == 0 || list[at - 1] == 0)) return at;
  }
  return size;
}

}  // namespace

bool SameDependentFiles(const uint8_t* first, uint32_t firstSize, const uint8_t* second, uint32_t secondSize) {
  const uint32_t length = EntriesLength(first, firstSize);
  return length == EntriesLength(second, secondSize) && std::memcmp(first, second, length) == 0;
}
