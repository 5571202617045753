// The Send To shortcut of a printer: where it goes, what it targets, and that every
// failure ends quietly with nothing left behind.
#include "install/send_to.h"

#include <cstring>
#include <string>

#include "app/install_context.h"
#include "install/driver_install.h"
#include "platform/shell.h"
#include "platform/sim/spooler_model.h"
#include "sim_fixture.h"

namespace {

class SendToTest : public SimTest {
 protected:
  void AddPrinter(const std::string& name, const std::string& driver = "Folyant-A") {
    sim::Printer printer;
    printer.name = name;
    printer.driver = driver;
    machine().printers.push_back(printer);
  }

  std::string LinkPath(const std::string& fileName) { return machine().shell.sendToFolder + "\\" + fileName; }

  // What any failure or silent refusal must leave: no log, no box, nothing held.
  void ExpectQuietAndClean() {
    EXPECT_TRUE(machine().eventLog.empty());
    EXPECT_TRUE(machine().debugOutput.empty());
    EXPECT_TRUE(machine().messageBoxes.empty());
    EXPECT_EQ(machine().OpenHandles(), 0) << machine().DescribeOpenHandles();
    EXPECT_TRUE(machine().violations.empty()) << machine().violations.front();
  }

  // A printer name that makes the Send To path exactly `pathLength` characters long.
  std::string NameForPathLength(size_t pathLength, char fill, const char* suffix = "") {
    size_t fixed = machine().shell.sendToFolder.size() + 1 + std::strlen(suffix);
    return std::string(pathLength - fixed, fill) + suffix;
  }
};

constexpr sim::DisplayNameForm kAllForms[] = {sim::DisplayNameForm::Wstr, sim::DisplayNameForm::Offset,
                                              sim::DisplayNameForm::Cstr};

}  // namespace

// The shortcut is named after the printer and targets its item in the Printers folder,
// whichever form the shell hands the display names back in.
TEST_F(SendToTest, ShortcutTargetsThePrintersItemInEveryNameForm) {
  for (sim::DisplayNameForm form : kAllForms) {
    SCOPED_TRACE(static_cast<int>(form));
    sim::ResetMachine();
    machine().shell.displayNameForm = form;
    machine().shell.otherItems = {"Add Printer"};
    AddPrinter("Glimmora");
    AddPrinter("Folyant");
    AddPrinter("Lodestar");

    EXPECT_TRUE(CreateSendToShortcut("FOLYANT"));

    EXPECT_EQ(machine().files.List(machine().shell.sendToFolder), std::vector<std::string>{LinkPath("FOLYANT.lnk")});
    EXPECT_EQ(machine().shell.LinkTargetPrinter(LinkPath("FOLYANT.lnk")), "Folyant");
    // An absolute list: the Printers folder's items, then the printer's, then one terminator.
    sim::ItemBytes expected = sim::ShellModel::PrintersFolderList();
    expected.resize(expected.size() - 2);
    sim::ItemBytes item = sim::ShellModel::PrinterItem("Folyant", nullptr);
    expected.insert(expected.end(), item.begin(), item.end());
    EXPECT_EQ(machine().shell.LinkTargetList(LinkPath("FOLYANT.lnk")), expected);
    ExpectQuietAndClean();
  }
}

// The folder's display name decides, not the spooler's name: a printer shown under
// another name is not found, and the item shown under the wanted name is the target.
TEST_F(SendToTest, DisplayNameDecidesWhichItemIsTheTarget) {
  for (sim::DisplayNameForm form : kAllForms) {
    SCOPED_TRACE(static_cast<int>(form));
    sim::ResetMachine();
    machine().shell.displayNameForm = form;
    AddPrinter("Folyant");
    AddPrinter("Folyant (renamed)");
    machine().shell.displayNames["Folyant"] = "Folyant on PDFFILE:";
    machine().shell.displayNames["Folyant (renamed)"] = "Folyant";

    EXPECT_TRUE(CreateSendToShortcut("Folyant"));
    EXPECT_EQ(machine().shell.LinkTargetPrinter(LinkPath("Folyant.lnk")), "Folyant (renamed)");
    ExpectQuietAndClean();
  }
}

