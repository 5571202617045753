// The port monitor and AddMonitor, the one road to every new printer.
#include "install/port_monitor.h"

#include <cstring>
#include <string>

#include "app/install_context.h"
#include "platform/sim/spooler_model.h"
#include "platform/types.h"
#include "sim_fixture.h"

namespace {

class PortMonitorTest : public SimTest {
 protected:
  void SetUp() override {
    ResetInstallContext();
    machine().is64BitWindows = false;  // the x86 drivers are the native ones
    sim::StageProductFiles(machine());
  }

  const sim::Printer* FindPrinter(const std::string& name) {
    for (const sim::Printer& p : machine().printers) {
      if (p.name == name) return &p;
    }
    return nullptr;
  }

  int CountEvents(uint16_t type, const std::string& text) {
    int n = 0;
    for (const sim::EventRecord& e : machine().eventLog) n += (e.type == type && e.text == text) ? 1 : 0;
    return n;
  }

  int CountCalls(const std::string& name) {
    int n = 0;
    for (const std::string& call : machine().calls) n += call == name ? 1 : 0;
    return n;
  }

  // A printer as an earlier installation left it: driver and printer on the monitor's port.
  void ArrangeInstalled(const char* printer, const char* driver, const char* environment = sim::kEnvironmentX86) {
    if (machine().spooler.FindMonitor(kMonitorName) == nullptr) {
      sim::AddMonitor(machine(), kMonitorName, environment, kMonitorLibrary);
    }
    if (machine().spooler.FindDriver(driver, environment) == nullptr) {
      sim::InstallDriver(machine(), driver, environment, 3, "mxdwdrv.dll");
    }
    sim::AddPrinter(machine(), printer, driver, "PDFFILE:");
  }
};

}  // namespace

// The installer's usual run: monitor, driver and printer, all for the x64 spooler.
TEST_F(PortMonitorTest, AddXpsPrinterEndToEnd) {
  machine().is64BitWindows = true;
  EXPECT_EQ(RunProgram("-x64 -addxpsprinter -printername=\"Folyant\""), 0);

  const sim::Monitor* monitor = machine().spooler.FindMonitor(kMonitorName);
  ASSERT_NE(monitor, nullptr);
  EXPECT_EQ(monitor->environment, "Windows x64");
  EXPECT_EQ(monitor->dllName, "folyantm7.dll");
  const sim::Printer* printer = FindPrinter("Folyant");
  ASSERT_NE(printer, nullptr);
  EXPECT_EQ(printer->driver, "Folyant-A");
  EXPECT_EQ(printer->port, "PDFFILE:");
  EXPECT_NE(machine().spooler.FindDriver("Folyant-A", "Windows x64"), nullptr);
  EXPECT_TRUE(machine().messageBoxes.empty());
}

// Installing again over an existing printer replaces it instead of failing on the name.
TEST_F(PortMonitorTest, ReinstallReplacesThePrinterOfTheSameName) {
  ArrangeInstalled("Folyant", "Folyant-A");
  EXPECT_EQ(RunProgram("-addprinter -printername=\"Folyant\""), 0);

  EXPECT_EQ(
      CountEvents(os::kEventlogInformationType, "checkPrinterInstalled: printer exists, deleting printer Folyant"), 1);
  ASSERT_NE(FindPrinter("Folyant"), nullptr);
  EXPECT_EQ(FindPrinter("Folyant")->driver, "Folyant Writer");
  EXPECT_EQ(machine().printers.size(), 1u);
  EXPECT_EQ(CountCalls("AddMonitorA"), 0) << "the current monitor is already there";
}

// The library name is compared without case: a capitalised one is the current monitor.
TEST_F(PortMonitorTest, CapitalisedLibraryCountsAsInstalled) {
  sim::AddMonitor(machine(), kMonitorName, sim::kEnvironmentX86, "FOLYANTM7.DLL");
  machine().ForbidCall("DeleteMonitorA");
  machine().ForbidCall("AddMonitorA");
  EXPECT_EQ(MonitorInstalled(), 1);
  EXPECT_TRUE(machine().eventLog.empty());
}

