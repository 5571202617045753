// The port monitor and AddMonitor, the road to every new printer; the tests' DLL is "folyantm7.dll".
#include "install/port_monitor.h"

#include <windows.h>

#include <string>

#include "support/wine_test.h"

namespace {

using substitute::Calls;

const std::string kSysWow64 = "C:\\windows\\syswow64\\", kSysNative = "C:\\windows\\sysnative\\";
const std::string kExists = "warning AddMonitor: already installed, error 3006\n";
const std::string kReplaced =
    "info checkPrinterInstalled: printer exists, deleting printer Folyant\n"
    "info DeletePDFPrinterInstance: Deleted printer Folyant\n";
const std::string kSupport = "\n\nPlease send this error to support@veskharrow.example.\n";
const std::string kRefused =
    "error AddPrinterError AddPrinter, error 5\nbox Folyant 4112: AddPrinter error 5" + kSupport;

class PortMonitorTest : public WineTest {
 protected:
  std::string Log() const {
    std::string log;
    for (const std::string& line : Transcript()) log += line + "\n";
    return log;
  }
  static std::string Describe(const std::string& printer) {
    return PrinterExists(printer) ? PrinterDriver(printer) + " on " + PrinterPort(printer) : "";
  }
};

}  // namespace

// One 4,096-byte enumeration decides; a legacy "Folyant Port" goes in its reported environment.
TEST_F(PortMonitorTest, MonitorInstalled) {
  ASSERT_TRUE(::CopyFileA((kSysWow64 + kMonitorLibrary).c_str(), (kSysWow64 + "folyantm5.dll").c_str(), FALSE));
  // The monitor arranged, the call failing (with 122), the log, DeleteMonitorA's environment ("" when
  // not called) and the monitor's library after.
  // clang-format off
  const std::tuple<const char*, const char*, const char*, std::string, const char*, const char*> rows[] = {
      {"Folyant Port", "FOLYANTM7.DLL", nullptr, "", "", "FOLYANTM7.DLL"},  // the current monitor, its library in any case
      {"FOLYANT PORT", kMonitorLibrary, nullptr, kExists, "", kMonitorLibrary},  // the name compared with its case: another monitor, kept
      // A legacy library is replaced, or stays when it cannot go.
      {"Folyant Port", "folyantm5.dll", nullptr, "info MonitorInstalled: successfully deleted legacy port monitor Folyant Port\n", "Windows x64", kMonitorLibrary},
      {"Folyant Port", "folyantm5.dll", "DeleteMonitorA", "error MonitorInstalled: failed to delete legacy port monitor Folyant Port, last error 0x7a\n" + kExists, "Windows x64", "folyantm5.dll"},
      // No enumeration (too many monitors for the block: 122) counts as not installed.
      {"Folyant Port", kMonitorLibrary, "EnumMonitorsA", "error MonitorInstalled: failed to enum port monitors, last error 0x7a\n" + kExists, "", kMonitorLibrary},
  };
  // clang-format on
  for (const auto& [name, library, failingCall, logged, deletedIn, libraryAfter] : rows) {
    SCOPED_TRACE(::testing::Message() << name << " " << library << " " << (failingCall ? failingCall : ""));
    ArrangeMonitor(name, library);
    if (failingCall != nullptr) substitute::FailCall(failingCall, 122, 0, 1);
    RunProgram("-addprinter");

    EXPECT_EQ(Log(), logged);
    EXPECT_EQ(Calls("EnumMonitorsA").at(0).number, 4096u);
    EXPECT_EQ(Calls("DeleteMonitorA").empty() ? "" : Calls("DeleteMonitorA")[0].detail, deletedIn);
    EXPECT_EQ(MonitorLibrary(name), libraryAfter);
    EXPECT_EQ(PrinterPort("Folyant"), "PDFFILE:");  // 3006 too keeps the product's port
    Fresh();
  }
}

