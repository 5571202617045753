// Installing a driver and a printer: what the spooler, the registry, the log, the boxes
// and the started programs show after each road and each failure.
#include "install/driver_install.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "app/install_context.h"
#include "platform/kernel.h"
#include "platform/sim/spooler_model.h"
#include "sim_fixture.h"

namespace {

using Entry = std::pair<uint16_t, std::string>;
constexpr uint16_t kError = 1;
constexpr uint16_t kWarning = 2;
constexpr uint16_t kInformation = 4;
constexpr uint32_t kErrorBoxStyle = 0x1010;

const std::string kSystem = "C:\\WINDOWS\\system32";
const std::string kX86Directory = kSystem + "\\spool\\drivers\\w32x86\\3\\";
const std::string kX64Directory = kSystem + "\\spool\\drivers\\x64\\3\\";
const std::string kInfCommand = "rundll32 printui.dll,PrintUIEntry /if /b \"Folyant\" /f " + kX86Directory +
                                "FLYNTINF\\folyant.inf /r \"PDFFILE:\" /m \"Folyant-A\" ";
const std::string kSupportSentence = "\n\nPlease send this error to support@veskharrow.example.";

class DriverInstallTest : public SimTest {
 protected:
  void SetUp() override {
    ResetInstallContext();
    machine().is64BitWindows = false;
    machine().hasIsWow64Process = true;
    sim::StageProductFiles(machine());
    sim::AddMonitor(machine(), "Folyant Port", "Windows NT x86", "folyantm7.dll");
    machine().programs["hh"] = sim::Program{};
  }
  void TearDown() override {
    SimTest::TearDown();
    ResetInstallContext();
  }

  // The printer-setup command as the product's INF file makes it act: driver and printer.
  void InfCreatesPrinter() {
    machine().programs["rundll32"] =
        sim::Program{5000, 0, [](const std::string&) {
                       sim::Machine& m = sim::machine();
                       sim::InstallDriver(m, "Folyant-A", sim::NativeEnvironment(m), 3, "mxdwdrv.dll");
                       sim::AddPrinter(m, "Folyant", "Folyant-A", "PDFFILE:");
                     }};
  }

  void SwitchToX64() {
    machine().is64BitWindows = true;
    TargetX64 = true;
    SpoolerEnvironment = kEnvironmentX64;
  }

  std::vector<Entry> Log() const {
    std::vector<Entry> entries;
    for (const sim::EventRecord& e : sim::machine().eventLog) entries.emplace_back(e.type, e.text);
    return entries;
  }
  // The log without the dependent-file update's own lines, which its own tests pin down.
  std::vector<Entry> OwnLog() const {
    std::vector<Entry> entries = Log();
    std::erase_if(entries, [](const Entry& e) { return e.second.rfind("UpdateDependentFiles", 0) == 0; });
    return entries;
  }
  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const sim::MessageBoxRecord& box : sim::machine().messageBoxes) {
      EXPECT_EQ(box.caption, "Folyant");
      EXPECT_EQ(box.style, kErrorBoxStyle);
      EXPECT_FALSE(box.hasOwner);
      texts.push_back(box.text);
    }
    return texts;
  }
  int CallCount(const std::string& call) const {
    return static_cast<int>(std::count(sim::machine().calls.begin(), sim::machine().calls.end(), call));
  }
  const sim::Printer* FindPrinter(const std::string& name) const {
    for (const sim::Printer& p : sim::machine().printers) {
      if (sim::Registry::Fold(p.name) == sim::Registry::Fold(name)) return &p;
    }
    return nullptr;
  }
  std::vector<std::string> Processes() const {
    std::vector<std::string> lines;
    for (const sim::ProcessRecord& p : sim::machine().processes) lines.push_back(p.commandLine);
    return lines;
  }
};

}  // namespace

// --- the roads that succeed ---