// A monitor of the product's name on an older library is replaced by the current one.
TEST_F(PortMonitorTest, LegacyMonitorIsReplaced) {
  sim::AddMonitor(machine(), kMonitorName, sim::kEnvironmentX86, "folyantm5.dll");
  char name[kPrinterNameSize] = "Folyant";
  AddMonitor(name, 0, 0, 1);

  EXPECT_EQ(CountEvents(os::kEventlogInformationType,
                        "MonitorInstalled: successfully deleted legacy port monitor Folyant Port"),
            1);
  const sim::Monitor* monitor = machine().spooler.FindMonitor(kMonitorName);
  ASSERT_NE(monitor, nullptr);
  EXPECT_EQ(monitor->dllName, "folyantm7.dll");
  EXPECT_EQ(monitor->environment, "Windows NT x86");
  EXPECT_EQ(MonitorInstalled(), 1);
}

// Only the exact name counts; another letter case is some other monitor and stays.
TEST_F(PortMonitorTest, MonitorNameComparedWithCase) {
  sim::AddMonitor(machine(), "FOLYANT PORT", sim::kEnvironmentX86, "folyantm7.dll");
  machine().ForbidCall("DeleteMonitorA");
  EXPECT_EQ(MonitorInstalled(), 0);
  EXPECT_TRUE(machine().eventLog.empty());
}

// A legacy monitor that cannot be deleted is logged; adding then meets the existing name.
TEST_F(PortMonitorTest, LegacyMonitorDeletionRefused) {
  machine().spooler.portsByLibrary["folyantm5.dll"] = {"PDFFILE:"};
  sim::AddMonitor(machine(), kMonitorName, sim::kEnvironmentX86, "folyantm5.dll");
  machine().FailCall("DeleteMonitorA", os::kErrorAccessDenied);
  char name[kPrinterNameSize] = "Folyant";
  AddMonitor(name, 0, 0, 0);

  EXPECT_EQ(LogTexts().at(0), "MonitorInstalled: failed to delete legacy port monitor Folyant Port, last error 0x5");
  EXPECT_EQ(machine().eventLog.at(0).type, os::kEventlogErrorType);
  EXPECT_EQ(CountEvents(os::kEventlogWarningType, "AddMonitor: already installed, error 3006"), 1);
  EXPECT_TRUE(machine().messageBoxes.empty());
  ASSERT_NE(FindPrinter("Folyant"), nullptr);
  EXPECT_EQ(FindPrinter("Folyant")->port, "PDFFILE:") << "3006 keeps the product's port";
}

// A failed enumeration is logged in hex and the monitor is added all the same.
TEST_F(PortMonitorTest, EnumerationFailureStillAddsTheMonitor) {
  machine().FailCall("EnumMonitorsA", os::kRpcServerUnavailable, 0, 1);
  char name[kPrinterNameSize] = "Folyant";
  AddMonitor(name, 0, 0, 1);

  EXPECT_EQ(LogTexts(), std::vector<std::string>{"MonitorInstalled: failed to enum port monitors, last error 0x6ba"});
  EXPECT_EQ(machine().eventLog.at(0).type, os::kEventlogErrorType);
  EXPECT_NE(machine().spooler.FindMonitor(kMonitorName), nullptr);
}

// More monitors than the fixed 4,096 bytes hold: the spooler's 122 is logged, no second
// call is made, and the installed monitor is met with 3006.
TEST_F(PortMonitorTest, MonitorsBeyondTheFixedBuffer) {
  for (int i = 0; i < 100; ++i) {
    sim::AddMonitor(machine(), "Other Port Monitor " + std::to_string(i), sim::kEnvironmentX86,
                    "other" + std::to_string(i) + "mon.dll");
  }
  sim::AddMonitor(machine(), kMonitorName, sim::kEnvironmentX86, kMonitorLibrary);
  char name[kPrinterNameSize] = "Folyant";
  AddMonitor(name, 0, 0, 1);

  EXPECT_EQ(CountCalls("EnumMonitorsA"), 1);
  EXPECT_EQ(LogTexts(), (std::vector<std::string>{"MonitorInstalled: failed to enum port monitors, last error 0x7a",
                                                  "AddMonitor: already installed, error 3006"}));
  EXPECT_EQ(machine().eventLog.at(1).type, os::kEventlogWarningType);
}

