// The Send To shortcut of a printer, written by the real shell to its Printers folder item.
#include "install/send_to.h"

#include <shlobj.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

#include "support/wine_test.h"

namespace {

class SendToTest : public WineTest {
 protected:
  // The saved shortcut holds the Printers folder's items, then the printer's as listed.
  static bool Targets(const std::string& link, const std::string& printer) {
    LPITEMIDLIST folder = nullptr;
    ::SHGetSpecialFolderLocation(nullptr, CSIDL_PRINTERS, &folder);
    const std::string target = std::string(reinterpret_cast<const char*>(folder), ::ILGetSize(folder) - 2) +
                               char(7 + printer.size()) + '\0' + "VKPR" + printer + std::string(3, '\0');
    ::CoTaskMemFree(folder);
    std::ifstream file(link, std::ios::binary);
    return std::string{std::istreambuf_iterator<char>(file), {}}.find(target) != std::string::npos;
  }
};

}  // namespace

// The shortcut targets the printer's item, found by name in any case and each name form; an old one is
// replaced. An offset-form name not ended within its item, or of 260 bytes and more, names no printer.
TEST_F(SendToTest, ShortcutTargetsThePrintersItem) {
  const std::string printer = "Folyant \xE9\x80", requested = "FOLYANT \xC9\x80";
  for (uint32_t form : {0u, 1u, 2u, substitute::kOffsetUnterminated, substitute::kOffsetOverlong}) {
    SCOPED_TRACE(form);
    const bool wellFormed = form < substitute::kOffsetUnterminated;
    ArrangePrinter("Aster", "Folyant-A");
    ArrangePrinter(printer, "Folyant-A");
    WriteFile(Link(requested), "stale");
    substitute::PrintersFolderNameForm(form);
    EXPECT_EQ(CreateSendToShortcut(requested.c_str()), wellFormed);
    EXPECT_EQ(Targets(Link(requested), printer), wellFormed);
    Fresh();
  }
}

// Each failing shell or COM step ends in false with nothing left open and no file anywhere;
// a call named again fails at its next use.
TEST_F(SendToTest, EveryFailingStepLeavesNothing) {
  std::istringstream calls(
      "SHGetSpecialFolderLocation SHGetPathFromIDListA SHGetMalloc SHGetDesktopFolder SHGetSpecialFolderLocation "
      "IShellFolder_BindToObject IShellFolder_EnumObjects IEnumIDList_Next IEnumIDList_Next "
      "IShellFolder_GetDisplayNameOf WideCharToMultiByte IMalloc_Alloc CoCreateInstance IShellLinkA_SetIDList "
      "IShellLinkA_QueryInterface MultiByteToWideChar IPersistFile_Save");
  std::map<std::string, int> named;
  for (std::string call; calls >> call;) {
    const int skip = named[call]++;
    SCOPED_TRACE(::testing::Message() << call << " skip " << skip);
    ArrangePrinter("Aster", "Folyant-A");
    ArrangePrinter("Folyant", "Folyant-A");
    substitute::FailCall(call, 0x80004005, skip);
    EXPECT_FALSE(CreateSendToShortcut("Folyant"));
    EXPECT_FALSE(FileExists(Link("Folyant")) || FileExists("Folyant.lnk"));
    Fresh();
  }
}

// Paths stay under 260 bytes, ".lnk" added once; no plain file name (separator, wildcard, colon,
// device), no folder or no name: no file work. Deleting takes the one shortcut, in any case.
TEST_F(SendToTest, PathsAndDeletion) {
  const size_t room = 259 - SendToFolder().size() - 1;  // a name for a path of 259 characters
  const std::string fits(room - 4, 'f'), linkBase(room - 4, 'l'), linkNamed = linkBase + ".LNK";
  const std::string noRoomForLink(room - 3, 'k'), tooLong(room + 1, 'p');
  // "Nub" shares two letters with a device name, not three.
  for (const std::string& name : {fits, linkNamed, std::string("Nub")}) ArrangePrinter(name, "Folyant-A");
  WriteFile(Link("Folyant"), "link");
  EXPECT_TRUE(CreateSendToShortcut(fits.c_str()) && CreateSendToShortcut(linkNamed.c_str()) &&
              CreateSendToShortcut("Nub"));
  EXPECT_TRUE(FileExists(Link(fits)) && FileExists(Link(linkBase)) && FileExists(Link("Nub")));
  for (const char* name : {noRoomForLink.c_str(), tooLong.c_str(), "", "F\\x", "F/x", "F:x", "F*", "F?", "F\"", "F<",
                           "F>", "F|", "F\x1f", "LPT1", "com9.pdf", "Nul ", "aux.", "CON"}) {
    EXPECT_FALSE(CreateSendToShortcut(name)) << name;
    DeleteSendToShortcut(name);
  }
  substitute::FailCall("SHGetSpecialFolderLocation", 0x80004005, 0, 2);  // no Send To folder
  EXPECT_FALSE(CreateSendToShortcut("Folyant") || CreateSendToShortcut(nullptr));
  DeleteSendToShortcut("Folyant");
  DeleteSendToShortcut(nullptr);
  EXPECT_EQ(FindPrinterShellItem("Folyant", nullptr), nullptr);
  EXPECT_EQ(substitute::Calls("SHGetMalloc").size(), 3u);
  EXPECT_FALSE(substitute::Called("DeleteFileA"));
  char buffer[300] = "as it was";
  BuildSendToPath(tooLong.c_str(), buffer);
  BuildSendToPath(nullptr, buffer);
  EXPECT_STREQ(buffer, "as it was");

  for (const char* name : {linkNamed.c_str(), "folyant", "Lodestar", "nub"}) DeleteSendToShortcut(name);
  EXPECT_FALSE(FileExists(Link(linkBase)) || FileExists(Link("Folyant")) || FileExists(Link("Nub")));
}

// In code page 932 a printer named 申請 (90 5C 90 BF: a "\\" as second byte) gets its shortcut
// path, passes -verify and loses it to -deleteprinter; in a single-byte page it is no file name.
TEST_F(SendToTest, DoubleByteNames) {
  const std::string name = "\x90\x5c\x90\xbf";
  const bool doubleByte = ::GetACP() == 932;
  char path[300] = "";
  BuildSendToPath(name.c_str(), path);
  EXPECT_EQ(std::string(path), doubleByte ? SendToFolder() + "\\" + name : "");
  // In a single-byte code page the name holds a "\\", which no printer name may.
  if (!doubleByte) return;
  EXPECT_EQ(RunProgram(("-addxpsprinter -printername=\"" + name + "\" -verify -quiet").c_str()), 0);
  EXPECT_TRUE(PrinterExists(name));
  WriteFile(Link(name), "link");
  EXPECT_EQ(RunProgram("-deleteprinter"), 0);
  EXPECT_FALSE(PrinterExists(name) || FileExists(Link(name)));
}
