#include "install/send_to.h"

#include <cstring>

#include "core/diagnostics.h"
#include "install/send_to_path.h"
#include "platform/files.h"
#include "platform/kernel.h"

namespace {

constexpr size_t kPathSize = kSendToPathSize;
static_assert(kSendToPathSize == os::kMaxPath);
constexpr const char* kLinkExtension = ".lnk";
constexpr size_t kLinkExtensionLength = 4;

// Appends ".lnk" unless the path already ends so, in any case; false when the path is
// empty or there is no room for it.
bool EndWithLinkExtension(char (&path)[kPathSize + 1]) {
  size_t length = strnlen(path, kPathSize);
  if (length == 0) return false;
  if (length >= kLinkExtensionLength && os::lstrcmpiA(path + length - kLinkExtensionLength, kLinkExtension) == 0) {
    return true;
  }
  if (length + kLinkExtensionLength >= kPathSize) return false;
  std::memcpy(path + length, kLinkExtension, kLinkExtensionLength + 1);
  return true;
}

uint16_t FirstItemSize(os::ConstItemIdList list) { return static_cast<uint16_t>(list[0] | (list[1] << 8)); }

// The display name of one item of `folder` as ANSI text in `name` (kPathSize bytes);
// false when it cannot be had whole.
bool DisplayNameOf(os::ShellFolderHandle folder, os::ConstItemIdList item, char* name) {
  os::StrRet strRet;
  if (!os::Succeeded(os::IShellFolder_GetDisplayNameOf(folder, item, os::kShgdnNormal, &strRet))) return false;
  switch (strRet.type) {
    case os::kStrretWstr: {
      // The text is the caller's to free.
      os::OwnedTaskString wide(strRet.oleStr);
      if (!wide) return false;
      return os::WideCharToMultiByte(os::kCpAcp, os::kWcCompositeCheck, wide.get(), -1, name,
                                     static_cast<int>(kPathSize)) != 0;
    }
    case os::kStrretOffset: {
      // The text must lie within the item and end there.
      size_t itemSize = FirstItemSize(item);
      if (strRet.offset >= itemSize) return false;
      const char* text = reinterpret_cast<const char*>(item) + strRet.offset;
      size_t room = itemSize - strRet.offset;
      size_t length = strnlen(text, room);
      if (length == room || length >= kPathSize) return false;
      std::memcpy(name, text, length + 1);
      return true;
    }
    case os::kStrretCstr: {
      size_t length = strnlen(strRet.cStr, kPathSize - 1);
      std::memcpy(name, strRet.cStr, length);
      name[length] = '\0';
      if (length == kPathSize - 1) DropSplitCharacter(name, AnsiLeadByte);
      return true;
    }
    default:
      return false;
  }
}

// A block from the shell's allocator, given back to it on every path.
class AllocatorBlock {
 public:
  AllocatorBlock(os::MallocHandle allocator, void* block) : allocator_(allocator), block_(block) {}
  ~AllocatorBlock() {
    if (block_ != nullptr) os::IMalloc_Free(allocator_, block_);
  }
  AllocatorBlock(const AllocatorBlock&) = delete;
  AllocatorBlock& operator=(const AllocatorBlock&) = delete;
  os::ConstItemIdList list() const { return static_cast<os::ConstItemIdList>(block_); }

 private:
  os::MallocHandle allocator_;
  void* block_;
};

}  // namespace

size_t ItemIdListSize(os::ConstItemIdList list) {
  if (list == nullptr) return 0;
  size_t size = 0;
  for (uint16_t cb = FirstItemSize(list); cb != 0; cb = FirstItemSize(list + size)) size += cb;
  return size + 2;
}

bool GetSendToFolder(char (&folder)[kSendToPathSize]) {
  os::OwnedItemIdList location;
  if (!os::Succeeded(os::SHGetSpecialFolderLocation(nullptr, os::kCsidlSendTo, location.put()))) return false;
  if (!location) return false;
  // A path of its own first, so that a failure leaves the caller's buffer as it was.
  char path[kPathSize] = {};
  if (!os::SHGetPathFromIDListA(location.get(), path)) return false;
  std::memcpy(folder, path, sizeof path);
  return true;
}

bool ShortcutPathIn(const char (&folder)[kSendToPathSize], const char* printerName, char (&path)[kSendToPathSize + 1]) {
  path[0] = '\0';
  JoinSendToPath(folder, printerName, path);
  return EndWithLinkExtension(path);
}

void BuildSendToPath(const char* fileName, char* buffer) {
  if (fileName == nullptr || buffer == nullptr) return;
  char folderPath[kPathSize] = {};
  if (GetSendToFolder(folderPath)) JoinSendToPath(folderPath, fileName, buffer);
}

