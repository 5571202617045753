// Removing printers, one or every product printer, with drivers and shortcuts, on the real spooler.
#include "install/removal.h"

#include <windows.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "install/product_printers.h"
#include "support/wine_test.h"

namespace {

using substitute::Called;

class RemovalTest : public WineTest {
 protected:
  // A printer with its driver and its Send To shortcut.
  void ArrangeLinkedPrinter(const std::string& name, const std::string& driver) {
    ArrangePrinter(name, driver);
    WriteFile(Link(name), "link");
  }
  static std::string Link(const std::string& name) { return SendToFolder() + "\\" + name + ".lnk"; }
};

}  // namespace

// Each instance switch takes its one printer, no driver or shortcut; a missing one is a warning.
TEST_F(RemovalTest, InstanceSwitches) {
  ArrangeLinkedPrinter("Folyant", "Folyant-A");
  ArrangeLinkedPrinter("Folyant for Orchard", "Folyant-A");
  ArrangeLinkedPrinter("Lodestar PDF Writer", "Lodestar PDF Writer");
  EXPECT_EQ(RunProgram("-deleteprinterinstance"), 0);
  EXPECT_EQ(RunProgram("-DeleteLodestarInstance"), 0);
  EXPECT_EQ(RunProgram("-DeleteLodestarInstance"), 0);

  EXPECT_EQ(
      Logged(),
      (Events{{kInformation, "DeletePDFPrinterInstance: Deleted printer Folyant"},
              {kInformation, "DeletePDFPrinterInstance: Deleted printer Lodestar PDF Writer"},
              {kWarning, "DeletePDFPrinterInstance: OpenPrinter failed, printer Lodestar PDF Writer error 1801"}}));
  EXPECT_FALSE(PrinterExists("Folyant"));
  EXPECT_TRUE(PrinterExists("Folyant for Orchard"));
  EXPECT_TRUE(DriverExists("Folyant-A"));
  EXPECT_TRUE(FileExists(Link("Folyant")));
  EXPECT_TRUE(substitute::Sleeps().empty());
}

// What each failing step of one printer's removal leaves; the shortcut goes whatever fails.
TEST_F(RemovalTest, DeletePrinterSteps) {
  const Events deleted = {{kInformation, "DeletePDFPrinterInstance: Deleted printer Folyant"}};
  const std::pair<uint16_t, std::string> driverKept = {
      kWarning, "DeletePDFPrinter: failed to delete printer driver, driver Folyant, error 1797"};
  struct Row {
    const char* failingCall;  // its first call fails
    uint32_t error;
    int skip;
    Events logged;
    bool printerLeft, driverLeft;
  };
  // clang-format off
  const Row rows[] = {
      // All goes: the printer, then after the pause its driver.
      {nullptr, 0, 0, deleted, false, false},
      // A refused DeletePrinter keeps the driver.
      {"DeletePrinter", 5, 0, {{kWarning, "DeletePDFPrinterInstance: DeletePrinter failed, error 5"}}, true, true},
      // Unreadable driver information: the driver is looked for under the printer's name.
      {"GetPrinterDriverA", 5, 1, {{kWarning, "DeletePDFPrinter: failed to get printer driver, printer Folyant, error 5"}, deleted[0], driverKept}, false, true},
      // No memory for the driver information: silently the printer's name.
      {"LocalAlloc", 8, 0, {deleted[0], driverKept}, false, true},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.failingCall != nullptr ? row.failingCall : "none");
    ArrangeLinkedPrinter("Folyant", "Folyant-A");
    substitute::Reset();
    if (row.failingCall != nullptr) substitute::FailCall(row.failingCall, row.error, row.skip, 1);
    DeletePDFPrinter("Folyant", nullptr, TargetFor(false));

    EXPECT_EQ(Logged(), row.logged);
    EXPECT_EQ(PrinterExists("Folyant"), row.printerLeft);
    EXPECT_EQ(DriverExists("Folyant-A"), row.driverLeft);
    EXPECT_FALSE(FileExists(Link("Folyant")));
    EXPECT_EQ(substitute::Sleeps(), std::vector<uint32_t>(!row.printerLeft, 1000));
    Fresh();
  }
}

// No such printer: three warnings, no driver deletion, a stray shortcut of the name removed.
TEST_F(RemovalTest, AbsentPrinter) {
  ArrangeDriver("Ghost");
  WriteFile(Link("Ghost"), "link");
  DeletePDFPrinter("Ghost", nullptr, TargetFor(false));

  EXPECT_EQ(Logged(), (Events{{kWarning, "DeletePDFPrinter: failed to open printer Ghost, error 1801"},
                              {kWarning, "DeletePDFPrinter: NULL printer handle, printer Ghost, error 1801"},
                              {kWarning, "DeletePDFPrinterInstance: OpenPrinter failed, printer Ghost error 1801"}}));
  EXPECT_FALSE(Called("DeletePrinterDriverA"));
  EXPECT_TRUE(DriverExists("Ghost"));
  EXPECT_FALSE(FileExists(Link("Ghost")));
}