// Without the product's port the printers print to "FILE:", the re-created default too,
// and the user is told once.
TEST_F(PortMonitorTest, MonitorRefusedFallsBackToFilePort) {
  ArrangeInstalled("Folyant", "Folyant-A");
  machine().spooler.monitors.clear();
  machine().FailCall("AddMonitorA", os::kErrorAccessDenied);
  char name[kPrinterNameSize] = "Folyant for Orchard";
  AddMonitor(name, 0, 0, 0);

  EXPECT_EQ(CountEvents(os::kEventlogErrorType, "AddPrinterError AddMonitor, error 5"), 1);
  ASSERT_EQ(machine().messageBoxes.size(), 1u);
  EXPECT_FALSE(machine().messageBoxes[0].hasOwner);
  EXPECT_NE(machine().messageBoxes[0].style & os::kMbSystemModal, 0u);
  ASSERT_NE(FindPrinter("Folyant for Orchard"), nullptr);
  EXPECT_EQ(FindPrinter("Folyant for Orchard")->port, "FILE:");
  ASSERT_NE(FindPrinter("Folyant"), nullptr);
  EXPECT_EQ(FindPrinter("Folyant")->port, "FILE:");
}

// The monitor library not in place (system error 126): the help page opens, the box
// names the error, and the printer still comes on the system's file port.
TEST_F(PortMonitorTest, MissingMonitorLibraryOpensHelp) {
  machine().files.Remove(machine().systemDirectory + "\\folyantm7.dll");
  machine().programs["hh"] = sim::Program{};
  char name[kPrinterNameSize] = "Folyant";
  AddMonitor(name, 0, 0, 0);

  EXPECT_EQ(CountEvents(os::kEventlogErrorType, "AddPrinterError AddMonitor, error 126"), 1);
  ASSERT_EQ(machine().processes.size(), 1u);
  EXPECT_EQ(
      machine().processes[0].commandLine,
      "hh.exe " + machine().systemDirectory + "\\spool\\drivers\\w32x86\\3\\folyant.chm::/addprinter126error.htm");
  ASSERT_EQ(machine().messageBoxes.size(), 1u);
  EXPECT_EQ(machine().messageBoxes[0].text,
            "A system error 126 occurred that prevented Folyant from being installed.  See help for steps to resolve "
            "the issue.");
  EXPECT_EQ(machine().messageBoxes[0].caption, "Folyant");
  EXPECT_EQ(machine().spooler.FindMonitor(kMonitorName), nullptr);
  ASSERT_NE(FindPrinter("Folyant"), nullptr);
  EXPECT_EQ(FindPrinter("Folyant")->port, "FILE:");
}

// -regaddxpsprinter with -imageprinter adds "Glimmora" on the XPS driver, ignores a
// -printername= value, and leaves an existing "Folyant" as it was.
TEST_F(PortMonitorTest, RegAddXpsImagePrinter) {
  ArrangeInstalled("Folyant", "Folyant Writer");
  EXPECT_EQ(RunProgram("-regaddxpsprinter -imageprinter -printername=\"Other\""), 0);

  ASSERT_NE(FindPrinter("Glimmora"), nullptr);
  EXPECT_EQ(FindPrinter("Glimmora")->driver, "Folyant-A");
  EXPECT_EQ(FindPrinter("Glimmora")->port, "PDFFILE:");
  EXPECT_EQ(FindPrinter("Other"), nullptr);
  ASSERT_NE(FindPrinter("Folyant"), nullptr);
  EXPECT_EQ(FindPrinter("Folyant")->driver, "Folyant Writer");
  EXPECT_EQ(CountCalls("DeletePrinter"), 0);
}

// -addmonitor touches the monitor only: the printer of that name stays as it was.
TEST_F(PortMonitorTest, MonitorOnlyLeavesPrintersAlone) {
  ArrangeInstalled("Folyant", "Folyant-A");
  machine().spooler.monitors.clear();
  machine().ForbidCall("AddPrinterA");
  machine().ForbidCall("DeletePrinter");
  EXPECT_EQ(RunProgram("-addprinter -addmonitor"), 0);

  EXPECT_NE(machine().spooler.FindMonitor(kMonitorName), nullptr);
  ASSERT_EQ(machine().printers.size(), 1u);
  EXPECT_EQ(machine().printers[0].driver, "Folyant-A");
  EXPECT_TRUE(machine().eventLog.empty());
}

