// -verify: each kind of finding, made by breaking one thing of a real installation, seen
// as an installer sees it (standard output, event log, box, exit code); the repair it
// names makes the next check clean; and the check after each operation.
#include <windows.h>
// After windows.h, which they need.
#include <sddl.h>
#include <winspool.h>

#include <fstream>
#include <functional>
#include <tuple>

#include "support/wine_test.h"

namespace {

using Lines = std::vector<std::string>;
const std::string kX86 = "C:\\windows\\system32\\spool\\drivers\\w32x86\\3\\";
// Where the 64-bit spooler loads the monitor from, as this 32-bit program sees it.
const std::string kLibrary = "C:\\windows\\system32\\folyantm7.dll", kNative = "C:\\windows\\Sysnative\\folyantm7.dll";
const std::string kInstall = "-addxpsprinter -printername=\"Folyant\"";
const std::string kRepairFolyant = "; repair: -addxpsprinter -printername=\"Folyant\"";

class VerifyTest : public WineTest {
 protected:
  // Runs the program with standard output going to a file, and returns that file's lines;
  // the same lines are the run's last event-log entries, each a warning.
  Lines Run(const std::string& commandLine, int exitCode) {
    const char* path = "C:\\verify-report.txt";
    HANDLE file = ::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    HANDLE saved = ::GetStdHandle(STD_OUTPUT_HANDLE);
    ::SetStdHandle(STD_OUTPUT_HANDLE, file);
    EXPECT_EQ(RunProgram(commandLine.c_str()), exitCode) << commandLine;
    ::SetStdHandle(STD_OUTPUT_HANDLE, saved);
    ::CloseHandle(file);
    std::ifstream report(path, std::ios::binary);
    Lines lines;
    for (std::string line; std::getline(report, line);) lines.push_back(line.substr(0, line.size() - 1));
    const Events logged = Logged();
    EXPECT_LE(lines.size(), logged.size()) << "report lines not in the event log";
    if (lines.size() > logged.size()) return lines;
    const size_t first = logged.size() - lines.size();
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(logged[first + i], (Events::value_type(kWarning, lines[i])));
    return lines;
  }
};

}  // namespace