// A taken name (any case) is cleared with its driver; a free one is left alone, both true.
TEST_F(RemovalTest, CheckPrinterInstalled) {
  ArrangeLinkedPrinter("Folyant", "Folyant-A");
  EXPECT_TRUE(checkPrinterInstalled("Folyant 2", TargetFor(false)));
  EXPECT_TRUE(Logged().empty());
  EXPECT_FALSE(Called("DeletePrinter"));

  EXPECT_TRUE(checkPrinterInstalled("FOLYANT", TargetFor(false)));
  EXPECT_FALSE(PrinterExists("Folyant"));
  EXPECT_FALSE(DriverExists("Folyant-A"));
  ASSERT_FALSE(Logged().empty());
  EXPECT_EQ(Logged().front(), (std::pair<uint16_t, std::string>{
                                  kInformation, "checkPrinterInstalled: printer exists, deleting printer FOLYANT"}));
}

// A driver shared by two printers goes with the last of them, walked from the last.
TEST_F(RemovalTest, DeleteAllSharedDriverGoesWithTheLastPrinter) {
  ArrangeLinkedPrinter("Folyant", "Folyant-A");
  ArrangeLinkedPrinter("Folyant 2", "Folyant-A");
  EXPECT_EQ(RunProgram("-deleteprinter"), 0);

  EXPECT_EQ(Logged(),
            (Events{{kInformation, "DeletePDFPrinterInstance: Deleted printer Folyant 2"},
                    {kWarning, "DeletePDFPrinter: failed to delete printer driver, driver Folyant-A, error 3001"},
                    {kInformation, "DeletePDFPrinterInstance: Deleted printer Folyant"}}));
  EXPECT_FALSE(PrinterExists("Folyant"));
  EXPECT_FALSE(DriverExists("Folyant-A"));
  EXPECT_FALSE(FileExists(Link("Folyant")));
  EXPECT_FALSE(FileExists(Link("Folyant 2")));
  EXPECT_EQ(substitute::Sleeps(), (std::vector<uint32_t>{1000, 1000}));
}

// The product's printers are those on its six drivers, any case; -checkinstance skips "Glimmora".
TEST_F(RemovalTest, WhichPrintersCount) {
  // printer, driver, taken by -deleteprinter, counted by -checkinstance
  const std::tuple<const char*, const char*, bool, bool> rows[] = {
      {"A", "Folyant-A", true, true},
      {"B", "KRV PDF Pro", true, true},
      {"C", "benchcraft pdf-writer", true, true},
      {"D", "Lodestar PDF Writer", true, true},
      {"E", "FOLYANT FOR ORCHARD", true, true},
      {"F", "Folyant for Brightline", true, true},
      {"Glimmora", "Folyant-A", true, false},
      {"Writer", "Folyant Writer", false, false},
      {"Fonts", "Folyant Font Helper", false, false},
      {"G", "Folyant-AB", false, false},
  };
  for (const auto& [printer, driver, taken, counted] : rows) {
    SCOPED_TRACE(driver);
    ArrangeLinkedPrinter("Folyant", "KRV PDF Pro");
    ArrangeLinkedPrinter(printer, driver);
    EXPECT_EQ(RunProgram("-checkinstance"), counted ? 1 : 0);
    EXPECT_EQ(RunProgram("-deleteprinter"), 0);
    EXPECT_EQ(PrinterExists(printer) || DriverExists(driver) || FileExists(Link(printer)), !taken);
    Fresh();
  }
  EXPECT_FALSE(IsProductDriverName(nullptr));
}

// Without memory or a running spooler nothing is deleted or counted; no other printer is touched.
TEST_F(RemovalTest, DeleteAllTouchesNothingElse) {
  ArrangeLinkedPrinter("Folyant", "Folyant Writer");
  ArrangeLinkedPrinter("Folyant 2", "Folyant-A");
  ArrangePrinter("Lodestar 2", "LODESTAR PDF WRITER");
  for (const auto& [call, error] : {std::pair<const char*, uint32_t>{"LocalAlloc", 8}, {"EnumPrintersA", 1722}}) {
    SCOPED_TRACE(call);
    substitute::FailCall(call, error);
    EXPECT_EQ(RunProgram("-checkinstance"), 0);
    EXPECT_EQ(RunProgram("-deleteprinter"), 0);
    EXPECT_FALSE(Called("DeletePrinter"));
    substitute::Reset();
  }
  EXPECT_TRUE(PrinterExists("Folyant 2") && FileExists(Link("Folyant 2")));
  EXPECT_EQ(RunProgram("-x64 -checkinstance"), 1);
  EXPECT_EQ(RunProgram("-deleteprinter"), 0);
  EXPECT_TRUE(PrinterExists("Folyant") && FileExists(Link("Folyant")));
}

