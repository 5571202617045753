// Removing printers: one instance, a printer with its driver and shortcut, all product printers.
#include "install/removal.h"

#include <string>
#include <vector>

#include "app/install_context.h"
#include "install/send_to.h"
#include "platform/sim/spooler_model.h"
#include "platform/spooler.h"
#include "platform/types.h"
#include "sim_fixture.h"

namespace {

using Events = std::vector<std::pair<uint16_t, std::string>>;

constexpr uint16_t kWarning = os::kEventlogWarningType;
constexpr uint16_t kInformation = os::kEventlogInformationType;

class RemovalTest : public SimTest {
 protected:
  void SetUp() override {
    ResetInstallContext();
    machine().is64BitWindows = false;
  }

  void ArrangeDriver(const char* driver, const char* environment = sim::kEnvironmentX86) {
    sim::InstallDriver(machine(), driver, environment, 3, "mxdwdrv.dll");
  }
  // A printer with its driver (native environment) and its Send To shortcut.
  void ArrangePrinter(const char* name, const char* driver) {
    if (machine().spooler.FindDriver(driver, sim::NativeEnvironment(machine())) == nullptr) {
      ArrangeDriver(driver, sim::NativeEnvironment(machine()).c_str());
    }
    sim::AddPrinter(machine(), name, driver, "PDFFILE:");
    machine().files.Put(ShortcutPath(name), "link");
  }
  std::string ShortcutPath(const char* name) {
    char path[260] = {};
    BuildSendToPath(name, path);
    return std::string(path) + ".lnk";
  }
  bool HasPrinter(const std::string& name) {
    for (const sim::Printer& p : machine().printers) {
      if (p.name == name) return true;
    }
    return false;
  }
  bool HasDriver(const char* name, const char* environment = sim::kEnvironmentX86) {
    return machine().spooler.FindDriver(name, environment) != nullptr;
  }
  Events Logged() {
    Events events;
    for (const sim::EventRecord& e : machine().eventLog) events.emplace_back(e.type, e.text);
    return events;
  }
};

}  // namespace

// -deleteprinterinstance takes the printer "Folyant" only; driver and shortcut stay.
TEST_F(RemovalTest, InstanceDeletionLeavesDriverAndShortcut) {
  ArrangePrinter("Folyant", "Folyant-A");
  ArrangePrinter("Folyant for Orchard", "Folyant-A");
  EXPECT_EQ(RunProgram("-deleteprinterinstance"), 0);

  EXPECT_FALSE(HasPrinter("Folyant"));
  EXPECT_TRUE(HasPrinter("Folyant for Orchard"));
  EXPECT_TRUE(HasDriver("Folyant-A"));
  EXPECT_TRUE(machine().files.Exists(ShortcutPath("Folyant")));
  EXPECT_EQ(Logged(), (Events{{kInformation, "DeletePDFPrinterInstance: Deleted printer Folyant"}}));
  EXPECT_TRUE(machine().sleeps.empty());
}

// The OEM switch names its own printer, and a missing printer is one warning, no change.
TEST_F(RemovalTest, LodestarInstanceAndMissingPrinter) {
  ArrangePrinter("Lodestar PDF Writer", "Lodestar PDF Writer");
  ArrangePrinter("Folyant", "Folyant-A");
  EXPECT_EQ(RunProgram("-DeleteLodestarInstance"), 0);
  EXPECT_FALSE(HasPrinter("Lodestar PDF Writer"));
  EXPECT_TRUE(HasPrinter("Folyant"));

  machine().eventLog.clear();
  EXPECT_EQ(RunProgram("-DeleteLodestarInstance"), 0);
  EXPECT_EQ(
      Logged(),
      (Events{{kWarning, "DeletePDFPrinterInstance: OpenPrinter failed, printer Lodestar PDF Writer error 1801"}}));
  EXPECT_EQ(machine().printers.size(), 1u);
}

// A refused DeletePrinter is a warning; the printer stays and the handle is closed.
TEST_F(RemovalTest, DeletePrinterRefused) {
  ArrangePrinter("Folyant", "Folyant-A");
  machine().FailCall("DeletePrinter", os::kErrorAccessDenied);
  EXPECT_FALSE(DeletePDFPrinterInstance("Folyant"));
  EXPECT_EQ(Logged(), (Events{{kWarning, "DeletePDFPrinterInstance: DeletePrinter failed, error 5"}}));
  EXPECT_TRUE(HasPrinter("Folyant"));
}

// The full removal: printer, then after the pause its driver, then its shortcut.
TEST_F(RemovalTest, PrinterDriverAndShortcutGo) {
  ArrangePrinter("Folyant", "Folyant-A");
  DeletePDFPrinter("Folyant", nullptr);

  EXPECT_FALSE(HasPrinter("Folyant"));
  EXPECT_FALSE(HasDriver("Folyant-A"));
  EXPECT_FALSE(machine().files.Exists(ShortcutPath("Folyant")));
  EXPECT_EQ(machine().sleeps, std::vector<uint32_t>{1000});
  EXPECT_EQ(Logged(), (Events{{kInformation, "DeletePDFPrinterInstance: Deleted printer Folyant"}}));
}

