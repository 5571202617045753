// -verify: each kind of finding, made by breaking one thing of a real installation, seen
// as an installer sees it (standard output, event log, box, exit code); the repair it
// names makes the next check clean; and the check after each operation.
#include <windows.h>
// After windows.h, which they need.
#include <sddl.h>
#include <winspool.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <tuple>

#include "support/wine_test.h"

namespace {

using Lines = std::vector<std::string>;
const std::string kX86 = "C:\\windows\\system32\\spool\\drivers\\w32x86\\3\\";
// Where the 64-bit spooler loads the monitor from, as this 32-bit program sees it.
const std::string kLibrary = "C:\\windows\\system32\\folyantm7.dll", kNative = "C:\\windows\\Sysnative\\folyantm7.dll";
const std::string kInstall = "-addxpsprinter -printername=\"Folyant\"";
const std::string kRepairFolyant = "; repair: -addxpsprinter -printername=\"Folyant\"";

// Reads the pipe (handle, text) into its text until its writing end is closed.
DWORD WINAPI ReadPipe(void* context) {
  auto* pipe = static_cast<std::pair<HANDLE, std::string*>*>(context);
  char buffer[256];
  DWORD got = 0;
  while (::ReadFile(pipe->first, buffer, sizeof buffer, &got, nullptr) && got != 0) pipe->second->append(buffer, got);
  return 0;
}

class VerifyTest : public WineTest {
 protected:
  // Runs the program with standard output going to `output` (a file of its own when none is
  // given) and returns the report's lines but the last, which must be the summary counting
  // them; every line is also one of the run's last event-log entries, "Verify: " first, a
  // note and a clean summary as information, a problem as a warning.
  Lines Run(const std::string& commandLine, int exitCode, std::string* summary = nullptr) {
    const char* path = "C:\\verify-report.txt";
    HANDLE file = ::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    RunWithOutput(commandLine, exitCode, file);
    ::CloseHandle(file);
    std::ifstream report(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(report)), std::istreambuf_iterator<char>());
    // Without -verify (one inside a printer name does not count) there is no report.
    if (!commandLine.ends_with("-verify") && !commandLine.ends_with("-verify -quiet")) {
      EXPECT_EQ(text, "");
      return {};
    }
    return Checked(text, summary);
  }
  void RunWithOutput(const std::string& commandLine, int exitCode, HANDLE output) {
    HANDLE saved = ::GetStdHandle(STD_OUTPUT_HANDLE);
    ::SetStdHandle(STD_OUTPUT_HANDLE, output);
    EXPECT_EQ(RunProgram(commandLine.c_str()), exitCode) << commandLine;
    ::SetStdHandle(STD_OUTPUT_HANDLE, saved);
  }
  // The report's CRLF lines checked against the event log and the summary, which is cut off.
  Lines Checked(const std::string& text, std::string* summary) {
    Lines lines;
    for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
      lines.push_back(text.substr(at, end - at));
    }
    EXPECT_TRUE(text.ends_with("\r\n")) << text;
    size_t notes = 0;
    for (const std::string& line : lines) notes += line.starts_with("note: ") ? 1 : 0;
    const std::string last = Last(lines);
    if (!lines.empty()) lines.pop_back();
    const size_t problems = lines.size() - notes;
    const auto counted = [](size_t n, const char* what) {
      return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
    };
    EXPECT_TRUE(last.starts_with("checked: ") &&
                last.ends_with(": " + counted(problems, "problem") + ", " + counted(notes, "note")))
        << last;
    if (summary != nullptr) *summary = last;
    Events expected;
    for (const std::string& line : lines) {
      expected.push_back({line.starts_with("note: ") ? kInformation : kWarning, "Verify: " + line});
    }
    expected.push_back({problems != 0 ? kWarning : kInformation, "Verify: " + last});
    const Events logged = Logged();
    EXPECT_GE(logged.size(), expected.size()) << "report lines not in the event log";
    if (logged.size() >= expected.size()) {
      EXPECT_EQ(Events(logged.end() - static_cast<std::ptrdiff_t>(expected.size()), logged.end()), expected);
    }
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
    ::InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
    ::SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
    if (sddl != nullptr)
      ::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr);
    EXPECT_EQ(::RegSetKeySecurity(opened, DACL_SECURITY_INFORMATION, descriptor), 0) << key;
    if (descriptor != &open) ::LocalFree(descriptor);
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
       "", [] { DeletePrinter("Line\r\nbreak"); }},
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
      {[] { ::DeleteFileA(Link("Folyant").c_str()); },
       "note: printer \"Folyant\": no Send To shortcut" + kRepairFolyant, 0, kInstall, nullptr},
      {[] { ::DeleteMonitorA(nullptr, nullptr, const_cast<char*>("Folyant Port")); },
       monitor + "not installed; repair: -regaddprinter -addmonitor", 2, "-regaddprinter -addmonitor", nullptr},
      {[] { substitute::FailCall("EnumPrintersA", 1722, 0, 1); },
       "spooler: the spooler service is not running (error 1722); start it and run the check again", 2, "", nullptr},
      // A spooler library that cannot be loaded is a spooler that does not answer.
      {[] { substitute::FailCall("LoadLibraryExA", 126); },
       "spooler: the spooler service is not running (error 1722); start it and run the check again", 2, "",
       [] { substitute::FailCall("LoadLibraryExA", 0, 0, 0); }},
      {[] {
         ::DeleteMonitorA(nullptr, nullptr, const_cast<char*>("Folyant Port"));
         for (const char* folder : {"system32", "Sysnative"}) {
           ::CopyFileA(kLibrary.c_str(), ("C:\\windows\\" + std::string(folder) + "\\folyantm5.dll").c_str(), FALSE);
         }
         ArrangeMonitor("Folyant Port", "folyantm5.dll");
       },
       monitor + "on \"folyantm5.dll\", not \"folyantm7.dll\"; repair: -regaddprinter -addmonitor", 2,
       "-regaddprinter -addmonitor",
       [] {
         ::DeleteFileA("C:\\windows\\Sysnative\\folyantm5.dll"), ::DeleteFileA("C:\\windows\\system32\\folyantm5.dll");
       }},
      {[] {
         WriteString(kLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Folyant", "Print Processor",
                     "lpprint");
       },
       "printer \"Folyant\": print processor \"lpprint\", not \"winprint\"" + kRepairFolyant, 2, kInstall, nullptr},
      // A driver a removal cut short left behind: nothing broken, something left.
      {[] { ArrangeDriver("KRV PDF Pro"); },
       "note: driver \"KRV PDF Pro\": installed for Windows NT x86, no printer uses it (-deleteprinter removes it with "
       "every product printer)",
       0, "", [] { ::DeletePrinterDriverA(nullptr, nullptr, const_cast<char*>("KRV PDF Pro")); }},
      // LocalSystem's Send To folder is nobody's: not looked at, and one note says so.
      {[] { substitute::RunAsLocalSystem(true), ::DeleteFileA(Link("Folyant").c_str()); },
       "note: per-user checks: left out, the check runs as LocalSystem (Send To shortcuts, settings under "
       "HKEY_CURRENT_USER)",
       0, "", [] { substitute::RunAsLocalSystem(false), WriteFile(Link("Folyant"), "link"); }},
      {[] { substitute::FailCall("EnumPortsA", 5, 0, 1); }, "spooler: the ports cannot be listed, error 5", 2, "",
       nullptr},
      // The first block is the monitors' for the spooler's own environment.
      {[] { substitute::FailCall("LocalAlloc", 8, 1, 1); }, "spooler: the printers cannot be listed, error 8", 2, "",
       nullptr},
      // A list of the right length with one name changed is no longer the list.
      {[] {
         const std::string key =
             "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-3\\Folyant-A";
         Value list = ReadValue(kLocalMachine, key, "Dependent Files");
         list.bytes[list.bytes.find("NIXPS")] = 'M';
         WriteValue(kLocalMachine, key, "Dependent Files", list.type, list.bytes);
       },
       "driver \"Folyant-A\": \"Dependent Files\" is not the list this Windows needs; repair: -updatexpsdependentfiles",
       2, "-updatexpsdependentfiles", nullptr},
      // A Windows upgrade leaves the list of the Windows it was installed on.
      {[] { substitute::AnswerAsWindows(substitute::kWindows10, false); },
       "driver \"Folyant-A\": \"Dependent Files\" is not the list this Windows needs; repair: -updatexpsdependentfiles",
       2, "-updatexpsdependentfiles", nullptr},
      // The native and PostScript kinds' files, checked as the XPS kind's are (last: the
      // default printer takes the kind of the printer added).
      {[this] { RunProgram("-addprinter -printername=\"Native\""), ::DeleteFileA((kX86 + "folyantd.dll").c_str()); },
       "driver \"Folyant Writer\": file missing: " + kX86 + "folyantd.dll", 2, "",
       [] { WriteFile(kX86 + "folyantd.dll", "-"); }},
      {[this] { RunProgram("-addpsprinter -printername=\"PS\""), ::DeleteFileA((kX86 + "folyantp.dll").c_str()); },
       "driver \"Folyant Font Helper\": file missing: " + kX86 + "folyantp.dll", 2, "",
       [] { WriteFile(kX86 + "folyantp.dll", "-"); }},
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
    std::string checked = "";  // the summary's list of what was checked, where the row is about it
  };
  const std::string perUser =
      "note: per-user checks: left out, the check runs as LocalSystem (Send To shortcuts, settings under "
      "HKEY_CURRENT_USER)";
  // clang-format off
  const Row rows[] = {
      {nullptr, kInstall + " -verify -quiet", 0, {}, "monitor \"Folyant Port\", 1 printer, 1 driver"},
      {nullptr, "-addxpsprinter -printername=\"" + std::string(300, 'x') + "\" -verify -quiet", 2,
       {"printer name: empty or longer than 259 characters, so no printer was installed"}, "nothing"},
      {nullptr, "-regaddprinter -addmonitor -verify -quiet", 0, {}},
      {[] { FailCall("AddMonitorA", 5); }, "-addprinter -printername=\"Mine\" -verify -quiet", 2,
       {"-addprinter: AddMonitor error 5 Please send this error to support@veskharrow.example.", noMonitor, "printer \"Mine\": on FILE:, not PDFFILE: (the port monitor was missing when it was created); "
                   "repair: -addprinter -printername=\"Mine\""}},
      // Wine cannot put a 32-bit program's printer on an x64 driver.
      {nullptr, "-x64 " + kInstall + " -verify -quiet", 2, {"printer \"Folyant\": not installed; repair: -x64 " + kInstall}},
      {nullptr, "-addxpsprinter -printername=\"Is -verify\" -quiet", 0, {}},
      {nullptr, "-addxpsprinter -printername=\"Is -verify\" -verify -quiet", 0, {}},
      {installed, "-deleteprinter -verify -quiet", 0, {}, "1 printer, 1 driver"},
      {[&] { installed(), FailCall("DeletePrinter", 5); }, "-deleteprinter -verify -quiet", 2,
       {still + "; repair: -deleteprinter", "driver \"Folyant-A\": still installed for Windows NT x86 after -deleteprinter; repair: -deleteprinter"}},
      {[&] { installed(), FailCall("DeleteFileA", 5); }, "-deleteprinter -verify -quiet", 0,
       {"note: printer \"Folyant\": Send To shortcut left after -deleteprinter"}},
      // A driver an earlier removal left behind goes with the next one.
      {[] { ArrangeDriver("Folyant for Orchard"); }, "-deleteprinter -verify -quiet", 0, {}, "1 driver"},
      {[&] { installed(), FailCall("DeletePrinter", 5); }, "-deleteprinterinstance -verify -quiet", 2,
       {still + "instance; repair: -deleteprinterinstance"}},
      {nullptr, "-updatexpsdependentfiles -verify -quiet", 2,
       {"driver \"Folyant-A\": not installed for Windows NT x86; repair: -addxpsprinter"}},
      // NT 4's own target: no -x64 in the repair.
      {[] { substitute::AnswerAsWindows(substitute::kWindowsNT4, false, false); }, "-updatexpsdependentfiles -verify -quiet", 2,
       {"driver \"Folyant-A\": not installed for Windows NT x86; repair: -addxpsprinter"}},
      // The spooler's own environment is read from the monitors first; then the check's own
      // listing fails, and nothing is checked.
      {[] { FailCall("EnumMonitorsA", 5, 2, 1); }, "-verify -quiet", 2,
       {"spooler: the port monitors cannot be listed, error 5"}, "nothing"},
      {nullptr, "-stopautoname -verify -quiet", 0, {}, "2 settings keys"},
      {[] { ArrangePrinter("Second", "Folyant-A"); }, "-stopautoname -verify -quiet", 0, {}, "3 settings keys"},
      {[] { substitute::RunAsLocalSystem(true); }, "-stopautoname -verify -quiet", 0, {perUser}, "nothing"},
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
    std::string summary;
    EXPECT_EQ(Run(row.commandLine, row.exitCode, &summary), row.lines);
    if (!row.checked.empty()) {
      EXPECT_TRUE(summary.starts_with("checked: " + row.checked + ": ")) << summary;
    }
    EXPECT_EQ(substitute::Called("GetStdHandle"),
              row.commandLine.ends_with("verify -quiet") || row.commandLine.ends_with("-verify"));
    // Alone, no splash: the report box, a warning when it lists a problem.
    if (!row.commandLine.ends_with("-quiet")) {
      EXPECT_FALSE(substitute::Called("DialogBoxParamA"));
      ASSERT_EQ(Boxes().size(), 1u);
      EXPECT_EQ(Boxes()[0].subject, "The check found 2 problems:\n\n" + row.lines[0] + "\n\n" + row.lines[1]);
      EXPECT_EQ(Boxes()[0].number, 0x1030u);
    }
    Fresh();
  }
}