// An installation made under Wine's own shell lacks only the shortcut Wine cannot make: a
// note, exit code 0, shown in a box that says so. Each row then breaks one thing of a whole
// installation: its exact line, exit code 0 for a note and 2 for a problem; the repair it
// names (or putting back what was removed) makes the next check clean.
TEST_F(VerifyTest, EachFindingAndItsRepair) {
  substitute::UseWindowsRules(false);
  RunProgram(kInstall.c_str());
  substitute::Reset();
  substitute::UseWindowsRules(false);  // the spooler's own environment as Wine names it
  EXPECT_EQ(Run("-verify", 0), Lines{"note: printer \"Folyant\": no Send To shortcut" + kRepairFolyant});
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].subject,
            "The check found no problem, 1 note:\n\nnote: printer \"Folyant\": no Send To shortcut" + kRepairFolyant);
  EXPECT_EQ(Boxes()[0].number, 0x1040u);
  // A printer added between the size call and the read (122 on the read): read again.
  substitute::FailCall("EnumPrintersA", 122, 1, 1);
  EXPECT_EQ(Run("-verify -quiet", 0), Lines{"note: printer \"Folyant\": no Send To shortcut" + kRepairFolyant});
  substitute::UseWindowsRules(true);
  RunProgram(kInstall.c_str());

  struct Row {
    std::function<void()> breakIt;
    std::string line;
    int exitCode;
    std::string repair;  // a command line, or empty when putting back is the repair
    std::function<void()> putBack;
  };
  const std::string monitor = "port monitor \"Folyant Port\": ";
  // Gives a printer's key the rights of `sddl`, or no access list as earlier releases did,
  // creating the key where Wine's spooler made none.
  const auto secure = [](const std::string& key, const char* sddl) {
    HKEY opened = nullptr;
    ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, ("SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + key).c_str(), 0,
                      nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr);
    SECURITY_DESCRIPTOR open{};
    PSECURITY_DESCRIPTOR descriptor = &open;
    if (sddl != nullptr) {
      ::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr);
    } else {
      ::InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
      ::SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
    }
    EXPECT_EQ(::RegSetKeySecurity(opened, DACL_SECURITY_INFORMATION, descriptor), 0) << key;
    if (sddl != nullptr) ::LocalFree(descriptor);
    ::RegCloseKey(opened);
  };
  const Row rows[] = {
      // Earlier releases left the key with no access list; another account's key is open too.
      {[&] { secure("Folyant", nullptr); },
       "printer \"Folyant\": registry key has no access list, every account may change it" + kRepairFolyant, 2,
       kInstall, nullptr},
      {[&] { secure("Folyant\\PrinterDriverData", "D:(A;CI;KA;;;AU)"); },
       "printer \"Folyant\": registry key PrinterDriverData lets other accounts change it" + kRepairFolyant, 2,
       kInstall, nullptr},
      // A line break in a spooler string makes no line of its own.
      {[] { ArrangePrinter("Line\r\nbreak", "Folyant-A", "LPT1:"); },
       "printer \"Line??break\": on \"LPT1:\", not PDFFILE:; repair: -addxpsprinter -printername=\"Line??break\"", 2,
       "",
       [] {
         HANDLE printer = nullptr;
         PRINTER_DEFAULTSA all{nullptr, nullptr, PRINTER_ALL_ACCESS};
         ::OpenPrinterA(const_cast<char*>("Line\r\nbreak"), &printer, &all);
         ::DeletePrinter(printer);
         ::ClosePrinter(printer);
       }},
      {[] { ::DeleteFileA((kX86 + "FOLYANTE.EXE").c_str()); },
       "driver \"Folyant-A\": file missing: " + kX86 + "FOLYANTE.EXE", 2, "",
       [] { WriteFile(kX86 + "FOLYANTE.EXE", "placeholder"); }},
      {[] { ::MoveFileA(kNative.c_str(), "C:\\folyantm7.dll"); },
       monitor + "library " + kLibrary + " missing (the product's files must be installed again)", 2, "",
       [] { ::MoveFileA("C:\\folyantm7.dll", kNative.c_str()); }},
      {[this] {
         RunProgram("-deleteprinterinstance");
         ArrangePrinter("Folyant", "Folyant-A", "FILE:");
       },
       "printer \"Folyant\": on FILE:, not PDFFILE: (the port monitor was missing when it was created)" +
           kRepairFolyant,
       2, kInstall, nullptr},
      {[] { ::DeleteFileA((SendToFolder() + "\\Folyant.lnk").c_str()); },
       "note: printer \"Folyant\": no Send To shortcut" + kRepairFolyant, 0, kInstall, nullptr},
      {[] { ::DeleteMonitorA(nullptr, nullptr, const_cast<char*>("Folyant Port")); },
       monitor + "not installed; repair: -regaddprinter -addmonitor", 2, "-regaddprinter -addmonitor", nullptr},
      {[] { substitute::FailCall("EnumPrintersA", 1722, 0, 1); },
       "spooler: the spooler service is not running (error 1722); start it and run the check again", 2, "", nullptr},
      // A spooler library that cannot be loaded is a spooler that does not answer.
      {[] { substitute::FailCall("LoadLibraryExA", 126); },
       "spooler: the spooler service is not running (error 1722); start it and run the check again", 2, "",
       [] { substitute::FailCall("LoadLibraryExA", 0, 0, 0); }},
      // A Windows upgrade leaves the list of the Windows it was installed on.
      {[] { substitute::AnswerAsWindows(substitute::kWindows10, false); },
       "driver \"Folyant-A\": \"Dependent Files\" is not the list this Windows needs; repair: -updatexpsdependentfiles",
       2, "-updatexpsdependentfiles", nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    substitute::Reset();
    row.breakIt();
    // The checks see the spooler's environment as Wine names it; the repairs run as on Windows.
    substitute::UseWindowsRules(false);
    EXPECT_EQ(Run("-verify -quiet", row.exitCode), Lines{row.line});
    substitute::UseWindowsRules(true);
    if (!row.repair.empty()) RunProgram(row.repair.c_str());
    if (row.putBack) row.putBack();
    substitute::UseWindowsRules(false);
    EXPECT_EQ(Run("-verify -quiet", 0), Lines{});
    EXPECT_TRUE(Boxes().empty()) << "a box under -quiet";
  }
}

// Alone, -verify checks the spooler's own environment, the one it names its monitors' by:
// under Wine's own answers x86; 64-bit Windows names x64 (also without IsWow64Process2),
// Windows on ARM names ARM64 (substituted as Windows answers), where the printer's x86
// driver is then missing. -x64 names the machine's 64-bit environment in the repair.
TEST_F(VerifyTest, TheSpoolersOwnEnvironment) {
  substitute::UseWindowsRules(false);
  RunProgram(kInstall.c_str());
  const std::string note = "note: printer \"Folyant\": no Send To shortcut";
  const std::string missing = "printer \"Folyant\": driver \"Folyant-A\" not installed for ";
  const std::string repair64 = "; repair: -x64 " + kInstall;
  // The native machine IsWow64Process2 gives (-1: Wine's own answers throughout), exit code, lines.
  const std::vector<std::tuple<int, int, Lines>> rows = {
      {-1, 0, {note + kRepairFolyant}},
      {IMAGE_FILE_MACHINE_AMD64, 2, {missing + "Windows x64" + repair64, note + repair64}},
      {0, 2, {missing + "Windows x64" + repair64, note + repair64}},
      {IMAGE_FILE_MACHINE_ARM64, 2, {missing + "Windows ARM64" + repair64, note + repair64}},
  };
  for (const auto& [machine, exitCode, lines] : rows) {
    SCOPED_TRACE(machine);
    substitute::Reset();
    if (machine < 0) {
      substitute::UseWindowsRules(false);
    } else {
      substitute::AnswerAsWindows(substitute::kWindows10, true);
      substitute::AnswerNativeMachine(static_cast<uint16_t>(machine));
    }
    EXPECT_EQ(Run("-verify -quiet", exitCode), lines);
  }
}