// A printer refused deletion keeps its driver, but its shortcut still goes.
TEST_F(RemovalTest, RefusedPrinterKeepsDriverLosesShortcut) {
  ArrangePrinter("Folyant", "Folyant-A");
  machine().FailCall("DeletePrinter", os::kErrorAccessDenied);
  machine().ForbidCall("DeletePrinterDriverA");
  DeletePDFPrinter("Folyant", nullptr);

  EXPECT_TRUE(HasPrinter("Folyant"));
  EXPECT_TRUE(HasDriver("Folyant-A"));
  EXPECT_FALSE(machine().files.Exists(ShortcutPath("Folyant")));
  EXPECT_TRUE(machine().sleeps.empty());
}

// No such printer: three warnings, no driver deletion, a stray shortcut of the name removed.
TEST_F(RemovalTest, AbsentPrinterLogsThreeWarnings) {
  ArrangeDriver("Ghost");
  machine().files.Put(ShortcutPath("Ghost"), "link");
  machine().ForbidCall("DeletePrinterDriverA");
  DeletePDFPrinter("Ghost", nullptr);

  EXPECT_EQ(Logged(), (Events{{kWarning, "DeletePDFPrinter: failed to open printer Ghost, error 1801"},
                              {kWarning, "DeletePDFPrinter: NULL printer handle, printer Ghost, error 1801"},
                              {kWarning, "DeletePDFPrinterInstance: OpenPrinter failed, printer Ghost error 1801"}}));
  EXPECT_TRUE(HasDriver("Ghost"));
  EXPECT_FALSE(machine().files.Exists(ShortcutPath("Ghost")));
}

// Unreadable driver information: the driver is looked for under the printer's own name.
TEST_F(RemovalTest, DriverInformationNotReadable) {
  ArrangePrinter("Folyant", "Folyant-A");
  machine().FailCall("GetPrinterDriverA", os::kErrorAccessDenied, 1, 1);
  DeletePDFPrinter("Folyant", nullptr);

  EXPECT_EQ(Logged(),
            (Events{{kWarning, "DeletePDFPrinter: failed to get printer driver, printer Folyant, error 5"},
                    {kInformation, "DeletePDFPrinterInstance: Deleted printer Folyant"},
                    {kWarning, "DeletePDFPrinter: failed to delete printer driver, driver Folyant, error 1797"}}));
  EXPECT_TRUE(HasDriver("Folyant-A"));
  EXPECT_FALSE(HasPrinter("Folyant"));
}

// No memory for the driver information: silently the printer's own name as driver name.
TEST_F(RemovalTest, NoMemoryForDriverInformation) {
  ArrangePrinter("Folyant", "Folyant-A");
  machine().FailCall("LocalAlloc", os::kErrorNotEnoughMemory, 0, 1);
  DeletePDFPrinter("Folyant", nullptr);

  EXPECT_EQ(Logged(),
            (Events{{kInformation, "DeletePDFPrinterInstance: Deleted printer Folyant"},
                    {kWarning, "DeletePDFPrinter: failed to delete printer driver, driver Folyant, error 1797"}}));
}

// A handle handed over is used for the driver query and closed by the removal.
TEST_F(RemovalTest, CheckPrinterInstalledHandsItsHandleOver) {
  ArrangePrinter("Folyant", "Folyant-A");
  EXPECT_TRUE(checkPrinterInstalled("FOLYANT"));
  EXPECT_FALSE(HasPrinter("Folyant"));
  EXPECT_FALSE(HasDriver("Folyant-A"));
  EXPECT_EQ(Logged().front(), (std::pair<uint16_t, std::string>{
                                  kInformation, "checkPrinterInstalled: printer exists, deleting printer FOLYANT"}));
}

// Clearing a free name does nothing and still answers true.
TEST_F(RemovalTest, CheckPrinterInstalledOnFreeName) {
  ArrangePrinter("Folyant", "Folyant-A");
  machine().ForbidCall("DeletePrinter");
  EXPECT_TRUE(checkPrinterInstalled("Folyant 2"));
  EXPECT_TRUE(machine().eventLog.empty());
  EXPECT_TRUE(HasPrinter("Folyant"));
}

// Two printers on one driver: the first removal is refused the driver, the second takes it.
TEST_F(RemovalTest, DeleteAllSharedDriverGoesWithTheLastPrinter) {
  ArrangePrinter("Folyant", "Folyant-A");
  ArrangePrinter("Folyant 2", "Folyant-A");
  EXPECT_EQ(RunProgram("-deleteprinter"), 0);

  EXPECT_EQ(Logged(),
            (Events{{kInformation, "DeletePDFPrinterInstance: Deleted printer Folyant 2"},
                    {kWarning, "DeletePDFPrinter: failed to delete printer driver, driver Folyant-A, error 3001"},
                    {kInformation, "DeletePDFPrinterInstance: Deleted printer Folyant"}}));
  EXPECT_TRUE(machine().printers.empty());
  EXPECT_FALSE(HasDriver("Folyant-A"));
  EXPECT_FALSE(machine().files.Exists(ShortcutPath("Folyant")));
  EXPECT_FALSE(machine().files.Exists(ShortcutPath("Folyant 2")));
  EXPECT_EQ(machine().sleeps, (std::vector<uint32_t>{1000, 1000}));
}

