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