// Names outside plain ASCII survive the wide display name and the wide save path.
TEST_F(SendToTest, AnsiNameSurvivesTheWideRoundTrip) {
  AddPrinter("Caf\xE9 \x80 PDF");
  EXPECT_TRUE(CreateSendToShortcut("Caf\xE9 \x80 PDF"));
  EXPECT_EQ(machine().shell.LinkTargetPrinter(LinkPath("Caf\xE9 \x80 PDF.lnk")), "Caf\xE9 \x80 PDF");
  ExpectQuietAndClean();
}

// A name that already ends in ".lnk", in any case, gets no second extension, on either side.
TEST_F(SendToTest, LinkExtensionIsNotAddedTwice) {
  AddPrinter("Report.LNK");
  EXPECT_TRUE(CreateSendToShortcut("Report.LNK"));
  EXPECT_EQ(machine().files.List(machine().shell.sendToFolder), std::vector<std::string>{LinkPath("Report.LNK")});
  EXPECT_EQ(machine().shell.LinkTargetPrinter(LinkPath("Report.LNK")), "Report.LNK");

  DeleteSendToShortcut("Report.LNK");
  EXPECT_TRUE(machine().files.List(machine().shell.sendToFolder).empty());
  ExpectQuietAndClean();
}

// A shortcut left from an earlier printer of the same name is written anew.
TEST_F(SendToTest, ExistingShortcutIsOverwritten) {
  AddPrinter("Folyant");
  machine().files.Put(LinkPath("Folyant.lnk"), "stale bytes");
  EXPECT_TRUE(CreateSendToShortcut("Folyant"));
  EXPECT_EQ(machine().shell.LinkTargetPrinter(LinkPath("Folyant.lnk")), "Folyant");
  ExpectQuietAndClean();
}

// A printer the Printers folder does not list (or an empty folder, as with the spooler
// stopped) gets no shortcut, and nobody is told.
TEST_F(SendToTest, PrinterMissingFromTheFolderGetsNoShortcut) {
  AddPrinter("Folyant");
  AddPrinter("Hidden");
  machine().shell.unlistedPrinters = {"Hidden"};
  EXPECT_FALSE(CreateSendToShortcut("Hidden"));
  EXPECT_FALSE(CreateSendToShortcut("Absent"));
  machine().spoolerRunning = false;
  EXPECT_FALSE(CreateSendToShortcut("Folyant"));
  EXPECT_TRUE(machine().files.List(machine().shell.sendToFolder).empty());
  ExpectQuietAndClean();
}

// Every failing shell or COM step ends in false, with no file, no message and nothing
// left allocated or referenced. EnumObjects failing with E_NOTIMPL is what Wine's
// Printers folder does.
TEST_F(SendToTest, EveryFailureIsQuietAndLeavesNothing) {
  struct Fault {
    const char* call;
    uint32_t error;
    int skip;
  };
  const Fault faults[] = {
      {"SHGetSpecialFolderLocation", 2, 0},  // the Send To folder
      {"SHGetPathFromIDListA", 0, 0},
      {"SHGetMalloc", static_cast<uint32_t>(os::kEOutOfMemory), 0},
      {"SHGetDesktopFolder", static_cast<uint32_t>(os::kEFail), 0},
      {"SHGetSpecialFolderLocation", static_cast<uint32_t>(os::kEFail), 1},  // the Printers folder
      {"IShellFolder_BindToObject", static_cast<uint32_t>(os::kEFail), 0},
      {"IShellFolder_EnumObjects", static_cast<uint32_t>(os::kENotImpl), 0},
      {"IEnumIDList_Next", static_cast<uint32_t>(os::kEFail), 0},
      {"IEnumIDList_Next", static_cast<uint32_t>(os::kEFail), 1},  // after one item was looked at
      {"IShellFolder_GetDisplayNameOf", static_cast<uint32_t>(os::kEFail), 0},
      {"WideCharToMultiByte", os::kErrorInsufficientBuffer, 0},
      {"IMalloc_Alloc", 0, 0},
      {"CoCreateInstance", static_cast<uint32_t>(os::kEOutOfMemory), 0},
      {"IShellLinkA_SetIDList", static_cast<uint32_t>(os::kEOutOfMemory), 0},
      {"IShellLinkA_QueryInterface", static_cast<uint32_t>(os::kENoInterface), 0},
      {"MultiByteToWideChar", os::kErrorInsufficientBuffer, 0},
      {"IPersistFile_Save", os::kErrorAccessDenied, 0},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(std::string(fault.call) + " skip " + std::to_string(fault.skip));
    sim::ResetMachine();
    machine().shell.otherItems = {"Add Printer"};
    AddPrinter("Folyant");
    machine().FailCall(fault.call, fault.error, fault.skip);

    EXPECT_FALSE(CreateSendToShortcut("Folyant"));
    EXPECT_TRUE(machine().files.List(machine().shell.sendToFolder).empty());
    EXPECT_FALSE(machine().files.Exists("Folyant.lnk"));
    ExpectQuietAndClean();
  }
}