// Every product driver's printers go, the default names included; native and PostScript stay.
TEST_F(RemovalTest, DeleteAllTakesOnlyProductPrinters) {
  ArrangePrinter("Writer", "Folyant Writer");
  ArrangePrinter("Glimmora", "Folyant-A");
  ArrangePrinter("Fonts", "Folyant Font Helper");
  ArrangePrinter("Orchard", "FOLYANT FOR ORCHARD");
  ArrangePrinter("Other", "Some Other Driver");
  EXPECT_EQ(RunProgram("-deleteprinter"), 0);

  std::vector<std::string> left;
  for (const sim::Printer& p : machine().printers) left.push_back(p.name);
  EXPECT_EQ(left, (std::vector<std::string>{"Writer", "Fonts", "Other"}));
  EXPECT_EQ(Logged(), (Events{{kInformation, "DeletePDFPrinterInstance: Deleted printer Orchard"},
                              {kInformation, "DeletePDFPrinterInstance: Deleted printer Glimmora"}}));
  EXPECT_TRUE(HasDriver("Folyant Writer"));
  EXPECT_FALSE(HasDriver("Folyant for Orchard"));
  EXPECT_TRUE(machine().files.Exists(ShortcutPath("Writer")));
}

// Only a native-driver printer: nothing changes.
TEST_F(RemovalTest, DeleteAllWithoutProductPrinters) {
  ArrangePrinter("Folyant", "Folyant Writer");
  machine().ForbidCall("DeletePrinter");
  machine().ForbidCall("DeletePrinterDriverA");
  EXPECT_EQ(RunProgram("-deleteprinter"), 0);
  EXPECT_TRUE(machine().eventLog.empty());
  EXPECT_TRUE(machine().files.Exists(ShortcutPath("Folyant")));
}

// No memory for the enumeration, or a stopped spooler: nothing is deleted.
TEST_F(RemovalTest, DeleteAllWithoutEnumeration) {
  ArrangePrinter("Folyant", "Folyant-A");
  machine().ForbidCall("DeletePrinter");
  machine().FailCall("LocalAlloc", os::kErrorNotEnoughMemory);
  EXPECT_EQ(RunProgram("-deleteprinter"), 0);
  machine().FailCall("LocalAlloc", 0, 0, 0);
  machine().spoolerRunning = false;
  EXPECT_EQ(RunProgram("-deleteprinter"), 0);

  EXPECT_TRUE(HasPrinter("Folyant"));
  EXPECT_TRUE(machine().files.Exists(ShortcutPath("Folyant")));
}

// -x64 reads and deletes the driver of the x64 environment, even with no x86 driver of
// that name, and leaves the x86 driver of another name alone.
TEST_F(RemovalTest, X64RunRemovesTheX64Driver) {
  machine().is64BitWindows = true;
  ArrangePrinter("Folyant", "Folyant-A");
  ArrangeDriver("Folyant-A", sim::kEnvironmentX86);
  ArrangeDriver("Folyant for Orchard", sim::kEnvironmentX64);
  sim::AddPrinter(machine(), "Orchard", "Folyant for Orchard", "PDFFILE:");
  EXPECT_EQ(RunProgram("-x64 -deleteprinter"), 0);

  EXPECT_EQ(Logged(), (Events{{kInformation, "DeletePDFPrinterInstance: Deleted printer Orchard"},
                              {kInformation, "DeletePDFPrinterInstance: Deleted printer Folyant"}}));
  EXPECT_FALSE(HasDriver("Folyant-A", sim::kEnvironmentX64));
  EXPECT_FALSE(HasDriver("Folyant for Orchard", sim::kEnvironmentX64));
  EXPECT_TRUE(HasDriver("Folyant-A", sim::kEnvironmentX86));
}

// Without -x64 the x86 environment is named, also on 64-bit Windows.
TEST_F(RemovalTest, DriverEnvironmentIsX86ByDefault) {
  machine().is64BitWindows = true;
  ArrangePrinter("Folyant", "Folyant-A");
  ArrangeDriver("Folyant-A", sim::kEnvironmentX86);
  EXPECT_EQ(RunProgram("-deleteprinter"), 0);

  EXPECT_EQ(Logged(), (Events{{kInformation, "DeletePDFPrinterInstance: Deleted printer Folyant"}}));
  EXPECT_FALSE(HasDriver("Folyant-A", sim::kEnvironmentX86));
  EXPECT_TRUE(HasDriver("Folyant-A", sim::kEnvironmentX64));
}
