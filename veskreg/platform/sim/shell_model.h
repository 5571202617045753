// The simulated shell: the Send To folder, the Printers folder, shell links and the
// COM objects handed out.
//
// Item-ID lists are laid out as the shell lays them out: items led by their 2-byte size,
// a 2-byte zero at the end. The sim's own items:
//   root and Printers: type 0x1F / 0x2E, a sort byte, a 16-byte class id (20 bytes each)
//   file-system folder: type 0x31, a zero byte, the full path with its NUL
//   printer:            type 0x70, 1 when a separate display name follows, the printer
//                       name with its NUL, then that display name with its NUL
//   other item:         type 0x71, a zero byte, its display name with its NUL
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// How the Printers folder hands back display names (STRRET_WSTR, _OFFSET, _CSTR).
enum class DisplayNameForm { Wstr, Offset, Cstr };

using ItemBytes = std::vector<uint8_t>;

class ShellModel {
 public:
  // --- arrangement ---
  // The user's Send To folder; empty when it cannot be located.
  std::string sendToFolder = "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\SendTo";
  DisplayNameForm displayNameForm = DisplayNameForm::Wstr;
  // Display names that differ from the printer name, by printer name (exact spelling).
  std::map<std::string, std::string> displayNames;
  // Printers of the spooler that the Printers folder does not list (exact spelling).
  std::vector<std::string> unlistedPrinters;
  // Further items the Printers folder lists before the printers, e.g. "Add Printer".
  std::vector<std::string> otherItems;

  // --- what happened ---
  int coInitializeCalls = 0;

  // The printer a shortcut file targets, read back from the item-ID list stored in the
  // file; none when the file is absent, is no shell link, or targets no printer item.
  std::optional<std::string> LinkTargetPrinter(std::string_view path) const;
  // The raw item-ID list a shortcut file stores, terminator included.
  std::optional<ItemBytes> LinkTargetList(std::string_view path) const;

  // --- the sim's item-ID lists ---
  static ItemBytes PrintersFolderList();
  static ItemBytes FileSystemFolderList(std::string_view path);
  static ItemBytes PrinterItem(std::string_view printerName, const std::string* displayName);
  static ItemBytes OtherItem(std::string_view displayName);
  // The size of a list: every item's size plus the terminator.
  static size_t ListSize(const uint8_t* list);
  // The bytes of a .lnk file whose target is `list` (none: no target set).
  static std::string LinkFileBytes(const ItemBytes* list);

  // --- COM objects, one entry per interface reference held ---
  enum class ComKind { Malloc, DesktopFolder, PrintersFolder, Enumerator, ShellLink, PersistFile };
  struct LinkState {
    std::optional<ItemBytes> idList;
  };
  struct EnumState {
    std::vector<ItemBytes> items;
    size_t next = 0;
  };
  struct ComReference {
    ComKind kind;
    std::shared_ptr<LinkState> link;
    std::shared_ptr<EnumState> enumeration;
  };
  std::map<uintptr_t, ComReference> references;
};

}  // namespace sim