// The native driver lands with its files and key, the printer on the product's port.
TEST_F(DriverInstallTest, NativeDriverAndPrinter) {
  EXPECT_NE(InstallPrinter("Folyant", 0, 0, 0), 0);
  const sim::Driver* driver = machine().spooler.FindDriver("Folyant Writer", "Windows NT x86", 3);
  ASSERT_NE(driver, nullptr);
  EXPECT_EQ(sim::Registry::Fold(driver->driverPath), sim::Registry::Fold(kX86Directory + "folyant.dll"));
  EXPECT_EQ(sim::Registry::Fold(driver->configFile), sim::Registry::Fold(kX86Directory + "folyantd.dll"));
  EXPECT_EQ(driver->defaultDataType, "RAW");
  const sim::Printer* printer = FindPrinter("Folyant");
  ASSERT_NE(printer, nullptr);
  EXPECT_EQ(printer->driver, "Folyant Writer");
  EXPECT_EQ(printer->port, "PDFFILE:");
  EXPECT_EQ(printer->printProcessor, "winprint");
  EXPECT_EQ(printer->attributes, 66u);
  EXPECT_TRUE(machine().registry.KeyExists(sim::PrinterKeyPath("Folyant") + "\\PrinterDriverData"));
  EXPECT_TRUE(OwnLog().empty());
  EXPECT_TRUE(machine().messageBoxes.empty());
  EXPECT_TRUE(machine().sleeps.empty());
}

// A 32-bit process on 64-bit Windows keeps printed jobs (320) and installs for x64.
TEST_F(DriverInstallTest, Wow64PrinterAttributes) {
  SwitchToX64();
  EXPECT_NE(InstallPrinter("Folyant", 0, 0, 1), 0);
  EXPECT_NE(machine().spooler.FindDriver("Folyant-A", "Windows x64", 3), nullptr);
  ASSERT_NE(FindPrinter("Folyant"), nullptr);
  EXPECT_EQ(FindPrinter("Folyant")->attributes, 320u);
  EXPECT_TRUE(Processes().empty());
}

// Without the port monitor the caller asks for the system's file port.
TEST_F(DriverInstallTest, FilePortWhenAsked) {
  EXPECT_NE(InstallPrinter("Folyant", 1, 0, 0), 0);
  ASSERT_NE(FindPrinter("Folyant"), nullptr);
  EXPECT_EQ(FindPrinter("Folyant")->port, "FILE:");
}

// A second level-3 call that succeeds leaves no trace: no log, no check, no pause.
TEST_F(DriverInstallTest, Level3SucceedsOnSecondCall) {
  machine().FailCall("AddPrinterDriverA", 5, 0, 1);
  EXPECT_NE(InstallPrinterDriver("Folyant Writer", 0, 0), 0);
  EXPECT_EQ(CallCount("AddPrinterDriverA"), 2);
  EXPECT_EQ(CallCount("OpenFile"), 0);
  EXPECT_TRUE(OwnLog().empty());
  EXPECT_TRUE(machine().sleeps.empty());
  EXPECT_NE(machine().registry.FindValue(sim::DriverKeyPath("Windows NT x86", 3, "Folyant Writer"), "Dependent Files"),
            nullptr);
}

// Level 2 after a one-second pause when level 3 is refused twice; files all present.
TEST_F(DriverInstallTest, Level2AfterLevel3Refused) {
  machine().FailCall("AddPrinterDriverA", 5, 0, 2);
  EXPECT_NE(InstallPrinter("Folyant", 0, 0, 0), 0);
  EXPECT_EQ(OwnLog(), (std::vector<Entry>{{kWarning, "AddPrinterDriver 3 failed, error 5"}}));
  EXPECT_EQ(machine().sleeps, std::vector<uint32_t>{1000});
  EXPECT_TRUE(machine().messageBoxes.empty());
  const sim::Driver* driver = machine().spooler.FindDriver("Folyant Writer", "Windows NT x86", 3);
  ASSERT_NE(driver, nullptr);
  EXPECT_TRUE(driver->helpFile.empty());
  EXPECT_NE(FindPrinter("Folyant"), nullptr);
}

// On NT 4 every record is version 2 with the version-2 data and configuration files.
TEST_F(DriverInstallTest, Version2Target) {
  machine().version = sim::kWindowsNT4;
  machine().hasIsWow64Process = false;
  EXPECT_NE(InstallPrinterDriver("Folyant-A", 0, 1), 0);
  const sim::Driver* driver = machine().spooler.FindDriver("Folyant-A", "Windows NT x86", 2);
  ASSERT_NE(driver, nullptr);
  const std::string dir = kSystem + "\\spool\\drivers\\w32x86\\2\\";
  EXPECT_EQ(sim::Registry::Fold(driver->driverPath), sim::Registry::Fold(dir + "mxdwdrv.dll"));
  EXPECT_EQ(sim::Registry::Fold(driver->dataFile), sim::Registry::Fold(dir + "folyant.gpc"));
  EXPECT_EQ(sim::Registry::Fold(driver->configFile), sim::Registry::Fold(dir + "folyantd.dll"));
}

