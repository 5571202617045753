// The shell wrappers' contract: the Send To folder, shell links saved there and deleted
// through the shell, and the Printers folder.
#include <cstring>
#include <string>

#include "conformance.h"
#include "platform/shell.h"

namespace conformance {
namespace {

constexpr const char* kPrinter = "Conformance Printer";
constexpr const char* kDriver = "Conformance Driver";

class ShellConformanceTest : public ConformanceTest {
 protected:
  std::string SendToPath() {
    os::ItemIdList list = nullptr;
    EXPECT_EQ(os::SHGetSpecialFolderLocation(nullptr, os::kCsidlSendTo, &list), os::kSOk);
    os::OwnedItemIdList owned(list);
    char path[os::kMaxPath] = {};
    EXPECT_TRUE(os::SHGetPathFromIDListA(owned.get(), path));
    return path;
  }

  static std::u16string Widen(const std::string& text) {
    std::u16string wide(text.size() + 1, u'\0');
    int written = os::MultiByteToWideChar(os::kCpAcp, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(written > 0 ? static_cast<size_t>(written - 1) : 0);
    return wide;
  }

  // The text of a display name in any of its three forms; a WSTR's memory is freed.
  static std::string DisplayText(const os::StrRet& name, os::ConstItemIdList item) {
    switch (name.type) {
      case os::kStrretWstr: {
        os::OwnedTaskString owned(name.oleStr);
        char text[os::kMaxPath] = {};
        os::WideCharToMultiByte(os::kCpAcp, 0, owned.get(), -1, text, sizeof text);
        return text;
      }
      case os::kStrretOffset:
        return reinterpret_cast<const char*>(item + name.offset);
      default:
        return name.cStr;
    }
  }
};

}  // namespace

// The Send To folder is a file-system folder with a path.
TEST_F(ShellConformanceTest, SendToFolderHasAPath) {
  const std::string path = SendToPath();
  ASSERT_GT(path.size(), 3u);
  EXPECT_EQ(path.substr(1, 2), ":\\");
  EXPECT_EQ(path.substr(path.size() - 7), "\\SendTo");
}

// A shell link saved into the Send To folder is a file there, and the shell deletes it;
// deleting it again fails.
TEST_F(ShellConformanceTest, ShellLinkIsSavedAndDeletedByTheShell) {
  const std::string link = SendToPath() + "\\Conformance Link.lnk";
  ASSERT_TRUE(os::Succeeded(os::CoInitialize()));
  {
    os::ItemIdList list = nullptr;
    ASSERT_EQ(os::SHGetSpecialFolderLocation(nullptr, os::kCsidlSendTo, &list), os::kSOk);
    os::OwnedItemIdList target(list);
    os::ShellLinkHandle created = nullptr;
    ASSERT_EQ(os::CoCreateInstance(&created), os::kSOk);
    os::OwnedShellLink shellLink(created);
    ASSERT_EQ(os::IShellLinkA_SetIDList(shellLink.get(), target.get()), os::kSOk);
    os::PersistFileHandle persist = nullptr;
    ASSERT_EQ(os::IShellLinkA_QueryInterface(shellLink.get(), &persist), os::kSOk);
    os::OwnedPersistFile file(persist);
    EXPECT_EQ(os::IPersistFile_Save(file.get(), Widen(link).c_str(), true), os::kSOk);
  }
  EXPECT_TRUE(FileOnDisk(link));

  std::string from = link + '\0';  // the list ends with a second NUL
  os::ShFileOpStruct operation;
  operation.func = os::kFoDelete;
  operation.from = from.c_str();
  operation.flags = os::kFofNoConfirmation | os::kFofNoErrorUi;
  EXPECT_EQ(os::SHFileOperationA(&operation), 0);
  EXPECT_FALSE(FileOnDisk(link));
  EXPECT_NE(os::SHFileOperationA(&operation), 0);
}

// The Printers folder lists each printer under its name.
TEST_F(ShellConformanceTest, PrintersFolderListsThePrinters) {
  InstallDriver(kDriver, PrinterDriverEnvironment());
  InstallPrinter(kPrinter, kDriver);
  ASSERT_TRUE(os::Succeeded(os::CoInitialize()));

  os::ItemIdList list = nullptr;
  ASSERT_EQ(os::SHGetSpecialFolderLocation(nullptr, os::kCsidlPrinters, &list), os::kSOk);
  os::OwnedItemIdList printersList(list);
  os::ShellFolderHandle desktopHandle = nullptr;
  ASSERT_EQ(os::SHGetDesktopFolder(&desktopHandle), os::kSOk);
  os::OwnedShellFolder desktop(desktopHandle);
  os::ShellFolderHandle folderHandle = nullptr;
  ASSERT_EQ(os::IShellFolder_BindToObject(desktop.get(), printersList.get(), &folderHandle), os::kSOk);
  os::OwnedShellFolder folder(folderHandle);

  os::EnumIdListHandle enumHandle = nullptr;
  os::HResult status =
      os::IShellFolder_EnumObjects(folder.get(), nullptr, os::kShcontfFolders | os::kShcontfNonFolders, &enumHandle);
  os::OwnedEnumIdList enumerator(enumHandle);
  if (RunningOnWine()) {
    // Wine's Printers folder binds but cannot be enumerated.
    EXPECT_EQ(status, os::kENotImpl);
    return;
  }
  ASSERT_EQ(status, os::kSOk);
  bool found = false;
  for (;;) {
    os::ItemIdList item = nullptr;
    uint32_t fetched = 0;
    if (os::IEnumIDList_Next(enumerator.get(), 1, &item, &fetched) != os::kSOk || fetched != 1) break;
    os::OwnedItemIdList owned(item);
    os::StrRet name;
    ASSERT_EQ(os::IShellFolder_GetDisplayNameOf(folder.get(), owned.get(), os::kShgdnNormal, &name), os::kSOk);
    found = found || DisplayText(name, owned.get()) == kPrinter;
  }
  EXPECT_TRUE(found);
}

}  // namespace conformance