// Where the report goes: a pipe read while the program runs, the report larger than the
// pipe holds; a console or no handle at all, where nothing is written and nothing waits; a
// write that fails, said once in the event log, the exit code the check's own.
TEST_F(VerifyTest, WhereTheReportGoes) {
  substitute::UseWindowsRules(false);
  RunProgram(kInstall.c_str());
  // Twelve printers on another port: 12 problems and 13 notes, more than a box lists.
  for (int i = 0; i < 12; ++i) ArrangePrinter("Folyant " + std::to_string(i), "Folyant-A", "LPT1:");
  substitute::Reset();
  substitute::UseWindowsRules(false);
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  ASSERT_TRUE(::CreatePipe(&readEnd, &writeEnd, nullptr, 512));
  std::string piped;
  std::pair<HANDLE, std::string*> pipe{readEnd, &piped};
  HANDLE reader = ::CreateThread(nullptr, 0, ReadPipe, &pipe, 0, nullptr);
  RunWithOutput("-verify", 2, writeEnd);
  ::CloseHandle(writeEnd);
  ::WaitForSingleObject(reader, INFINITE);
  for (HANDLE handle : {reader, readEnd}) ::CloseHandle(handle);
  EXPECT_GT(piped.size(), 2048u);
  std::string summary;
  const Lines lines = Checked(piped, &summary);
  const std::string checked = "checked: monitor \"Folyant Port\", 13 printers, 1 driver: 12 problems, 13 notes";
  EXPECT_EQ(summary, checked) << piped;
  ASSERT_EQ(lines.size(), 25u);
  ASSERT_EQ(Boxes().size(), 1u);
  std::string listed;
  for (size_t i = 0; i < 10; ++i) listed += "\n\n" + lines[i];
  EXPECT_EQ(Boxes()[0].subject,
            "The check found 12 problems, 13 notes:" + listed + "\n\n... and 15 more in the event log");

  // A character device, the console's type (Wine gives this process no console to open), no
  // handle, a failing write.
  HANDLE console = ::CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_EQ(::GetFileType(console), static_cast<DWORD>(FILE_TYPE_CHAR));
  HANDLE file = ::CreateFileA("C:\\verify-report.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  // output, and the WriteFile failure substituted: the last entry is the summary, or says the failure
  const std::pair<HANDLE, uint32_t> rows[] = {{console, 0}, {nullptr, 0}, {file, 112}};
  for (const auto& [output, writeError] : rows) {
    SCOPED_TRACE(writeError);
    substitute::Reset();
    substitute::UseWindowsRules(false);
    if (writeError != 0) substitute::FailCall("WriteFile", writeError, 0, 1);
    RunWithOutput("-verify -quiet", 2, output);
    const Events::value_type failed{kError, "Verify: the report could not be written to standard output, error 112"};
    EXPECT_EQ(Last(Logged()), (writeError != 0 ? failed : Events::value_type{kWarning, "Verify: " + checked}));
    EXPECT_EQ(substitute::Calls("WriteFile").size(), writeError != 0 ? 1u : 0u);
  }
  for (HANDLE handle : {file, console}) ::CloseHandle(handle);
}

// Every error box of an installation, reached with -verify -quiet, is a report line (named
// after the switch) and no window, the help viewer not started; the event-log entry stays.
// A listing that fails says so in the operations over every product printer. Without -verify
// the same failures show their boxes as before.
TEST_F(VerifyTest, BoxesBecomeReportLines) {
  const std::string support = "\n\nPlease send this error to support@veskharrow.example.";
  const std::string stopped =
      "The Folyant installation failed because the spooler service is not running.\nStart the spooler service and "
      "run the installation again.";
  const std::string helpPage =
      "A system error 126 occurred that prevented Folyant from being installed.  The steps to "
      "resolve the issue are in the help page " +
      kX86.substr(0, kX86.size() - 1) + "\\folyant.chm::/addprinter126error.htm";
  struct Row {
    std::string commandLine;
    const char* failingCall;  // every call fails (after `skip`: the next one only); nullptr: none
    uint32_t error;
    int skip;
    std::string entry;         // the error entry the failure logs
    std::string box;           // its first box, as the report line says it
    std::string boxAlone;      // the first box without -verify, "" for none
    std::string missing = "";  // a driver file deleted for the row
  };
  // clang-format off
  const Row rows[] = {
      {"-addprinter", "AddPrinterDriverA", 5, 0, "AddPrinterError AddPrinterDriver, error 5", "AddPrinterDriver error 5" + support, "AddPrinterDriver error 5" + support},
      {"-addpsprinter", "AddPrinterA", 5, 0, "AddPrinterError AddPrinter, error 5", "AddPrinter error 5" + support, "AddPrinter error 5" + support},
      {"-addprinter", "AddPrinterDriverA", 1722, 0, "AddPrinterError AddPrinterDriver, error 1722", stopped, stopped},
      {"-addprinter", "AddPrinterDriverA", 126, 0, "AddPrinterError AddPrinterDriver, error 126", helpPage,
       "A system error 126 occurred that prevented Folyant from being installed.  See help for steps to resolve the issue."},
      {"-addprinter", "AddPrinterDriverA", 5, 0, "AddPrinterError missing file " + kX86 + "folyantd.dll, error 2", "missing file " + kX86 + "folyantd.dll error 2" + support, "missing file " + kX86 + "folyantd.dll error 2" + support, kX86 + "folyantd.dll"},
      {"-addprinter", "AddMonitorA", 5, 0, "AddPrinterError AddMonitor, error 5", "AddMonitor error 5" + support, "AddMonitor error 5" + support},
      {"-addinstance", nullptr, 0, 0, "AddPDFPrinterInstance: the printer's name is asked for in a window, which -verify -quiet does not show; -addxpsprinter -printername=\"<name>\" adds a printer by name",
       "the printer's name is asked for in a window, which -verify -quiet does not show; -addxpsprinter -printername=\"<name>\" adds a printer by name", ""},
      // Remembering what is to go takes the first two calls.
      {"-deleteprinter", "EnumPrintersA", 1722, 2, "DeleteAllProductPrinters: EnumPrinters failed, error 1722", "EnumPrinters failed, error 1722", ""},
      // With no driver installed each driver listing is one call.
      {"-deleteprinter", "EnumPrinterDriversA", 1722, 1, "DeleteAllProductPrinters: EnumPrinterDrivers failed, error 1722", "EnumPrinterDrivers failed, error 1722", ""},
      {"-stopautoname", "EnumPrintersA", 1722, 0, "StopAutoName: EnumPrinters failed, error 1722", "EnumPrinters failed, error 1722", ""},
      {"-checkinstance", "EnumPrintersA", 1722, 0, "HasMultipleProductPrinters: EnumPrinters failed, error 1722", "EnumPrinters failed, error 1722", ""},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.commandLine + " " + std::to_string(row.error));
    const auto spaced = [](std::string text) {  // a line break, or two, as one blank
      for (size_t at; (at = text.find('\n')) != std::string::npos;) text.replace(at, text[at + 1] == '\n' ? 2 : 1, " ");
      return text;
    };
    if (!row.missing.empty()) ::DeleteFileA(row.missing.c_str());
    if (row.failingCall != nullptr) substitute::FailCall(row.failingCall, row.error, row.skip, row.skip != 0 ? 1 : -1);
    const Lines lines = Run(row.commandLine + " -verify -quiet", 2);
    EXPECT_EQ(Last(std::vector<std::string>(lines.begin(), lines.begin() + std::min<size_t>(lines.size(), 1))),
              row.commandLine + ": " + spaced(row.box));
    EXPECT_TRUE(Boxes().empty());
    EXPECT_FALSE(substitute::Called("CreateProcessA") || substitute::Called("DialogBoxParamA"));
    const Events logged = Logged();
    EXPECT_NE(std::find(logged.begin(), logged.end(), Events::value_type{kError, row.entry}), logged.end());
    Fresh();
    if (row.boxAlone.empty()) continue;
    substitute::FailCall(row.failingCall, row.error);
    RunProgram(row.commandLine.c_str());
    EXPECT_EQ(Boxes().empty() ? "" : Boxes()[0].subject, row.boxAlone);
    if (!row.missing.empty()) WriteFile(row.missing, "-");
    Fresh();
  }
}

