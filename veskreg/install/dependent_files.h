// Dependent-file lists, and the PostScript list merged with the extra files stored beside
// it. Plain text work, no system call.
#pragma once

#include <cstdint>

// A dependent-file list: entries each ending in NUL, a closing NUL and one more NUL;
// `length` counts all of it (what a registry write receives).
struct DependentFileList {
  const char* data;
  uint32_t length;
};

// The file an entry names: Windows 10 lists some of its own driver files as
// "ntprint|NAME", which lie in the driver directory as NAME.
const char* ResolvedDependentFile(const char* entry);

// The list a PostScript driver installation hands the spooler.
DependentFileList PostScriptDependentFiles();

// "PS Dependent Files" is read into this many bytes at most.
inline constexpr uint32_t kStoredExtrasCapacity = 16384;
// The PostScript entries end here, right behind the NUL of "FOLYANTM.EXE"; the stored
// extra files go over the list's own terminator.
inline constexpr uint32_t kPostScriptEntriesLength = 60;
// Whatever could be read is taken whole, with room for the closing NULs behind it.
inline constexpr uint32_t kMergeCapacity = kPostScriptEntriesLength + kStoredExtrasCapacity + 2;

// The PostScript list followed by the `size` stored bytes (of any type, taken as a list
// of names); the PostScript list alone when nothing was read (`stored` null) or more than
// fits. Returns the data length.
uint32_t MergePostScriptList(const uint8_t* stored, uint32_t size, uint8_t (&merged)[kMergeCapacity]);

// True when two stored lists name the same entries in the same order; what follows the
// empty entry that ends a list (further NULs) does not count.
bool SameDependentFiles(const uint8_t* first, uint32_t firstSize, const uint8_t* second, uint32_t secondSize);