os::ItemIdList FindPrinterShellItem(const char* printerName, os::MallocHandle allocator) {
  if (allocator == nullptr || printerName == nullptr) return nullptr;
  os::OwnedShellFolder desktop;
  if (!os::Succeeded(os::SHGetDesktopFolder(desktop.put()))) return nullptr;
  if (!desktop) return nullptr;

  os::OwnedItemIdList printersLocation;
  if (!os::Succeeded(os::SHGetSpecialFolderLocation(nullptr, os::kCsidlPrinters, printersLocation.put())))
    return nullptr;
  if (!printersLocation) return nullptr;

  os::OwnedShellFolder printers;
  if (!os::Succeeded(os::IShellFolder_BindToObject(desktop.get(), printersLocation.get(), printers.put()))) {
    return nullptr;
  }
  if (!printers) return nullptr;

  // Nothing to enumerate comes back as S_FALSE, possibly without an enumerator.
  os::OwnedEnumIdList enumerator;
  os::HResult enumerated = os::IShellFolder_EnumObjects(printers.get(), nullptr,
                                                        os::kShcontfFolders | os::kShcontfNonFolders, enumerator.put());
  if (enumerated != os::kSOk || !enumerator) return nullptr;

  for (;;) {
    os::ItemIdList itemList = nullptr;
    uint32_t fetched = 0;
    if (os::IEnumIDList_Next(enumerator.get(), 1, &itemList, &fetched) != os::kSOk || fetched != 1) {
      os::CoTaskMemFree(itemList);
      return nullptr;
    }
    // Each item handed out is ours to free.
    os::OwnedItemIdList item(itemList);
    if (!item) return nullptr;
    char name[kPathSize] = {};
    if (!DisplayNameOf(printers.get(), item.get(), name) || os::lstrcmpiA(name, printerName) != 0) continue;

    size_t folderSize = ItemIdListSize(printersLocation.get());
    size_t itemSize = ItemIdListSize(item.get());
    size_t total = folderSize - 2 + itemSize;
    auto* result = static_cast<uint8_t*>(os::IMalloc_Alloc(allocator, total));
    if (result == nullptr) return nullptr;
    std::memset(result, 0, total);
    std::memcpy(result, printersLocation.get(), folderSize - 2);
    std::memcpy(result + folderSize - 2, item.get(), itemSize);
    return result;
  }
}

bool CreateSendToShortcut(const char* printerName) {
  if (printerName == nullptr) return false;
  char path[kPathSize + 1] = {};
  BuildSendToPath(printerName, path);
  // Without the Send To folder there is no place for the shortcut: nothing is written,
  // least of all at a path relative to the current directory.
  if (!EndWithLinkExtension(path)) return false;

  os::OwnedMalloc allocator;
  if (!os::Succeeded(os::SHGetMalloc(allocator.put()))) return false;
  if (!allocator) return false;

  AllocatorBlock target(allocator.get(), FindPrinterShellItem(printerName, allocator.get()));
  if (target.list() == nullptr) return false;

  os::CoInitialize();
  os::OwnedShellLink link;
  if (!os::Succeeded(os::CoCreateInstance(link.put()))) return false;
  if (!link || !os::Succeeded(os::IShellLinkA_SetIDList(link.get(), target.list()))) return false;
  os::OwnedPersistFile persistFile;
  if (!os::Succeeded(os::IShellLinkA_QueryInterface(link.get(), persistFile.put()))) return false;
  if (!persistFile) return false;

  char16_t widePath[kPathSize] = {};
  if (os::MultiByteToWideChar(os::kCpAcp, 0, path, -1, widePath, static_cast<int>(kPathSize)) == 0) return false;
  return os::Succeeded(os::IPersistFile_Save(persistFile.get(), widePath, true));
}

void DeleteSendToShortcut(const char* printerName) {
  if (printerName == nullptr) return;
  char path[kPathSize + 1] = {};
  BuildSendToPath(printerName, path);
  // Without the Send To folder nothing is deleted, least of all in the current directory.
  if (!EndWithLinkExtension(path)) return;
  // Only a plain file: a folder of that name is somebody's, and a reparse point leads
  // somewhere else. Nothing there is no error. DeleteFileA never takes a folder, and takes
  // a link rather than its target, should one be put in the file's place after this look.
  uint32_t attributes = os::GetFileAttributesA(path);
  if (attributes == os::kInvalidFileAttributes) return;
  if ((attributes & (os::kFileAttributeDirectory | os::kFileAttributeReparsePoint)) != 0) {
    LogAppEvent(os::kEventlogWarningType, "DeleteSendToShortcut: %s is not a plain file, not deleted", path);
    return;
  }
  os::DeleteFileA(path);
}