// On NT 4 the level-2 fallback record is version 2 too, with the version-2 files.
TEST_F(DriverInstallTest, Version2TargetLevel2Record) {
  machine().version = sim::kWindowsNT4;
  machine().hasIsWow64Process = false;
  machine().FailCall("AddPrinterDriverA", 5, 0, 2);
  EXPECT_NE(InstallPrinterDriver("Folyant Writer", 0, 0), 0);
  const sim::Driver* driver = machine().spooler.FindDriver("Folyant Writer", "Windows NT x86", 2);
  ASSERT_NE(driver, nullptr);
  EXPECT_TRUE(driver->helpFile.empty()) << "installed from the level-2 record";
  const std::string dir = kSystem + "\\spool\\drivers\\w32x86\\2\\";
  EXPECT_EQ(sim::Registry::Fold(driver->dataFile), sim::Registry::Fold(dir + "folyant.gpc"));
  EXPECT_EQ(sim::Registry::Fold(driver->configFile), sim::Registry::Fold(dir + "folyantd.dll"));
}

// The PostScript library missing: the printer still comes, on the native files under
// the PostScript driver's name, after the missing file was shown.
TEST_F(DriverInstallTest, PostScriptFallsBackToNativeFiles) {
  machine().files.Remove(kX86Directory + "PSCRIPT5.DLL");
  EXPECT_NE(InstallPrinter("Folyant", 0, 1, 0), 0);
  const sim::Driver* driver = machine().spooler.FindDriver("Folyant Font Helper", "Windows NT x86", 3);
  ASSERT_NE(driver, nullptr);
  EXPECT_EQ(sim::Registry::Fold(driver->driverPath), sim::Registry::Fold(kX86Directory + "folyant.dll"));
  ASSERT_NE(FindPrinter("Folyant"), nullptr);
  EXPECT_EQ(FindPrinter("Folyant")->driver, "Folyant Font Helper");
  const std::string missing = "missing file " + kX86Directory + "PSCRIPT5.DLL";
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{missing + " error 2" + kSupportSentence});
  EXPECT_EQ(OwnLog(), (std::vector<Entry>{{kWarning, "AddPrinterDriver 3 failed, error 2"},
                                          {kError, "CheckIfFileExists: " + missing},
                                          {kError, "AddPrinterError " + missing + ", error 2"},
                                          {kError, "AddPrinterDriver 2 failed, error 2"}}));
}

// The XPS driver refused: no box for the step, the INF command runs byte for byte,
// and the printer it made counts as success. The file port request does not reach it.
TEST_F(DriverInstallTest, XpsRefusedGoesToInf) {
  InfCreatesPrinter();
  machine().FailCall("AddPrinterDriverA", 5);
  EXPECT_EQ(InstallPrinter("Folyant", 1, 0, 1), 1);
  EXPECT_EQ(Processes(), std::vector<std::string>{kInfCommand});
  EXPECT_TRUE(machine().messageBoxes.empty());
  EXPECT_EQ(OwnLog(), (std::vector<Entry>{{kWarning, "AddPrinterDriver 3 failed, error 5"},
                                          {kError, "AddPrinterDriver 2 failed, error 5"},
                                          {kInformation, "InstallPrinter Launching INF install: " + kInfCommand},
                                          {kInformation, "InstallPrinter: INF install successful"}}));
  EXPECT_EQ(FindPrinter("Folyant")->port, "PDFFILE:");
}

// The XPS library missing: the missing file is still shown, the step itself is not,
// and the INF command installs the printer.
TEST_F(DriverInstallTest, XpsMissingFileShownThenInf) {
  InfCreatesPrinter();
  machine().files.Remove(kX86Directory + "mxdwdrv.dll");
  EXPECT_EQ(InstallPrinter("Folyant", 0, 0, 1), 1);
  const std::string missing = "missing file " + kX86Directory + "mxdwdrv.dll";
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{missing + " error 2" + kSupportSentence});
  EXPECT_EQ(Processes(), std::vector<std::string>{kInfCommand});
  EXPECT_EQ(CallCount("AddPrinterA"), 0);
  ASSERT_NE(FindPrinter("Folyant"), nullptr);
}

// The XPS printer refused by the spooler also goes to the INF command, silently.
TEST_F(DriverInstallTest, XpsPrinterRefusedGoesToInf) {
  InfCreatesPrinter();
  machine().FailCall("AddPrinterA", 1796, 0, 1);
  EXPECT_EQ(InstallPrinter("Folyant", 0, 0, 1), 1);
  EXPECT_EQ(Processes(), std::vector<std::string>{kInfCommand});
  EXPECT_TRUE(machine().messageBoxes.empty());
}

