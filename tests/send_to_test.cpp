// The Send To shortcut of a printer, written by the real shell under Wine to the printer's
// item in the substituted Printers folder listing.
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
  static std::string Link(const std::string& name) { return SendToFolder() + "\\" + name; }
  // The saved shortcut holds its target: the Printers folder's items, then the printer's
  // item as the substituted listing makes it (its size, a mark, the name).
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

// The shortcut is named after the printer and targets its item, found by display name in
// any letter case (ANSI letters too) in each form the folder hands names back; one left
// from before is written anew.
TEST_F(SendToTest, ShortcutTargetsThePrintersItem) {
  const std::string printer = "Folyant \xE9\x80", requested = "FOLYANT \xC9\x80";
  for (uint32_t form : {0u, 1u, 2u}) {
    SCOPED_TRACE(form);
    ArrangePrinter("Aster", "Folyant-A");
    ArrangePrinter(printer, "Folyant-A");
    WriteFile(Link(requested + ".lnk"), "stale");
    substitute::PrintersFolderNameForm(form);
    EXPECT_TRUE(CreateSendToShortcut(requested.c_str()));
    EXPECT_TRUE(Targets(Link(requested + ".lnk"), printer));
    Fresh();
  }
}

// A name in offset form counts only whole within its item and shorter than 260 bytes:
// a malformed one names no printer.
TEST_F(SendToTest, MalformedOffsetNamesNoPrinter) {
  for (uint32_t form : {substitute::kOffsetUnterminated, substitute::kOffsetOverlong}) {
    SCOPED_TRACE(form);
    ArrangePrinter("Folyant", "Folyant-A");
    substitute::PrintersFolderNameForm(form);
    EXPECT_FALSE(CreateSendToShortcut("Folyant"));
    EXPECT_FALSE(FileExists(Link("Folyant.lnk")));
    Fresh();
  }
}

// Each failing shell or COM step ends in false with nothing left open (checked after each)
// and no file, least of all in the current directory. A call named again
// fails at its next use: the Printers folder's location, the listing after one item.
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
    EXPECT_FALSE(FileExists(Link("Folyant.lnk")) || FileExists("Folyant.lnk"));
    Fresh();
  }
}

// Paths stay within 260 bytes, ".lnk" included and added once. No path, no file work: a
// name too long, or no plain file name (a separator would leave the folder, a wildcard take
// other shortcuts, a colon name a stream, a device name the device), no Send To folder, no name. Deleting takes the
// one shortcut of the name, in any case.
TEST_F(SendToTest, PathsAndDeletion) {
  const size_t room = 259 - SendToFolder().size() - 1;  // a name for a path of 259 characters
  const std::string fits(room - 4, 'f'), linkNamed = std::string(room - 4, 'l') + ".LNK";
  const std::string noRoomForLink(room - 3, 'k'), tooLong(room + 1, 'p');
  for (const std::string& name : {fits, linkNamed}) ArrangePrinter(name, "Folyant-A");
  WriteFile(Link("Folyant.lnk"), "link");
  EXPECT_TRUE(CreateSendToShortcut(fits.c_str()) && CreateSendToShortcut(linkNamed.c_str()));
  EXPECT_TRUE(FileExists(Link(fits + ".lnk")) && FileExists(Link(linkNamed)));
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
  EXPECT_EQ(substitute::Calls("SHGetMalloc").size(), 2u);
  EXPECT_FALSE(substitute::Called("DeleteFileA"));
  char buffer[300] = "as it was";
  BuildSendToPath(tooLong.c_str(), buffer);
  BuildSendToPath(nullptr, buffer);
  EXPECT_STREQ(buffer, "as it was");

  for (const char* name : {linkNamed.c_str(), "folyant", "Lodestar"}) DeleteSendToShortcut(name);
  EXPECT_FALSE(FileExists(Link(linkNamed)) || FileExists(Link("Folyant.lnk")));
}

// Without memory or spooler the answer of -checkinstance is "not several".
TEST_F(SendToTest, CheckInstanceWithoutAnEnumeration) {
  ArrangePrinter("Folyant", "Folyant-A");
  ArrangePrinter("Lodestar 2", "LODESTAR PDF WRITER");
  substitute::FailCall("LocalAlloc", 8, 0, 1);
  EXPECT_EQ(RunProgram("-checkinstance"), 0);
  substitute::FailCall("EnumPrintersA", 1722, 0, 1);
  EXPECT_EQ(RunProgram("-checkinstance"), 0);
  EXPECT_EQ(RunProgram("-x64 -checkinstance"), 1);
}

// A printer named 申請 (90 5C 90 BF: the second byte of 申 is "\\") in code page 932 gets
// its Send To path, -deleteprinter deletes its shortcut, and -verify finds nothing wrong
// with it (the note Wine always gives aside). In a single-byte code page the name is no
// plain file name, as before.
TEST_F(SendToTest, DoubleByteNames) {
  const std::string name = "\x90\x5c\x90\xbf";
  const bool doubleByte = ::GetACP() == 932;
  char path[300] = "";
  BuildSendToPath(name.c_str(), path);
  EXPECT_EQ(std::string(path), doubleByte ? Link(name) : "");
  // In a single-byte code page the name holds a "\\", which no printer name may.
  if (!doubleByte) return;
  EXPECT_EQ(RunProgram(("-addxpsprinter -printername=\"" + name + "\" -verify -quiet").c_str()), 0);
  EXPECT_TRUE(PrinterExists(name));
  WriteFile(Link(name + ".lnk"), "link");
  EXPECT_EQ(RunProgram("-deleteprinter"), 0);
  EXPECT_FALSE(PrinterExists(name) || FileExists(Link(name + ".lnk")));
}