// Another name is added: an existing "Folyant" follows onto the driver kind just installed.
TEST_F(PortMonitorTest, DefaultPrinterFollowsTheNewKind) {
  ArrangeInstalled("Folyant", "Folyant-A");
  char name[kPrinterNameSize] = "Folyant for Orchard";
  AddMonitor(name, 1, 0, 0);

  ASSERT_NE(FindPrinter("Folyant for Orchard"), nullptr);
  EXPECT_EQ(FindPrinter("Folyant for Orchard")->driver, "Folyant Font Helper");
  ASSERT_NE(FindPrinter("Folyant"), nullptr);
  EXPECT_EQ(FindPrinter("Folyant")->driver, "Folyant Font Helper");
  EXPECT_EQ(
      CountEvents(os::kEventlogInformationType, "checkPrinterInstalled: printer exists, deleting printer Folyant"), 1);
  EXPECT_EQ(std::string(name), "Folyant for Orchard");
}

// Without a "Folyant" printer nothing is re-created.
TEST_F(PortMonitorTest, NoDefaultPrinterNoRecreation) {
  char name[kPrinterNameSize] = "Folyant for Orchard";
  AddMonitor(name, 0, 0, 0);
  ASSERT_EQ(machine().printers.size(), 1u);
  EXPECT_EQ(machine().printers[0].name, "Folyant for Orchard");
}

// The two default names, in any case, are never followed by a re-creation.
TEST_F(PortMonitorTest, DefaultNamesInAnyCaseAreNotRecreated) {
  ArrangeInstalled("Folyant", "Folyant-A");
  for (const char* requested : {"GLIMMORA", "glimmora", "FOLYANT"}) {
    char name[kPrinterNameSize] = {};
    std::strcpy(name, requested);
    AddMonitor(name, 0, 0, 0);
  }
  EXPECT_EQ(CountCalls("AddPrinterA"), 3) << "one printer per call, no re-creation";
}

// A refused first printer is retried once under the name lengthened by one tick digit.
TEST_F(PortMonitorTest, RetryUnderLengthenedName) {
  machine().tickCount = 4321;
  machine().FailCall("AddPrinterA", os::kErrorAccessDenied, 0, 1);
  char name[kPrinterNameSize] = "Folyant for Orchard";
  AddMonitor(name, 0, 0, 0);

  const std::string expected =
      "Folyant for Orchard" + std::string(1, static_cast<char>('0' + machine().tickCount % 10));
  EXPECT_EQ(std::string(name), expected);
  EXPECT_NE(FindPrinter(expected), nullptr);
  EXPECT_EQ(FindPrinter("Folyant for Orchard"), nullptr);
}

// Both attempts refused: the caller still sees the lengthened name, one digit longer.
TEST_F(PortMonitorTest, BothAttemptsFailLeaveTheDigit) {
  machine().FailCall("AddPrinterA", os::kErrorAccessDenied);
  char name[kPrinterNameSize] = "Folyant";
  AddMonitor(name, 0, 0, 0);

  ASSERT_EQ(std::strlen(name), 8u);
  EXPECT_EQ(std::string(name, 7), "Folyant");
  EXPECT_GE(name[7], '0');
  EXPECT_LE(name[7], '9');
  EXPECT_EQ(CountCalls("AddPrinterA"), 2);
  EXPECT_TRUE(machine().printers.empty());
}

// A name that fills the buffer has no room for the digit: no retry, nothing written past it.
TEST_F(PortMonitorTest, FullBufferIsNotLengthened) {
  struct {
    char name[kPrinterNameSize];
    char guard[8];
  } buffer;
  std::memset(buffer.name, 'P', kPrinterNameSize - 1);
  buffer.name[kPrinterNameSize - 1] = '\0';
  std::memcpy(buffer.guard, "GUARDXX", 8);
  const std::string original(buffer.name);
  machine().FailCall("AddPrinterA", os::kErrorAccessDenied);
  AddMonitor(buffer.name, 0, 0, 0);

  EXPECT_EQ(std::string(buffer.name), original);
  EXPECT_EQ(std::string(buffer.guard), "GUARDXX");
  EXPECT_EQ(CountCalls("AddPrinterA"), 1);
  EXPECT_EQ(CountEvents(os::kEventlogErrorType,
                        "AddMonitor: printer name " + original + " has no room for another character, not retried"),
            1);
}