// --- the failures ---

// Both levels refused for the native kind: one box for the step, carrying the
// spooler's code even though the dependent-file update failed with another since.
TEST_F(DriverInstallTest, NativeDriverRefusedReportsTheSpoolersCode) {
  machine().FailCall("AddPrinterDriverA", 5);
  machine().FailCall("RegOpenKeyExA", 87);
  EXPECT_EQ(InstallPrinter("Folyant", 0, 0, 0), 0);
  EXPECT_EQ(CallCount("AddPrinterDriverA"), 4);
  EXPECT_EQ(OwnLog(), (std::vector<Entry>{{kWarning, "AddPrinterDriver 3 failed, error 5"},
                                          {kError, "AddPrinterDriver 2 failed, error 5"},
                                          {kError, "AddPrinterError AddPrinterDriver, error 5"}}));
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"AddPrinterDriver error 5" + kSupportSentence});
  EXPECT_TRUE(machine().printers.empty());
  EXPECT_TRUE(Processes().empty());
}

// The last error a failed driver installation leaves is the spooler's own.
TEST_F(DriverInstallTest, InstallPrinterDriverLeavesTheSpoolersError) {
  machine().FailCall("AddPrinterDriverA", 5);
  machine().FailCall("RegOpenKeyExA", 87);
  os::SetLastError(0xdeadbeef);
  EXPECT_EQ(InstallPrinterDriver("Folyant Writer", 0, 0), 0);
  EXPECT_EQ(os::GetLastError(), 5u);
}

// A missing driver file is shown once per place it is missing; the step box follows.
TEST_F(DriverInstallTest, MissingDriverLibrary) {
  machine().files.Remove(kX86Directory + "folyant.dll");
  EXPECT_EQ(InstallPrinter("Folyant", 0, 0, 0), 0);
  const std::string missing = "missing file " + kX86Directory + "folyant.dll";
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{missing + " error 2" + kSupportSentence,
                                                  "AddPrinterDriver error 2" + kSupportSentence}));
  EXPECT_EQ(machine().sleeps, std::vector<uint32_t>{1000});
  EXPECT_EQ(machine().spooler.FindDriver("Folyant Writer", "Windows NT x86"), nullptr);
}

// A dependent file present in only one of its two directories is reported for the
// other; the "ntprint|" mark is not part of the name looked for.
TEST_F(DriverInstallTest, DependentFileCheckStripsStoreMark) {
  machine().version = sim::kWindows10;
  machine().files.Remove(kX86Directory + "UNIRES.DLL");
  machine().files.Remove(kX86Directory.substr(0, kX86Directory.size() - 2) + "FOLYANTT.GPD");
  CheckDependentFiles("ntprint|UNIRES.DLL\0FOLYANTT.GPD\0");
  EXPECT_EQ(BoxTexts(),
            (std::vector<std::string>{
                "missing file " + kX86Directory + "UNIRES.DLL error 2" + kSupportSentence,
                "missing file " + kSystem + "\\spool\\drivers\\w32x86\\FOLYANTT.GPD error 2" + kSupportSentence}));
}

// The printer refused for the native kind: the step box; the driver stays installed.
TEST_F(DriverInstallTest, NativePrinterRefused) {
  machine().spooler.monitors.clear();
  EXPECT_EQ(InstallPrinter("Folyant", 0, 0, 0), 0);
  EXPECT_EQ(OwnLog(), (std::vector<Entry>{{kError, "AddPrinterError AddPrinter, error 1796"}}));
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"AddPrinter error 1796" + kSupportSentence});
  EXPECT_NE(machine().spooler.FindDriver("Folyant Writer", "Windows NT x86"), nullptr);
  EXPECT_TRUE(machine().printers.empty());
}

// A stopped spooler is named as such to the user.
TEST_F(DriverInstallTest, StoppedSpoolerShowsString12) {
  machine().spoolerRunning = false;
  EXPECT_EQ(InstallPrinter("Folyant", 0, 0, 0), 0);
  ASSERT_FALSE(Log().empty());
  EXPECT_EQ(Log().back(), (Entry{kError, "AddPrinterError AddPrinterDriver, error 1722"}));
  EXPECT_EQ(BoxTexts(),
            std::vector<std::string>{"The Folyant installation failed because the spooler service is not running.\n"
                                     "Start the spooler service and run the installation again."});
}

