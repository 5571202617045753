// "-addinstance": the add-printer dialog's proposals and the passes until a printer is made.
#include "install/printer_instances.h"

#include <string>
#include <vector>

#include "app/install_context.h"
#include "install/port_monitor.h"
#include "platform/sim/machine.h"
#include "platform/sim/spooler_model.h"
#include "platform/window.h"
#include "resources/resource.h"
#include "sim_fixture.h"
#include "ui/add_printer.h"
#include "ui/splash.h"

namespace {

class PrinterInstancesTest : public SimTest {
 protected:
  void SetUp() override {
    ResetInstallContext();
    SetSplashOptions(0, 0);
    machine().is64BitWindows = false;
    sim::StageProductFiles(machine());
  }
  sim::WindowModel& windows() { return machine().windows; }

  const sim::Printer* FindPrinter(const std::string& name) {
    for (const sim::Printer& p : machine().printers)
      if (p.name == name) return &p;
    return nullptr;
  }

  void ArrangePrinter(const char* name, const char* driver = "Folyant-A", const char* library = "mxdwdrv.dll") {
    if (machine().spooler.FindMonitor(kMonitorName) == nullptr) {
      sim::AddMonitor(machine(), kMonitorName, sim::kEnvironmentX86, kMonitorLibrary);
    }
    if (machine().spooler.FindDriver(driver, sim::kEnvironmentX86) == nullptr) {
      sim::InstallDriver(machine(), driver, sim::kEnvironmentX86, 3, library);
    }
    sim::AddPrinter(machine(), name, driver, "PDFFILE:");
  }

  std::string Proposal(size_t pass) { return windows().dialogs.at(pass).Shown(IDC_PRINTER_NAME)->text; }

  // Accepts the dialog's text after replacing it with `name`.
  void Enter(const std::string& name) {
    windows().Type(IDC_PRINTER_NAME, name);
    windows().Click(os::kIdOk);
  }
};

}  // namespace

// The proposal takes the first gap from 1; "Folyant" itself does not count.
TEST_F(PrinterInstancesTest, ProposalTakesFirstGap) {
  ArrangePrinter("Folyant");
  EXPECT_EQ(ProposePrinterName(), "Folyant (Copy 1)");
  ArrangePrinter("Folyant (Copy 2)");
  EXPECT_EQ(ProposePrinterName(), "Folyant (Copy 1)");
  ArrangePrinter("Folyant (Copy 1)");
  EXPECT_EQ(ProposePrinterName(), "Folyant (Copy 3)");
}

// A name whose printer exists but cannot be opened with full access (access denied)
// ends the search: that name is proposed.
TEST_F(PrinterInstancesTest, ProposalStopsAtNameThatCannotBeOpened) {
  ArrangePrinter("Folyant (Copy 1)");
  machine().FailCall("OpenPrinterA", 5);
  EXPECT_EQ(ProposePrinterName(), "Folyant (Copy 1)");
}

// Enter accepts the proposal: an XPS printer, message 18 and an empty settings value.
TEST_F(PrinterInstancesTest, AcceptingProposalCreatesXpsPrinter) {
  windows().Key(os::kVkReturn);
  EXPECT_EQ(RunProgram("-addinstance"), 0);

  ASSERT_EQ(windows().dialogs.size(), 1u);
  const sim::DialogRecord& dialog = windows().dialogs[0];
  EXPECT_EQ(dialog.templateId, 152u);
  EXPECT_EQ(dialog.caption, "Add Printer");
  EXPECT_EQ(dialog.focusId, os::kIdOk);
  EXPECT_EQ(dialog.Shown(IDC_PRINTER_NAME)->text, "Folyant (Copy 1)");
  EXPECT_EQ(dialog.Shown(IDC_PRINTER_NAME)->textLimit, 259);
  const sim::Printer* printer = FindPrinter("Folyant (Copy 1)");
  ASSERT_NE(printer, nullptr);
  EXPECT_EQ(printer->driver, "Folyant-A");
  ASSERT_EQ(machine().messageBoxes.size(), 1u);
  EXPECT_EQ(machine().messageBoxes[0].text, "Folyant (Copy 1) printer created.");
  EXPECT_EQ(machine().messageBoxes[0].caption, "Vesk Harrow Systems");
  EXPECT_EQ(machine().messageBoxes[0].style, 0x1000u);
  EXPECT_FALSE(machine().messageBoxes[0].hasOwner);
  const sim::RegistryValue* value =
      machine().registry.FindValue("HKCU\\Software\\Vesk Harrow Systems\\Folyant (Copy 1)", "PDFDefaultFileName");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->type, 1u);
  EXPECT_EQ(value->data, (std::vector<uint8_t>{0}));
}