// Deleting a shortcut removes that one file; deleting one that does not exist changes
// nothing and shows nothing.
TEST_F(SendToTest, DeleteRemovesOnlyThatShortcutAndIsSilentWhenMissing) {
  machine().files.Put(LinkPath("Folyant.lnk"), "link");
  machine().files.Put(LinkPath("Glimmora.lnk"), "link");
  machine().files.Put(LinkPath("Folyant.lnk.txt"), "note");

  DeleteSendToShortcut("folyant");
  DeleteSendToShortcut("Lodestar");

  EXPECT_EQ(machine().files.List(machine().shell.sendToFolder),
            (std::vector<std::string>{LinkPath("Folyant.lnk.txt"), LinkPath("Glimmora.lnk")}));
  ExpectQuietAndClean();
}

// A name that is no plain file name never reaches outside its own shortcut: no wildcard
// deletes the others, no separator leaves the folder, no colon writes a stream.
TEST_F(SendToTest, NameThatIsNoFileNameTouchesNothing) {
  machine().files.Put(LinkPath("Folyant.lnk"), "link");
  machine().files.Put(LinkPath("Glimmora.lnk"), "link");
  machine().files.Put("C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\x.lnk", "link");
  for (const char* name : {"*", "F?lyant", "..\\x", "../x", "Fax:Office", ""}) {
    SCOPED_TRACE(name);
    DeleteSendToShortcut(name);
    AddPrinter(name);
    EXPECT_FALSE(CreateSendToShortcut(name));
  }
  EXPECT_EQ(machine().files.List(machine().shell.sendToFolder),
            (std::vector<std::string>{LinkPath("Folyant.lnk"), LinkPath("Glimmora.lnk")}));
  EXPECT_TRUE(machine().files.Exists("C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\x.lnk"));
  EXPECT_FALSE(machine().files.Exists(LinkPath("Fax")));
  ExpectQuietAndClean();
}

// Without a Send To folder there is nowhere to put a shortcut: nothing is written (least
// of all relative to the current directory) and nothing is deleted.
TEST_F(SendToTest, MissingSendToFolderMeansNoFileWork) {
  AddPrinter("Folyant");
  machine().files.Put("Folyant.lnk", "a file in the current directory");
  machine().shell.sendToFolder.clear();
  machine().ForbidCall("SHFileOperationA");
  machine().ForbidCall("IPersistFile_Save");

  EXPECT_FALSE(CreateSendToShortcut("Folyant"));
  DeleteSendToShortcut("Folyant");

  EXPECT_EQ(machine().files.Read("Folyant.lnk"), "a file in the current directory");
  char buffer[os::kMaxPath] = "as it was";
  BuildSendToPath("Folyant", buffer);
  EXPECT_STREQ(buffer, "as it was");
  ExpectQuietAndClean();
}