// Error 126 opens the help page on it, for the platform target, and shows string 11.
TEST_F(DriverInstallTest, Error126OpensHelp) {
  SwitchToX64();
  AddPrinterError("AddMonitor", 126);
  EXPECT_EQ(Processes(), std::vector<std::string>{"hh.exe " + kX64Directory + "folyant.chm::/addprinter126error.htm"});
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"A system error 126 occurred that prevented Folyant from being "
                                                 "installed.  See help for steps to resolve the issue."});
  EXPECT_EQ(Log(), (std::vector<Entry>{{kError, "AddPrinterError AddMonitor, error 126"}}));
}

// The help page for error 126 lies in the driver directory of the version-2 and the
// x86 targets alike.
TEST_F(DriverInstallTest, Error126HelpPageOfEachTarget) {
  AddPrinterError("AddPrinter", 126);
  machine().version = sim::kWindowsNT4;
  machine().hasIsWow64Process = false;
  AddPrinterError("AddPrinter", 126);
  const std::string page = "folyant.chm::/addprinter126error.htm";
  EXPECT_EQ(Processes(), (std::vector<std::string>{"hh.exe " + kX86Directory + page,
                                                   "hh.exe " + kSystem + "\\spool\\drivers\\w32x86\\2\\" + page}));
  EXPECT_EQ(machine().messageBoxes.size(), 2u);
}

// INF road: the printer still absent afterwards is logged, nothing shown.
TEST_F(DriverInstallTest, InfWithoutPrinter) {
  machine().programs["rundll32"] = sim::Program{};
  machine().FailCall("AddPrinterDriverA", 5);
  EXPECT_EQ(InstallPrinter("Folyant", 0, 0, 1), 0);
  EXPECT_EQ(Log().back(),
            (Entry{kError, "InstallPrinter: OpenPrinter INF post launch failed for Folyant, error 1801"}));
  EXPECT_TRUE(machine().messageBoxes.empty());
}

// INF road without a system directory: logged, no command, nothing shown.
TEST_F(DriverInstallTest, InfWithoutSystemDirectory) {
  machine().FailCall("GetSystemDirectoryA", 5);
  EXPECT_EQ(InstallPrinter("Folyant", 0, 0, 1), 0);
  EXPECT_EQ(Log(),
            (std::vector<Entry>{{kError, "InstallPrinter: failed to get system directory for Folyant, error 5"}}));
  EXPECT_EQ(CallCount("AddPrinterDriverA"), 0);
  EXPECT_TRUE(Processes().empty());
  EXPECT_TRUE(machine().messageBoxes.empty());
}

// A quote in the name would pass switches to the printer-setup command: refused.
TEST_F(DriverInstallTest, InfRefusesQuoteInName) {
  machine().programs["rundll32"] = sim::Program{};
  machine().FailCall("AddPrinterDriverA", 5);
  EXPECT_EQ(InstallPrinter("A\" /x \"B", 0, 0, 1), 0);
  EXPECT_TRUE(Processes().empty());
  EXPECT_EQ(Log().back(), (Entry{kError, "InstallPrinter: cannot build the INF install command for A\" /x \"B"}));
}

// A system directory too long for the 520-byte paths is refused before the spooler is
// asked, and reported as a name too long (206).
TEST_F(DriverInstallTest, OverlongSystemDirectoryRefused) {
  machine().systemDirectory = "C:\\" + std::string(600, 'd');
  EXPECT_EQ(InstallPrinter("Folyant", 0, 0, 0), 0);
  EXPECT_EQ(CallCount("AddPrinterDriverA"), 0);
  EXPECT_EQ(OwnLog(),
            (std::vector<Entry>{
                {kError, "InstallPrinterDriver: system directory too long, driver Folyant Writer not installed"},
                {kError, "AddPrinterError AddPrinterDriver, error 206"}}));
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"AddPrinterDriver error 206" + kSupportSentence});
}

// A system directory that fits while the paths built on it do not is refused alike.
TEST_F(DriverInstallTest, OverlongDriverPathRefused) {
  machine().systemDirectory = "C:\\" + std::string(500, 'd');
  EXPECT_EQ(InstallPrinterDriver("Folyant Writer", 0, 0), 0);
  EXPECT_EQ(CallCount("AddPrinterDriverA"), 0);
  EXPECT_EQ(Log(), (std::vector<Entry>{
                       {kError, "InstallPrinterDriver: driver path too long, driver Folyant Writer not installed"}}));
  EXPECT_EQ(os::GetLastError(), 206u);
}