// A taken name is refused with message 19; its driver sets the kind of the next printer.
TEST_F(PrinterInstancesTest, TakenNameSetsKindOfNextPrinter) {
  ArrangePrinter("Office", "Folyant Font Helper", "PSCRIPT5.DLL");
  Enter("Office");
  Enter("Second");
  RunProgram("-addinstance");

  ASSERT_EQ(windows().dialogs.size(), 2u);
  EXPECT_EQ(Proposal(1), "Folyant (Copy 1)");  // fresh, not the refused text
  ASSERT_EQ(machine().messageBoxes.size(), 2u);
  EXPECT_EQ(machine().messageBoxes[0].text, "Printer named Office already exists.");
  EXPECT_EQ(machine().messageBoxes[0].style, 0x1010u);
  EXPECT_EQ(machine().messageBoxes[1].text, "Second printer created.");
  ASSERT_NE(FindPrinter("Second"), nullptr);
  EXPECT_EQ(FindPrinter("Second")->driver, "Folyant Font Helper");
}

// After a printer whose driver names neither library, the next printer is native.
TEST_F(PrinterInstancesTest, OtherDriverMakesNativeKind) {
  ArrangePrinter("Plain", "Some Other Driver", "UNIDRV.DLL");
  Enter("plain");  // names compare without case
  Enter("Native one");
  RunProgram("-addinstance");
  ASSERT_NE(FindPrinter("Native one"), nullptr);
  EXPECT_EQ(FindPrinter("Native one")->driver, "Folyant Writer");
}

// A taken name whose driver record is beyond 512 bytes: warning logged, message 19, kind unchanged.
TEST_F(PrinterInstancesTest, DriverRecordBeyond512BytesKeepsKind) {
  ArrangePrinter("Big", "Big Driver", (std::string(420, 'd') + "PSCRIPT5.DLL").c_str());
  Enter("Big");
  Enter("After big");
  RunProgram("-addinstance");
  std::vector<std::string> texts = LogTexts();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts[0], "AddPDFPrinterInstance: GetPrinterDriver failed for printer Big, 122");
  EXPECT_EQ(machine().eventLog[0].type, os::kEventlogWarningType);
  EXPECT_EQ(machine().messageBoxes.at(0).text, "Printer named Big already exists.");
  ASSERT_NE(FindPrinter("After big"), nullptr);
  EXPECT_EQ(FindPrinter("After big")->driver, "Folyant-A");
}

// Unacceptable names get message 20 and a fresh dialog; blanks and brackets pass.
TEST_F(PrinterInstancesTest, InvalidNamesRefused) {
  for (const char* bad : {"", "a/b", "50%", "say \"hi\"", "x:y", "[z]"}) Enter(bad);
  Enter("My printer (two)");
  RunProgram("-addinstance");
  ASSERT_EQ(machine().messageBoxes.size(), 7u);
  EXPECT_EQ(machine().messageBoxes[0].text, "Printer name  is not valid.");
  EXPECT_EQ(machine().messageBoxes[0].style, 0x1010u);
  EXPECT_EQ(machine().messageBoxes[2].text, "Printer name 50% is not valid.");
  EXPECT_EQ(machine().messageBoxes[6].text, "My printer (two) printer created.");
  EXPECT_NE(FindPrinter("My printer (two)"), nullptr);
  EXPECT_EQ(windows().dialogs.size(), 7u);
}