// With an operation, the operation runs as without -verify, then what it was asked to do
// is checked: exit code 2 only for a problem, 1 keeps its meaning. A "-verify" inside the
// quoted printer name is part of the name. Alone, -verify is the run's operation.
TEST_F(VerifyTest, AfterEachOperation) {
  using substitute::FailCall;
  const auto installed = [this] { RunProgram(kInstall.c_str()); };
  const std::string still = "printer \"Folyant\": still installed after -deleteprinter";
  const std::string settings =
      "\": \"PDFDefaultFileName\" is not the blank -stopautoname writes; repair: -stopautoname";
  const std::string noMonitor = "port monitor \"Folyant Port\": not installed; repair: -regaddprinter -addmonitor";
  struct Row {
    std::function<void()> arrange;
    std::string commandLine;
    int exitCode;
    Lines lines;
  };
  // clang-format off
  const Row rows[] = {
      {nullptr, kInstall + " -verify -quiet", 0, {}},
      {nullptr, "-regaddprinter -addmonitor -verify -quiet", 0, {}},
      {[] { FailCall("AddMonitorA", 5); }, "-addprinter -printername=\"Mine\" -verify -quiet", 2,
       {noMonitor, "printer \"Mine\": on FILE:, not PDFFILE: (the port monitor was missing when it was created); "
                   "repair: -addprinter -printername=\"Mine\""}},
      // Wine cannot put a 32-bit program's printer on an x64 driver.
      {nullptr, "-x64 " + kInstall + " -verify -quiet", 2, {"printer \"Folyant\": not installed; repair: -x64 " + kInstall}},
      {nullptr, "-addxpsprinter -printername=\"Is -verify\" -quiet", 0, {}},
      {nullptr, "-addxpsprinter -printername=\"Is -verify\" -verify -quiet", 0, {}},
      {installed, "-deleteprinter -verify -quiet", 0, {}},
      {[&] { installed(), FailCall("DeletePrinter", 5); }, "-deleteprinter -verify -quiet", 2,
       {still + "; repair: -deleteprinter", "driver \"Folyant-A\": still installed for Windows NT x86 after -deleteprinter"}},
      {[&] { installed(), FailCall("DeletePrinter", 5); }, "-deleteprinterinstance -verify -quiet", 2,
       {still + "instance; repair: -deleteprinterinstance"}},
      {nullptr, "-updatexpsdependentfiles -verify -quiet", 2,
       {"driver \"Folyant-A\": not installed for Windows NT x86; repair: -addxpsprinter"}},
      {nullptr, "-stopautoname -verify -quiet", 0, {}},
      {[] { FailCall("RegSetValueExA", 5); }, "-stopautoname -verify -quiet", 2,
       {"settings \"Folyant" + settings, "settings \"Glimmora" + settings}},
      {[&] { installed(), ArrangePrinter("Second", "Folyant-A"); }, "-checkinstance -verify -quiet", 1,
       {"note: printer \"Second\": no Send To shortcut; repair: -addxpsprinter -printername=\"Second\""}},
      {[] { substitute::UseWindowsRules(false); }, "-splash -verify", 2, {noMonitor, "printers: no product printer is installed" + kRepairFolyant}},
      // Both kinds' switches: told from the spooler's record as the PostScript name on the XPS
      // files, checked against those and repaired with both switches.
      {[this] {
         substitute::UseWindowsRules(false), RunProgram("-addpsprinter -addxpsprinter -printername=\"Both\"");
         ::DeleteFileA((kX86 + "folyantx.dll").c_str());
       },
       "-verify -quiet", 2,
       {"note: printer \"Both\": no Send To shortcut; repair: -addpsprinter -addxpsprinter -printername=\"Both\"",
        "driver \"Folyant Font Helper\": file missing: " + kX86 + "folyantx.dll"}},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.commandLine);
    if (row.arrange) row.arrange();
    EXPECT_EQ(Run(row.commandLine, row.exitCode), row.lines);
    EXPECT_EQ(substitute::Called("GetStdHandle"),
              row.commandLine.ends_with("verify -quiet") || row.commandLine.ends_with("-verify"));
    // Alone, no splash: the report box, a warning when it lists a problem.
    if (!row.commandLine.ends_with("-quiet")) {
      EXPECT_FALSE(substitute::Called("DialogBoxParamA"));
      ASSERT_EQ(Boxes().size(), 1u);
      EXPECT_EQ(Boxes()[0].subject, "The check found 2 problems:\n\n" + row.lines[0] + "\n\n" + row.lines[1]);
      EXPECT_EQ(Boxes()[0].number, 0x1030u);
    }
    TearDown();
    SetUp();
  }
}
