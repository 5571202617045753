#include "platform/sim/shell_model.h"

#include <cstring>

#include "platform/sim/machine.h"

namespace sim {
namespace {

constexpr uint8_t kControlPanelClsid[16] = {0x20, 0x20, 0xEC, 0x21, 0xEA, 0x3A, 0x69, 0x10,
                                            0xA2, 0xDD, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};
constexpr uint8_t kPrintersClsid[16] = {0x80, 0xA2, 0x27, 0x22, 0xEA, 0x3A, 0x69, 0x10,
                                        0xA2, 0xDE, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};
constexpr uint8_t kShellLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr size_t kLinkHeaderSize = 0x4C;
constexpr uint32_t kHasLinkTargetIdList = 0x00000001;

void PutU16(ItemBytes& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<uint8_t>(value & 0xFF);
  bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

uint16_t GetU16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

void AppendTerminator(ItemBytes& list) { list.insert(list.end(), {0, 0}); }

// One item: its size, then type, a second byte and the payload.
ItemBytes Item(uint8_t type, uint8_t second, const void* payload, size_t payloadSize) {
  ItemBytes item(4 + payloadSize);
  PutU16(item, 0, static_cast<uint16_t>(item.size()));
  item[2] = type;
  item[3] = second;
  std::memcpy(item.data() + 4, payload, payloadSize);
  return item;
}

ItemBytes Text(std::string_view text) {
  ItemBytes bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

}  // namespace

ItemBytes ShellModel::PrintersFolderList() {
  ItemBytes list = Item(0x1F, 0x70, kControlPanelClsid, sizeof kControlPanelClsid);
  ItemBytes printers = Item(0x2E, 0x00, kPrintersClsid, sizeof kPrintersClsid);
  list.insert(list.end(), printers.begin(), printers.end());
  AppendTerminator(list);
  return list;
}

ItemBytes ShellModel::FileSystemFolderList(std::string_view path) {
  ItemBytes text = Text(path);
  ItemBytes list = Item(0x31, 0x00, text.data(), text.size());
  AppendTerminator(list);
  return list;
}

ItemBytes ShellModel::PrinterItem(std::string_view printerName, const std::string* displayName) {
  ItemBytes payload = Text(printerName);
  if (displayName != nullptr) {
    ItemBytes display = Text(*displayName);
    payload.insert(payload.end(), display.begin(), display.end());
  }
  ItemBytes list = Item(0x70, displayName != nullptr ? 1 : 0, payload.data(), payload.size());
  AppendTerminator(list);
  return list;
}

ItemBytes ShellModel::OtherItem(std::string_view displayName) {
  ItemBytes text = Text(displayName);
  ItemBytes list = Item(0x71, 0x00, text.data(), text.size());
  AppendTerminator(list);
  return list;
}

size_t ShellModel::ListSize(const uint8_t* list) {
  if (list == nullptr) return 0;
  size_t size = 0;
  for (uint16_t cb = GetU16(list); cb != 0; cb = GetU16(list + size)) size += cb;
  return size + 2;
}

std::string ShellModel::LinkFileBytes(const ItemBytes* list) {
  ItemBytes bytes(kLinkHeaderSize, 0);
  bytes[0] = static_cast<uint8_t>(kLinkHeaderSize);
  std::memcpy(bytes.data() + 4, kShellLinkClsid, sizeof kShellLinkClsid);
  bytes[20] = list != nullptr ? kHasLinkTargetIdList : 0;
  bytes[60] = 1;  // SW_SHOWNORMAL, the link object's default show command
  if (list != nullptr) {
    bytes.push_back(0);
    bytes.push_back(0);
    PutU16(bytes, kLinkHeaderSize, static_cast<uint16_t>(list->size()));
    bytes.insert(bytes.end(), list->begin(), list->end());
  }
  return std::string(bytes.begin(), bytes.end());
}

std::optional<ItemBytes> ShellModel::LinkTargetList(std::string_view path) const {
  std::optional<std::string> content = machine().files.Read(path);
  if (!content || content->size() < kLinkHeaderSize + 2) return std::nullopt;
  const auto* bytes = reinterpret_cast<const uint8_t*>(content->data());
  if (bytes[0] != kLinkHeaderSize || std::memcmp(bytes + 4, kShellLinkClsid, 16) != 0) return std::nullopt;
  if ((bytes[20] & kHasLinkTargetIdList) == 0) return std::nullopt;
  size_t size = GetU16(bytes + kLinkHeaderSize);
  if (content->size() < kLinkHeaderSize + 2 + size) return std::nullopt;
  const uint8_t* list = bytes + kLinkHeaderSize + 2;
  return ItemBytes(list, list + size);
}

std::optional<std::string> ShellModel::LinkTargetPrinter(std::string_view path) const {
  std::optional<ItemBytes> list = LinkTargetList(path);
  if (!list) return std::nullopt;
  ItemBytes printers = PrintersFolderList();
  size_t prefix = printers.size() - 2;
  if (list->size() < prefix + 6 || std::memcmp(list->data(), printers.data(), prefix) != 0) return std::nullopt;
  const uint8_t* item = list->data() + prefix;
  uint16_t cb = GetU16(item);
  if (item[2] != 0x70 || prefix + cb + 2 != list->size() || GetU16(item + cb) != 0) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(item + 4));
}

}  // namespace sim