// Each forbidden character alone refuses a name, so none slips through the set; commas pass.
TEST_F(PrinterInstancesTest, ValidatePrinterNameRule) {
  for (char c : std::string("<>:?&=|*\"[]/\\%")) {
    std::string name = std::string("a") + c + "b";
    EXPECT_FALSE(ValidatePrinterName(name.c_str())) << name;
  }
  EXPECT_FALSE(ValidatePrinterName(""));
  // Commas pass the rule; the spooler itself is the judge of them.
  EXPECT_TRUE(ValidatePrinterName("Folyant (Copy 1), {new} #2 \xE9"));
}

// Cancel, Escape and the close box end the operation at any pass with nothing created.
TEST_F(PrinterInstancesTest, CancellingAtEachPass) {
  windows().Click(os::kIdCancel);
  EXPECT_EQ(RunProgram("-addinstance"), 0);
  EXPECT_TRUE(machine().messageBoxes.empty());
  EXPECT_EQ(windows().dialogs.at(0).result, os::kIdCancel);

  sim::ResetMachine();
  sim::StageProductFiles(machine());
  Enter("bad/name");
  windows().Key(os::kVkEscape);
  RunProgram("-addinstance");
  EXPECT_EQ(machine().messageBoxes.size(), 1u);
  EXPECT_EQ(windows().dialogs.size(), 2u);

  sim::ResetMachine();
  sim::StageProductFiles(machine());
  Enter("bad/name");
  windows().CloseBox();
  RunProgram("-addinstance");
  EXPECT_EQ(windows().dialogs.size(), 2u);
  EXPECT_EQ(windows().dialogs.at(1).result, os::kIdCancel);
  EXPECT_TRUE(machine().printers.empty());
}

// The name field stops at 259 characters, and a name whose settings key would not fit
// the key buffer, with the digit a retry may append, is refused before anything is created.
TEST_F(PrinterInstancesTest, OverlongNamesRefused) {
  Enter(std::string(300, 'n'));
  Enter(std::string(230, 'm'));
  Enter(std::string(229, 'k'));
  RunProgram("-addinstance");
  ASSERT_EQ(machine().messageBoxes.size(), 3u);
  EXPECT_EQ(windows().dialogs.at(0).Final(IDC_PRINTER_NAME)->text.size(), 259u);
  EXPECT_EQ(machine().messageBoxes[0].text.substr(0, 13), "Printer name ");
  EXPECT_EQ(machine().messageBoxes[0].text.size(), 255u);
  EXPECT_EQ(machine().messageBoxes[0].style, 0x1010u);
  EXPECT_EQ(machine().messageBoxes[1].style, 0x1010u);
  EXPECT_NE(FindPrinter(std::string(229, 'k')), nullptr);
}

// When the printer could not be made, its failure was reported and "created" is not said;
// the settings value is written all the same.
TEST_F(PrinterInstancesTest, FailedCreationIsNotReportedAsCreated) {
  machine().FailCall("AddPrinterA", 5);
  machine().messageBoxAnswers.assign(8, os::kIdOk);
  windows().Key(os::kVkReturn);
  RunProgram("-addinstance");
  EXPECT_EQ(FindPrinter("Folyant (Copy 1)"), nullptr);
  for (const sim::MessageBoxRecord& box : machine().messageBoxes) {
    EXPECT_EQ(box.text.find("printer created."), std::string::npos) << box.text;
  }
  std::vector<std::string> texts = LogTexts();
  // The name as it stands after the retry under a lengthened name.
  EXPECT_EQ(texts.back(), "AddPDFPrinterInstance: printer Folyant (Copy 1)0 was not created");
  // The settings value is still written, under the name as entered.
  const sim::RegistryValue* value =
      machine().registry.FindValue("HKCU\\Software\\Vesk Harrow Systems\\Folyant (Copy 1)", "PDFDefaultFileName");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->type, 1u);
  EXPECT_EQ(value->data, (std::vector<uint8_t>{0}));
}