// -x64 deletes the driver of the native 64-bit environment (x64 or ARM64) only, else x86's.
TEST_F(RemovalTest, DriverEnvironment) {
  substitute::AnswerAsWindows(substitute::kWindows7, true);
  ArrangePrinter("Folyant", "Folyant-A");
  ArrangeDriver("Folyant-A", "Windows x64");
  EXPECT_EQ(RunProgram("-deleteprinter"), 0);
  EXPECT_FALSE(DriverExists("Folyant-A"));
  EXPECT_TRUE(DriverExists("Folyant-A", "Windows x64"));

  ArrangePrinter("Folyant", "Folyant-A");
  EXPECT_EQ(RunProgram("-x64 -deleteprinter"), 0);
  EXPECT_EQ(Logged(), (Events{{kInformation, "DeletePDFPrinterInstance: Deleted printer Folyant"},
                              {kInformation, "DeletePDFPrinterInstance: Deleted printer Folyant"}}));
  EXPECT_FALSE(DriverExists("Folyant-A", "Windows x64"));
  EXPECT_TRUE(DriverExists("Folyant-A"));

  // On Windows on ARM, -x64 is the native ARM64 environment (the machine substituted).
  substitute::AnswerNativeMachine(IMAGE_FILE_MACHINE_ARM64);
  ArrangePrinter("Folyant", "Folyant-A");
  ArrangeDriver("Folyant-A", "Windows ARM64");
  ArrangeDriver("Folyant-A", "Windows x64");
  EXPECT_EQ(RunProgram("-x64 -deleteprinter"), 0);
  EXPECT_FALSE(DriverExists("Folyant-A", "Windows ARM64"));
  EXPECT_TRUE(DriverExists("Folyant-A", "Windows x64") && DriverExists("Folyant-A"));
  ::DeletePrinterDriverA(nullptr, const_cast<char*>("Windows x64"), const_cast<char*>("Folyant-A"));
}

// Only a plain shortcut goes: a folder in its place (also one put there after the look) stays,
// and a device name ("LPT1.lnk" is the port) gets no file work. Wine makes no symbolic links.
TEST_F(RemovalTest, OnlyAPlainShortcutGoes) {
  const std::string notPlain = " is not a plain file, not deleted";
  // The printer, what the case puts at its shortcut's place, and what must be there after.
  const std::vector<std::tuple<std::string, std::function<void()>, std::function<bool()>, std::string>> rows = {
      {"Folyant", [] { WriteFile(Link("Folyant"), "link"); }, [] { return !FileExists(Link("Folyant")); }, ""},
      {"Folyant",
       [] {
         ::CreateDirectoryA(Link("Folyant").c_str(), nullptr);
         WriteFile(Link("Folyant") + "\\kept.txt", "mine");
       },
       [] { return FileExists(Link("Folyant") + "\\kept.txt"); },
       "DeleteSendToShortcut: " + Link("Folyant") + notPlain},
      // The folder put in the file's place after the look (the look's answer substituted).
      {"Folyant",
       [] {
         ::CreateDirectoryA(Link("Folyant").c_str(), nullptr);
         WriteFile(Link("Folyant") + "\\kept.txt", "mine");
         substitute::AnswerFileAttributes(FILE_ATTRIBUTE_ARCHIVE);
       },
       [] { return FileExists(Link("Folyant") + "\\kept.txt"); }, ""},
      {"LPT1", [] {}, [] { return !substitute::Called("GetFileAttributesA") && !substitute::Called("DeleteFileA"); },
       ""},
      {"com9.pdf", [] {}, [] { return !substitute::Called("DeleteFileA"); }, ""},
  };
  for (const auto& [printer, arrange, holds, warning] : rows) {
    SCOPED_TRACE(printer + " " + warning);
    ArrangePrinter(printer, "Folyant-A");
    substitute::Reset();
    arrange();
    EXPECT_EQ(RunProgram("-deleteprinter"), 0);
    EXPECT_FALSE(PrinterExists(printer));
    EXPECT_TRUE(holds());
    if (!warning.empty()) {
      EXPECT_EQ(Last(Logged()), (Events::value_type{kWarning, warning}));
    }
    for (const std::string& path : {Link("Folyant") + "\\kept.txt", Link("Folyant")}) ::DeleteFileA(path.c_str());
    ::RemoveDirectoryA(Link("Folyant").c_str());
  }
}
