// The shell and COM on the simulated machine.
#include "platform/shell.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/kernel.h"
#include "platform/sim/machine.h"

namespace os {
namespace {

using sim::ShellModel;
using ComKind = ShellModel::ComKind;

constexpr uint32_t kErrorPathNotFound = 3;
constexpr uint32_t kErrorInvalidName = 123;
constexpr uint32_t kErrorFilenameExcedRange = 206;
constexpr uint32_t kErrorInvalidFlags = 1004;

// A fault armed for an HRESULT call: an armed value that already is an HRESULT is
// returned as it is, a Win32 code is wrapped.
bool Faulted(sim::Machine& m, const char* call, HResult* result) {
  if (!m.Enter(call)) return false;
  uint32_t error = GetLastError();
  if ((error & 0x80000000u) != 0) {
    *result = static_cast<HResult>(error);
  } else {
    *result = error == 0 ? kEFail : HResultFromWin32(error);
  }
  return true;
}

// --- COM references: each interface pointer handed out is one counted handle ---

uintptr_t NewReference(ShellModel::ComReference reference) {
  sim::Machine& m = sim::machine();
  uintptr_t handle = m.OpenHandle(sim::HandleKind::ComObject);
  m.shell.references.emplace(handle, std::move(reference));
  return handle;
}

ShellModel::ComReference* Reference(const void* handle, ComKind kind) {
  auto& references = sim::machine().shell.references;
  auto it = references.find(reinterpret_cast<uintptr_t>(handle));
  if (it == references.end() || it->second.kind != kind) return nullptr;
  return &it->second;
}

uint32_t ReleaseReference(const char* call, const void* handle, ComKind kind) {
  sim::Machine& m = sim::machine();
  m.Enter(call);
  auto id = reinterpret_cast<uintptr_t>(handle);
  if (Reference(handle, kind) == nullptr || !m.CloseHandle(id, sim::HandleKind::ComObject)) {
    m.violations.push_back(std::string(call) + " of an interface that is not held");
    return 0;
  }
  m.shell.references.erase(id);
  return 0;
}

// --- task memory: each block carries its handle id in front ---

void* TaskAlloc(size_t bytes) {
  auto* raw = static_cast<uint8_t*>(std::malloc(bytes + sizeof(uintptr_t)));
  if (raw == nullptr) return nullptr;
  // Not zero-filled, as the task allocator does not clear what it hands out.
  std::memset(raw + sizeof(uintptr_t), 0xCD, bytes);
  uintptr_t id = sim::machine().OpenHandle(sim::HandleKind::TaskMemory);
  std::memcpy(raw, &id, sizeof id);
  return raw + sizeof(uintptr_t);
}

uint8_t* TaskCopy(const sim::ItemBytes& bytes) {
  auto* block = static_cast<uint8_t*>(TaskAlloc(bytes.size()));
  if (block != nullptr) std::memcpy(block, bytes.data(), bytes.size());
  return block;
}

void TaskFree(const char* call, void* block) {
  if (block == nullptr) return;
  sim::Machine& m = sim::machine();
  auto* raw = static_cast<uint8_t*>(block) - sizeof(uintptr_t);
  uintptr_t id;
  std::memcpy(&id, raw, sizeof id);
  if (!m.CloseHandle(id, sim::HandleKind::TaskMemory)) {
    m.violations.push_back(std::string(call) + " of a block that is not allocated");
    return;
  }
  std::free(raw);
}

// --- item-ID lists ---

bool SameList(ConstItemIdList list, const sim::ItemBytes& expected) {
  return list != nullptr && ShellModel::ListSize(list) == expected.size() &&
         std::memcmp(list, expected.data(), expected.size()) == 0;
}

// The folder path a file-system list names; empty for any other list.
std::string FolderPathOf(ConstItemIdList list) {
  if (list == nullptr || ShellModel::ListSize(list) < 7) return {};
  uint16_t cb = static_cast<uint16_t>(list[0] | (list[1] << 8));
  if (list[2] != 0x31 || list[cb] != 0 || list[cb + 1] != 0) return {};
  return std::string(reinterpret_cast<const char*>(list + 4), strnlen(reinterpret_cast<const char*>(list + 4), cb - 4));
}

// --- code page 1252, the ANSI code page of the simulated machine ---

constexpr char16_t kHighHalf[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t Widen(unsigned char c) { return c >= 0x80 && c < 0xA0 ? kHighHalf[c - 0x80] : c; }

char Narrow(char16_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
  for (int i = 0; i < 32; ++i) {
    if (kHighHalf[i] == unit) return static_cast<char>(0x80 + i);
  }
  return '?';  // the code page's default character
}

std::u16string WidenAll(std::string_view text) {
  std::u16string wide;
  for (char c : text) wide.push_back(Widen(static_cast<unsigned char>(c)));
  return wide;
}

std::string NarrowAll(std::u16string_view wide) {
  std::string text;
  for (char16_t unit : wide) text.push_back(Narrow(unit));
  return text;
}

bool EqualFold(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// Wildcards of the last path component, as the shell expands them.
bool Matches(const char* pattern, const char* name) {
  if (*pattern == '\0') return *name == '\0';
  if (*pattern == '*') return Matches(pattern + 1, name) || (*name != '\0' && Matches(pattern, name + 1));
  if (*name == '\0') return false;
  if (*pattern != '?' &&
      std::tolower(static_cast<unsigned char>(*pattern)) != std::tolower(static_cast<unsigned char>(*name))) {
    return false;
  }
  return Matches(pattern + 1, name + 1);
}

int ShowShellBox(sim::Machine& m, std::string text, std::string caption, uint32_t style) {
  int answer = 6;  // IDYES
  if (!m.messageBoxAnswers.empty()) {
    answer = m.messageBoxAnswers.front();
    m.messageBoxAnswers.pop_front();
  }
  m.messageBoxes.push_back(sim::MessageBoxRecord{false, std::move(text), std::move(caption), style, answer});
  return answer;
}

}  // namespace

HResult SHGetSpecialFolderLocation(WindowHandle, int folder, ItemIdList* list) {
  sim::Machine& m = sim::machine();
  HResult result = kSOk;
  if (list != nullptr) *list = nullptr;
  if (Faulted(m, "SHGetSpecialFolderLocation", &result)) return result;
  if (list == nullptr) return kEInvalidArg;
  sim::ItemBytes bytes;
  if (folder == kCsidlPrinters) {
    bytes = ShellModel::PrintersFolderList();
  } else if (folder == kCsidlSendTo) {
    if (m.shell.sendToFolder.empty()) return HResultFromWin32(kErrorFileNotFound);
    bytes = ShellModel::FileSystemFolderList(m.shell.sendToFolder);
  } else {
    return kEInvalidArg;
  }
  *list = TaskCopy(bytes);
  return *list != nullptr ? kSOk : kEOutOfMemory;
}

bool SHGetPathFromIDListA(ConstItemIdList list, char* path) {
  sim::Machine& m = sim::machine();
  if (m.Enter("SHGetPathFromIDListA")) {
    if (path != nullptr) path[0] = '\0';
    return false;
  }
  if (path == nullptr) return false;
  std::string folder = FolderPathOf(list);
  if (folder.empty() || folder.size() >= kMaxPath) {
    path[0] = '\0';
    return false;
  }
  std::memcpy(path, folder.c_str(), folder.size() + 1);
  return true;
}

void CoTaskMemFree(void* block) {
  sim::machine().Enter("CoTaskMemFree");
  TaskFree("CoTaskMemFree", block);
}

HResult SHGetMalloc(MallocHandle* allocator) {
  sim::Machine& m = sim::machine();
  HResult result = kSOk;
  if (allocator != nullptr) *allocator = nullptr;
  if (Faulted(m, "SHGetMalloc", &result)) return result;
  if (allocator == nullptr) return kEInvalidArg;
  *allocator = reinterpret_cast<MallocHandle>(NewReference({ComKind::Malloc, nullptr, nullptr}));
  return kSOk;
}

void* IMalloc_Alloc(MallocHandle allocator, size_t bytes) {
  sim::Machine& m = sim::machine();
  if (m.Enter("IMalloc_Alloc")) return nullptr;
  if (Reference(allocator, ComKind::Malloc) == nullptr) {
    m.violations.push_back("IMalloc_Alloc on an allocator that is not held");
    return nullptr;
  }
  return TaskAlloc(bytes);
}

void IMalloc_Free(MallocHandle allocator, void* block) {
  sim::Machine& m = sim::machine();
  m.Enter("IMalloc_Free");
  if (Reference(allocator, ComKind::Malloc) == nullptr) {
    m.violations.push_back("IMalloc_Free on an allocator that is not held");
    return;
  }
  TaskFree("IMalloc_Free", block);
}

uint32_t IMalloc_Release(MallocHandle allocator) {
  return ReleaseReference("IMalloc_Release", allocator, ComKind::Malloc);
}

HResult SHGetDesktopFolder(ShellFolderHandle* folder) {
  sim::Machine& m = sim::machine();
  HResult result = kSOk;
  if (folder != nullptr) *folder = nullptr;
  if (Faulted(m, "SHGetDesktopFolder", &result)) return result;
  if (folder == nullptr) return kEInvalidArg;
  *folder = reinterpret_cast<ShellFolderHandle>(NewReference({ComKind::DesktopFolder, nullptr, nullptr}));
  return kSOk;
}

// The sim binds only what the program binds: the Printers folder, from the desktop.
HResult IShellFolder_BindToObject(ShellFolderHandle folder, ConstItemIdList list, ShellFolderHandle* result) {
  sim::Machine& m = sim::machine();
  HResult status = kSOk;
  if (result != nullptr) *result = nullptr;
  if (Faulted(m, "IShellFolder_BindToObject", &status)) return status;
  if (result == nullptr || Reference(folder, ComKind::DesktopFolder) == nullptr) return kEInvalidArg;
  if (!SameList(list, ShellModel::PrintersFolderList())) return kEInvalidArg;
  *result = reinterpret_cast<ShellFolderHandle>(NewReference({ComKind::PrintersFolder, nullptr, nullptr}));
  return kSOk;
}

HResult IShellFolder_EnumObjects(ShellFolderHandle folder, WindowHandle, uint32_t flags, EnumIdListHandle* result) {
  sim::Machine& m = sim::machine();
  HResult status = kSOk;
  if (result != nullptr) *result = nullptr;
  if (Faulted(m, "IShellFolder_EnumObjects", &status)) return status;
  if (result == nullptr) return kEInvalidArg;
  if (Reference(folder, ComKind::PrintersFolder) == nullptr) return kENotImpl;
  auto state = std::make_shared<ShellModel::EnumState>();
  if ((flags & (kShcontfFolders | kShcontfNonFolders)) != 0) {
    for (const std::string& name : m.shell.otherItems) state->items.push_back(ShellModel::OtherItem(name));
    // A stopped spooler leaves the folder empty.
    for (const sim::Printer& printer : m.spoolerRunning ? m.printers : std::vector<sim::Printer>{}) {
      const auto& unlisted = m.shell.unlistedPrinters;
      if (std::find(unlisted.begin(), unlisted.end(), printer.name) != unlisted.end()) continue;
      auto display = m.shell.displayNames.find(printer.name);
      state->items.push_back(
          ShellModel::PrinterItem(printer.name, display != m.shell.displayNames.end() ? &display->second : nullptr));
    }
  }
  if (state->items.empty()) return kSFalse;
  *result = reinterpret_cast<EnumIdListHandle>(NewReference({ComKind::Enumerator, nullptr, std::move(state)}));
  return kSOk;
}

HResult IShellFolder_GetDisplayNameOf(ShellFolderHandle folder, ConstItemIdList item, uint32_t, StrRet* name) {
  sim::Machine& m = sim::machine();
  HResult status = kSOk;
  if (Faulted(m, "IShellFolder_GetDisplayNameOf", &status)) return status;
  if (name == nullptr || item == nullptr) return kEInvalidArg;
  if (Reference(folder, ComKind::PrintersFolder) == nullptr) return kENotImpl;
  size_t size = ShellModel::ListSize(item);
  uint16_t cb = static_cast<uint16_t>(item[0] | (item[1] << 8));
  if (size != static_cast<size_t>(cb) + 2 || cb < 5 || (item[2] != 0x70 && item[2] != 0x71)) return kEInvalidArg;
  // The display text: the first string, or for a printer with its own display name the second.
  uint32_t offset = 4;
  if (item[2] == 0x70 && item[3] == 1)
    offset += static_cast<uint32_t>(std::strlen(reinterpret_cast<const char*>(item + 4)) + 1);
  std::string_view text(reinterpret_cast<const char*>(item + offset));
  *name = StrRet{};
  switch (m.shell.displayNameForm) {
    case sim::DisplayNameForm::Wstr: {
      std::u16string wide = WidenAll(text);
      auto* copy = static_cast<char16_t*>(TaskAlloc((wide.size() + 1) * sizeof(char16_t)));
      if (copy == nullptr) return kEOutOfMemory;
      std::memcpy(copy, wide.c_str(), (wide.size() + 1) * sizeof(char16_t));
      name->type = kStrretWstr;
      name->oleStr = copy;
      break;
    }
    case sim::DisplayNameForm::Offset:
      name->type = kStrretOffset;
      name->offset = offset;
      break;
    case sim::DisplayNameForm::Cstr: {
      name->type = kStrretCstr;
      size_t length = std::min(text.size(), kMaxPath - 1);
      std::memcpy(name->cStr, text.data(), length);
      name->cStr[length] = '\0';
      break;
    }
  }
  return kSOk;
}

uint32_t IShellFolder_Release(ShellFolderHandle folder) {
  bool printers = Reference(folder, ComKind::PrintersFolder) != nullptr;
  return ReleaseReference("IShellFolder_Release", folder, printers ? ComKind::PrintersFolder : ComKind::DesktopFolder);
}

HResult IEnumIDList_Next(EnumIdListHandle enumerator, uint32_t count, ItemIdList* items, uint32_t* fetched) {
  sim::Machine& m = sim::machine();
  HResult status = kSOk;
  if (fetched != nullptr) *fetched = 0;
  if (Faulted(m, "IEnumIDList_Next", &status)) return status;
  auto* reference = Reference(enumerator, ComKind::Enumerator);
  if (reference == nullptr || items == nullptr || (fetched == nullptr && count != 1)) return kEInvalidArg;
  ShellModel::EnumState& state = *reference->enumeration;
  uint32_t delivered = 0;
  while (delivered < count && state.next < state.items.size()) {
    items[delivered] = TaskCopy(state.items[state.next]);
    if (items[delivered] == nullptr) break;
    ++state.next;
    ++delivered;
  }
  if (fetched != nullptr) *fetched = delivered;
  return delivered == count ? kSOk : kSFalse;
}

uint32_t IEnumIDList_Release(EnumIdListHandle enumerator) {
  return ReleaseReference("IEnumIDList_Release", enumerator, ComKind::Enumerator);
}

HResult CoInitialize() {
  sim::Machine& m = sim::machine();
  HResult status = kSOk;
  if (Faulted(m, "CoInitialize", &status)) return status;
  return ++m.shell.coInitializeCalls == 1 ? kSOk : kSFalse;
}

HResult CoCreateInstance(ShellLinkHandle* link) {
  sim::Machine& m = sim::machine();
  HResult status = kSOk;
  if (link != nullptr) *link = nullptr;
  if (Faulted(m, "CoCreateInstance", &status)) return status;
  if (link == nullptr) return kEInvalidArg;
  if (m.shell.coInitializeCalls == 0) return kCoENotInitialized;
  auto state = std::make_shared<ShellModel::LinkState>();
  *link = reinterpret_cast<ShellLinkHandle>(NewReference({ComKind::ShellLink, std::move(state), nullptr}));
  return kSOk;
}

HResult IShellLinkA_SetIDList(ShellLinkHandle link, ConstItemIdList list) {
  sim::Machine& m = sim::machine();
  HResult status = kSOk;
  if (Faulted(m, "IShellLinkA_SetIDList", &status)) return status;
  auto* reference = Reference(link, ComKind::ShellLink);
  if (reference == nullptr || list == nullptr) return kEInvalidArg;
  reference->link->idList = sim::ItemBytes(list, list + ShellModel::ListSize(list));
  return kSOk;
}

HResult IShellLinkA_QueryInterface(ShellLinkHandle link, PersistFileHandle* persistFile) {
  sim::Machine& m = sim::machine();
  HResult status = kSOk;
  if (persistFile != nullptr) *persistFile = nullptr;
  if (Faulted(m, "IShellLinkA_QueryInterface", &status)) return status;
  auto* reference = Reference(link, ComKind::ShellLink);
  if (reference == nullptr || persistFile == nullptr) return kEInvalidArg;
  *persistFile = reinterpret_cast<PersistFileHandle>(NewReference({ComKind::PersistFile, reference->link, nullptr}));
  return kSOk;
}

uint32_t IShellLinkA_Release(ShellLinkHandle link) {
  return ReleaseReference("IShellLinkA_Release", link, ComKind::ShellLink);
}

// Writes the link file; only into the Send To folder, which is the one directory the
// simulated machine has for shortcuts.
HResult IPersistFile_Save(PersistFileHandle persistFile, const char16_t* path, bool) {
  sim::Machine& m = sim::machine();
  HResult status = kSOk;
  if (Faulted(m, "IPersistFile_Save", &status)) return status;
  auto* reference = Reference(persistFile, ComKind::PersistFile);
  if (reference == nullptr || path == nullptr) return kEInvalidArg;
  std::string file = NarrowAll(path);
  if (file.size() >= kMaxPath) return HResultFromWin32(kErrorFilenameExcedRange);
  size_t slash = file.rfind('\\');
  if (slash == std::string::npos || m.shell.sendToFolder.empty() ||
      !EqualFold(std::string_view(file).substr(0, slash), m.shell.sendToFolder)) {
    return HResultFromWin32(kErrorPathNotFound);
  }
  std::string_view name = std::string_view(file).substr(slash + 1);
  bool invalid = name.empty() || std::any_of(name.begin(), name.end(), [](char c) {
                   return static_cast<unsigned char>(c) < 32 || std::strchr("<>:\"/|?*", c) != nullptr;
                 });
  if (invalid) return HResultFromWin32(kErrorInvalidName);
  const auto& list = reference->link->idList;
  m.files.Put(file, ShellModel::LinkFileBytes(list ? &*list : nullptr));
  return kSOk;
}

uint32_t IPersistFile_Release(PersistFileHandle persistFile) {
  return ReleaseReference("IPersistFile_Release", persistFile, ComKind::PersistFile);
}

int MultiByteToWideChar(uint32_t codePage, uint32_t flags, const char* text, int length, char16_t* wide, int wideSize) {
  sim::Machine& m = sim::machine();
  if (m.Enter("MultiByteToWideChar")) return 0;
  if (text == nullptr || wideSize < 0 || (wide == nullptr && wideSize != 0) || length < -1) {
    SetLastError(kErrorInvalidParameter);
    return 0;
  }
  if (codePage != kCpAcp) {
    SetLastError(kErrorInvalidParameter);
    return 0;
  }
  if (flags != 0) {
    SetLastError(kErrorInvalidFlags);
    return 0;
  }
  std::string_view source = length == -1 ? std::string_view(text, std::strlen(text) + 1)
                                         : std::string_view(text, static_cast<size_t>(length));
  std::u16string converted = WidenAll(source);
  if (wideSize == 0) return static_cast<int>(converted.size());
  if (converted.size() > static_cast<size_t>(wideSize)) {
    std::memcpy(wide, converted.data(), static_cast<size_t>(wideSize) * sizeof(char16_t));
    SetLastError(kErrorInsufficientBuffer);
    return 0;
  }
  std::memcpy(wide, converted.data(), converted.size() * sizeof(char16_t));
  return static_cast<int>(converted.size());
}

int WideCharToMultiByte(uint32_t codePage, uint32_t flags, const char16_t* wide, int length, char* text, int size) {
  sim::Machine& m = sim::machine();
  if (m.Enter("WideCharToMultiByte")) return 0;
  if (wide == nullptr || size < 0 || (text == nullptr && size != 0) || length < -1 || codePage != kCpAcp) {
    SetLastError(kErrorInvalidParameter);
    return 0;
  }
  if ((flags & ~kWcCompositeCheck) != 0) {
    SetLastError(kErrorInvalidFlags);
    return 0;
  }
  size_t units = 0;
  if (length == -1) {
    while (wide[units] != 0) ++units;
    ++units;
  } else {
    units = static_cast<size_t>(length);
  }
  // Characters outside the code page, surrogates included, become the default character.
  std::string converted = NarrowAll(std::u16string_view(wide, units));
  if (size == 0) return static_cast<int>(converted.size());
  if (converted.size() > static_cast<size_t>(size)) {
    std::memcpy(text, converted.data(), static_cast<size_t>(size));
    SetLastError(kErrorInsufficientBuffer);
    return 0;
  }
  std::memcpy(text, converted.data(), converted.size());
  return static_cast<int>(converted.size());
}

int SHFileOperationA(ShFileOpStruct* operation) {
  sim::Machine& m = sim::machine();
  if (m.Enter("SHFileOperationA")) return static_cast<int>(GetLastError());
  if (operation == nullptr || operation->from == nullptr || operation->func != kFoDelete) return kErrorInvalidParameter;
  int result = 0;
  for (const char* source = operation->from; *source != '\0'; source += std::strlen(source) + 1) {
    std::string path = source;
    size_t slash = path.rfind('\\');
    std::string directory = slash == std::string::npos ? std::string() : path.substr(0, slash);
    std::string pattern = path.substr(slash == std::string::npos ? 0 : slash + 1);
    std::vector<std::string> matched;
    for (const std::string& file : m.files.List(directory)) {
      if (Matches(pattern.c_str(), file.c_str() + file.rfind('\\') + 1)) matched.push_back(file);
    }
    if (matched.empty()) {
      if ((operation->flags & kFofNoErrorUi) == 0) {
        ShowShellBox(m, "Cannot delete " + pattern + ": Cannot find the specified file.",
                     "Error Deleting File or Folder", kMbOk | kMbIconError);
      }
      result = static_cast<int>(kErrorFileNotFound);
      continue;
    }
    for (const std::string& file : matched) {
      if ((operation->flags & kFofNoConfirmation) == 0 &&
          ShowShellBox(m, "Are you sure you want to permanently delete this file?", "Delete File", 0x04 | 0x30) != 6) {
        continue;
      }
      m.files.Remove(file);
    }
  }
  return result;
}

}  // namespace os