// Every installing switch over a "Folyant" on "Folyant-A": the monitor, then the kind's printer,
// on "FILE:" without the monitor; a refused printer is retried once as name + tick digit.
TEST_F(PortMonitorTest, AddMonitorEndToEnd) {
  const std::string full(259, 'P'), orchard = "-addprinter -printername=\"Folyant for Orchard\"";
  struct Row {
    std::string commandLine;
    const char *printer, *printerAs, *folyantAs;  // no printer: none added
    std::string logged, failingCall = "";
    int refusals = -1;
    const char* environment = "Windows NT x86";
  };
  const char *writer = "Folyant Writer on PDFFILE:", *xps = "Folyant-A on PDFFILE:",
             *onFile = "Folyant Writer on FILE:", *fonts = "Folyant Font Helper on PDFFILE:";
  // clang-format off
  const Row rows[] = {
      {"-regaddprinter -printername=\"Other\"", "Folyant", writer, writer, kReplaced},
      {"-addpsprinter -printername=\"Folyant for Orchard\"", "Folyant for Orchard", fonts, fonts, kReplaced},
      {"-addxpsprinter -printername=\"glimmora\"", "glimmora", xps, xps, ""},
      {"-regaddxpsprinter -imageprinter -printername=\"Other\"", "Glimmora", xps, xps, ""},
      {"-addprinter -addmonitor", nullptr, "", xps, ""},
      {"-x64 -addpsprinter -addmonitor", nullptr, "", xps, "", "", -1, "Windows x64"},
      // On Windows on ARM the native spooler is ARM64 (the machine substituted).
      {"-x64 -addpsprinter -addmonitor", nullptr, "", xps, "", "IsWow64Process2", -1, "Windows ARM64"},
      {orchard, "Folyant for Orchard", onFile, onFile, "error AddPrinterError AddMonitor, error 5\nbox Folyant 4112: AddMonitor error 5" + kSupport + kReplaced, "AddMonitorA"},
      // No help viewer: its command line is logged.
      {"-addprinter", "Folyant", onFile, onFile, kReplaced + "error AddPrinterError AddMonitor, error 126\nerror Unable to create process hh.exe C:\\windows\\system32\\spool\\drivers\\w32x86\\3\\folyant.chm::/addprinter126error.htm, last error 0x5\nbox Folyant 4112: A system error 126 occurred that prevented Folyant from being installed.  See help for steps to resolve the issue.\n", "CreateProcessA"},
      {orchard, "Folyant for Orchard0", writer, writer, kRefused + kReplaced, "AddPrinterA", 1},
      {"-addprinter", nullptr, "", "", kReplaced + kRefused + kRefused, "AddPrinterA"},
      {"-addprinter -printername=\"" + full + "\"", nullptr, "", "", kRefused + "error AddMonitor: printer name " + full + " has no room for another character, not retried\n" + kReplaced + kRefused, "AddPrinterA"},
  };
  // clang-format on
  auto move = [](const std::string& from, const std::string& to) {
    for (const std::string& dir : {kSysWow64, kSysNative}) ::MoveFileA((dir + from).c_str(), (dir + to).c_str());
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.commandLine);
    ArrangePrinter("Folyant", "Folyant-A");
    if (row.failingCall == "IsWow64Process2") {
      substitute::AnswerNativeMachine(IMAGE_FILE_MACHINE_ARM64);
    } else if (!row.failingCall.empty()) {
      substitute::FailCall(row.failingCall, 5, 0, row.refusals);
    }
    if (row.failingCall == "CreateProcessA") move(kMonitorLibrary, "folyantm7.off");
    EXPECT_EQ(RunProgram(row.commandLine.c_str()), 0);
    if (row.failingCall == "CreateProcessA") move("folyantm7.off", kMonitorLibrary);

    EXPECT_EQ(Log(), row.logged);
    EXPECT_EQ(Calls("AddMonitorA").at(0).detail, row.environment);
    EXPECT_EQ(Describe("Folyant"), row.folyantAs);
    EXPECT_EQ(row.printer != nullptr ? Describe(row.printer) : "", row.printerAs);
    Fresh();
  }
}
