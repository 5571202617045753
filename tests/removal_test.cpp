// Removing printers, one or every product printer, with drivers and shortcuts, on the real spooler.
#include "install/removal.h"

#include <windows.h>

#include <string>
#include <tuple>
#include <vector>

#include "install/product_printers.h"
#include "support/wine_test.h"

namespace {

using substitute::Called;

class RemovalTest : public WineTest {};

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
  EXPECT_TRUE(PrinterExists("Folyant for Orchard") && DriverExists("Folyant-A") && FileExists(Link("Folyant")));
}

// What each failing step of one printer's removal leaves; the shortcut goes whatever fails.
TEST_F(RemovalTest, DeletePrinterSteps) {
  const Events deleted = {{kInformation, "DeletePDFPrinterInstance: Deleted printer Folyant"}};
  const std::pair<uint16_t, std::string> driverKept = {
      kWarning, "DeletePDFPrinter: failed to delete printer driver, driver Folyant, error 1797"};
  // The call failing once, its error and calls let pass first; the log, what is left.
  // clang-format off
  const std::tuple<const char*, uint32_t, int, Events, bool, bool> rows[] = {
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
  for (const auto& [failingCall, error, skip, logged, printerLeft, driverLeft] : rows) {
    SCOPED_TRACE(failingCall != nullptr ? failingCall : "none");
    ArrangeLinkedPrinter("Folyant", "Folyant-A");
    substitute::Reset();
    if (failingCall != nullptr) substitute::FailCall(failingCall, error, skip, 1);
    DeletePDFPrinter("Folyant", nullptr, TargetFor(false));

    EXPECT_EQ(Logged(), logged);
    EXPECT_EQ(std::pair(PrinterExists("Folyant"), DriverExists("Folyant-A")), std::pair(printerLeft, driverLeft));
    EXPECT_FALSE(FileExists(Link("Folyant")));
    EXPECT_EQ(substitute::Sleeps(), std::vector<uint32_t>(!printerLeft, 1000));
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
  EXPECT_TRUE(DriverExists("Ghost"));
  EXPECT_FALSE(FileExists(Link("Ghost")));
}

// A taken name (any case) is cleared with its driver; a free one is left alone, both true.
TEST_F(RemovalTest, CheckPrinterInstalled) {
  ArrangeLinkedPrinter("Folyant", "Folyant-A");
  EXPECT_TRUE(checkPrinterInstalled("Folyant 2", TargetFor(false)));
  EXPECT_TRUE(Logged().empty());
  EXPECT_TRUE(checkPrinterInstalled("FOLYANT", TargetFor(false)));
  EXPECT_FALSE(PrinterExists("Folyant") || DriverExists("Folyant-A"));
  EXPECT_EQ(Logged(), (Events{{kInformation, "checkPrinterInstalled: printer exists, deleting printer FOLYANT"},
                              {kInformation, "DeletePDFPrinterInstance: Deleted printer FOLYANT"}}));
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
  EXPECT_EQ(substitute::Sleeps(), (std::vector<uint32_t>{1000, 1000}));
}

// A driver deletion refused in the walk and the sweep after it is a warning, never "Deleted"; a rerun finishes.
TEST_F(RemovalTest, SweepAfterTheWalk) {
  ArrangeLinkedPrinter("Folyant", "Folyant-A");
  substitute::FailCall("DeletePrinterDriverA", 5, 0, 2);
  EXPECT_EQ(RunProgram("-deleteprinter"), 0);
  const std::string refused = "failed to delete printer driver, driver Folyant-A, error 5";
  EXPECT_EQ(Logged(), (Events{{kInformation, "DeletePDFPrinterInstance: Deleted printer Folyant"},
                              {kWarning, "DeletePDFPrinter: " + refused},
                              {kWarning, "DeleteAllProductPrinters: " + refused}}));
  substitute::Reset();
  EXPECT_EQ(RunProgram("-deleteprinter"), 0);
  EXPECT_EQ(Logged(), (Events{{kInformation, "DeleteAllProductPrinters: Deleted printer driver Folyant-A"}}));
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

// Without memory or a running spooler nothing is deleted or counted.
TEST_F(RemovalTest, NothingListedNothingDeleted) {
  ArrangeLinkedPrinter("Folyant 2", "Folyant-A");
  for (const auto& [call, error] : {std::pair<const char*, uint32_t>{"LocalAlloc", 8}, {"EnumPrintersA", 1722}}) {
    SCOPED_TRACE(call);
    substitute::FailCall(call, error);
    EXPECT_EQ(RunProgram("-checkinstance"), 0);
    EXPECT_EQ(RunProgram("-deleteprinter"), 0);
    EXPECT_FALSE(Called("DeletePrinter"));
    substitute::Reset();
  }
}

// -x64 deletes the driver of the native 64-bit environment (x64 or ARM64) only, else x86's.
TEST_F(RemovalTest, DriverEnvironment) {
  const char* const environments[] = {"Windows NT x86", "Windows x64", "Windows ARM64"};
  // The command line, Windows on ARM (the machine substituted), the drivers left in those environments.
  for (const auto& [line, arm, left] : {std::tuple{"-deleteprinter", false, "-++"},
                                        {"-x64 -deleteprinter", false, "+-+"},
                                        {"-x64 -deleteprinter", true, "++-"}}) {
    SCOPED_TRACE(testing::Message() << line << (arm ? " on ARM" : ""));
    substitute::AnswerAsWindows(substitute::kWindows7, true);
    if (arm) substitute::AnswerNativeMachine(IMAGE_FILE_MACHINE_ARM64);
    ArrangePrinter("Folyant", "Folyant-A");
    for (const char* environment : {environments[1], environments[2]}) ArrangeDriver("Folyant-A", environment);
    EXPECT_EQ(RunProgram(line), 0);
    std::string seen;
    for (const char* environment : environments) seen += DriverExists("Folyant-A", environment) ? '+' : '-';
    EXPECT_EQ(seen, left);
    EXPECT_EQ(Logged(), (Events{{kInformation, "DeletePDFPrinterInstance: Deleted printer Folyant"}}));
    ::DeletePrinterDriverA(nullptr, const_cast<char*>(environments[2]), const_cast<char*>("Folyant-A"));
    Fresh();
  }
}

// Only a plain shortcut goes: a folder in its place (also one put there after the look) stays,
// and a device name ("LPT1.lnk" is the port) gets no file work. Wine makes no symbolic links.
TEST_F(RemovalTest, OnlyAPlainShortcutGoes) {
  const std::string place = Link("Folyant"), kept = place + "\\kept.txt";
  const Events::value_type notPlain{kWarning, "DeleteSendToShortcut: " + place + " is not a plain file, not deleted"};
  // At the shortcut's place 0: a shortcut, 1: a folder, 2: a folder put there after the look (the
  // look's answer substituted), -1: nothing, no file work.
  for (const auto& [printer, what] :
       {std::pair{"Folyant", 0}, {"Folyant", 1}, {"Folyant", 2}, {"LPT1", -1}, {"com9.pdf", -1}}) {
    SCOPED_TRACE(testing::Message() << printer << " " << what);
    ArrangePrinter(printer, "Folyant-A");
    substitute::Reset();
    if (what == 0) WriteFile(place, "link");
    if (what > 0) {
      ::CreateDirectoryA(place.c_str(), nullptr);
      WriteFile(kept, "mine");
    }
    if (what == 2) substitute::AnswerFileAttributes(FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(RunProgram("-deleteprinter"), 0);
    EXPECT_FALSE(PrinterExists(printer));
    EXPECT_EQ(FileExists(what > 0 ? kept : place), what > 0);
    EXPECT_FALSE(what < 0 && (Called("GetFileAttributesA") || Called("DeleteFileA")));
    EXPECT_EQ(Last(Logged()) == notPlain, what == 1) << testing::PrintToString(Logged());
    for (const std::string& path : {kept, place}) ::DeleteFileA(path.c_str());
    ::RemoveDirectoryA(place.c_str());
  }
}