// Paths stay within 260 bytes: a name that fits exactly works both ways, one character
// more is refused cleanly and the caller's buffer keeps what it had.
TEST_F(SendToTest, LongNamesAreRefusedAtTheBufferLimit) {
  std::string fits = NameForPathLength(259 - 4, 'f');
  std::string tooLongForLink = NameForPathLength(259 - 3, 'k');
  std::string tooLongForPath = NameForPathLength(260, 'p');
  std::string linkNamed = NameForPathLength(259, 'l', ".LNK");
  for (const std::string& name : {fits, tooLongForLink, tooLongForPath, linkNamed}) AddPrinter(name);

  EXPECT_TRUE(CreateSendToShortcut(fits.c_str()));
  EXPECT_TRUE(CreateSendToShortcut(linkNamed.c_str()));
  EXPECT_FALSE(CreateSendToShortcut(tooLongForLink.c_str()));
  EXPECT_FALSE(CreateSendToShortcut(tooLongForPath.c_str()));
  EXPECT_EQ(machine().files.List(machine().shell.sendToFolder),
            (std::vector<std::string>{LinkPath(fits + ".lnk"), LinkPath(linkNamed)}));

  char buffer[os::kMaxPath] = "as it was";
  BuildSendToPath(tooLongForPath.c_str(), buffer);
  EXPECT_STREQ(buffer, "as it was");
  BuildSendToPath(tooLongForLink.c_str(), buffer);
  EXPECT_EQ(std::string(buffer), LinkPath(tooLongForLink));

  DeleteSendToShortcut(fits.c_str());
  DeleteSendToShortcut(linkNamed.c_str());
  EXPECT_TRUE(machine().files.List(machine().shell.sendToFolder).empty());
  ExpectQuietAndClean();
}

// An absent name does nothing at all.
TEST_F(SendToTest, AbsentNameMakesNoCall) {
  char buffer[os::kMaxPath] = "as it was";
  EXPECT_FALSE(CreateSendToShortcut(nullptr));
  DeleteSendToShortcut(nullptr);
  BuildSendToPath(nullptr, buffer);
  EXPECT_STREQ(buffer, "as it was");
  EXPECT_EQ(FindPrinterShellItem("Folyant", nullptr), nullptr);
  EXPECT_TRUE(machine().calls.empty());
}

// The run without switches makes the shortcut of "Folyant" after the About box.
TEST_F(SendToTest, RunWithoutSwitchesMakesTheDefaultPrintersShortcut) {
  AddPrinter("Folyant");
  EXPECT_EQ(RunProgram(""), 212);
  EXPECT_EQ(machine().shell.LinkTargetPrinter(LinkPath("Folyant.lnk")), "Folyant");
}

// A new printer gets its shortcut; one the shell does not list gets none, and the
// installation still succeeds without a word about it.
TEST_F(SendToTest, InstallationGoesOnWithoutTheShortcut) {
  ResetInstallContext();
  machine().is64BitWindows = false;
  sim::StageProductFiles(machine());
  sim::AddMonitor(machine(), "Folyant Port", "Windows NT x86", "folyantm7.dll");
  machine().shell.unlistedPrinters = {"Unlisted"};

  EXPECT_NE(InstallPrinter("Folyant", 0, 0, 0), 0);
  EXPECT_NE(InstallPrinter("Unlisted", 0, 0, 0), 0);

  EXPECT_EQ(machine().printers.size(), 2u);
  EXPECT_EQ(machine().files.List(machine().shell.sendToFolder), std::vector<std::string>{LinkPath("Folyant.lnk")});
  EXPECT_EQ(machine().shell.LinkTargetPrinter(LinkPath("Folyant.lnk")), "Folyant");
  for (const std::string& text : LogTexts()) EXPECT_EQ(text.rfind("UpdateDependentFiles", 0), 0u) << text;
  EXPECT_TRUE(machine().messageBoxes.empty());
  ResetInstallContext();
}