// The system's printer setup, the XPS kind's road when the driver is refused, is asked for no window either.
TEST_F(VerifyTest, PrinterSetupQuietToo) {
  for (const char* commandLine : {"-addxpsprinter", "-addxpsprinter -verify -quiet"}) {
    substitute::FailCall("AddPrinterDriverA", 5);
    RunProgram(commandLine);
    EXPECT_EQ(Last(substitute::Calls("CreateProcessA")).subject.ends_with("/m \"Folyant-A\" /q "),
              std::string(commandLine).ends_with("-quiet"));
    Fresh();
  }
}

// A removal cut short by any one failing call is finished by running it again: no product
// printer or driver is left, and the check after it is clean.
TEST_F(VerifyTest, RemovalFinishedByRunningItAgain) {
  const auto arrange = [] {
    for (const char* name : {"Folyant", "Folyant 2"}) ArrangeLinkedPrinter(name, "Folyant-A");
  };
  arrange();
  RunProgram("-deleteprinter");
  // Each call of the removal but the logging, by its name and the how-manieth it is.
  std::vector<std::pair<std::string, int>> calls;
  std::map<std::string, int> seen;
  for (const substitute::Call& call : substitute::Journal()) {
    if (call.call == "ReportEventA" || call.call == "RegisterEventSourceA" || call.call == "OutputDebugStringA")
      continue;
    calls.emplace_back(call.call, seen[call.call]++);
  }
  ASSERT_GT(calls.size(), 20u);
  for (const auto& [call, skip] : calls) {
    SCOPED_TRACE(call + " " + std::to_string(skip));
    Fresh();
    arrange();
    substitute::FailCall(call, call == "LocalAlloc" ? 8 : 5, skip, 1);
    RunProgram("-deleteprinter");
    substitute::Reset();
    EXPECT_EQ(Run("-deleteprinter -verify -quiet", 0), Lines{});
    EXPECT_FALSE(PrinterExists("Folyant") || PrinterExists("Folyant 2") || DriverExists("Folyant-A"));
  }
}
