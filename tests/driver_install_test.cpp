// Installing a driver and a printer on the real spooler; stand-ins replace rundll32 and hh.
// Wine's AddPrinterDriverA checks no files and keeps Version-3 only (refusals are substituted,
// NT 4's records read there); it puts no 32-bit printer on an x64-only driver (the INF road
// runs); its system directory cannot be made too long for the product's paths (206 unshown).
#include "install/driver_install.h"

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "core/target.h"
#include "support/wine_test.h"

namespace {

using namespace substitute;

const std::string kDrivers = "C:\\windows\\system32\\spool\\drivers\\", kX86 = kDrivers + "w32x86\\3\\";
// A box: caption and style (4112 = 0x1010: error icon, system modal; no owner), then text.
const std::string kBox = "box Folyant 4112: ", kSupport = "\n\nPlease send this error to support@veskharrow.example.";
const std::string kLaunched = "info InstallPrinter Launching INF install: ";
const std::string kLevel3 = "warning AddPrinterDriver 3 failed, error ";
const std::string kLevel2 = "error AddPrinterDriver 2 failed, error ";

// The files a case may delete, and the system's own ones the XPS lists name.
const char* const kStaged[] = {"folyant.dll",  "folyant.ppd",  "folyantd.dll", "folyant.chm",  "folyant.gpc",
                               "PSCRIPT5.DLL", "mxdwdrv.dll",  "FOLYANTT.GPD", "UNIDRV.DLL",   "UNIRES.DLL",
                               "UNIDRVUI.DLL", "MXDWDUI.DLL",  "XPSSVCS.DLL",  "MSXPSINC.GPD", "STDNAMES.GPD",
                               "STDDTYPE.GDL", "STDSCHEM.GDL", "STDSCHMX.GDL"};

// The INF install command for the driver directory `directory`, trailing blank and all.
std::string Inf(const std::string& directory) {
  return "rundll32 printui.dll,PrintUIEntry /if /b \"Folyant\" /f " + kDrivers + directory +
         "FLYNTINF\\folyant.inf /r \"PDFFILE:\" /m \"Folyant-A\" ";
}
const std::string kInfX86 = Inf("w32x86\\3\\");

std::string Missing(const std::string& path, int error = 2) {
  return kBox + "missing file " + path + " error " + std::to_string(error) + kSupport;
}

class DriverInstallTest : public WineTest {
 protected:
  // Windows 7, 32-bit, every file staged; the rundll32 stand-in makes the INF's printer.
  void SetUp() override {
    WineTest::SetUp();
    AnswerAsWindows(kWindows7, false);
    const std::string standIn = std::getenv("VESKREG_TEST_FIXTURES") + std::string("\\rundll32_standin.exe");
    // Unlinked first: the prefix shares the system's files with its template.
    for (const char* program : {"C:\\windows\\system32\\rundll32.exe", "C:\\windows\\hh.exe"}) {
      ::DeleteFileA(program);
      ::CopyFileA(standIn.c_str(), program, FALSE);
    }
    WriteFile("C:\\rundll32.create", "");
    for (const char* dir : {"arm64\\", "arm64\\3\\"}) ::CreateDirectoryA((kDrivers + dir).c_str(), nullptr);
    for (const char* dir : {"w32x86\\3\\", "w32x86\\2\\", "w32x86\\", "arm64\\3\\"})
      for (const char* file : kStaged) WriteFile(kDrivers + dir + file, "placeholder");
  }

  // InstallPrinter, then one line each: the levels asked for, each driver's files and first
  // dependent file, the printer, the commands started, the log and boxes but for the file
  // checks' and list updates' lines. Then a fresh case.
  void Road(const char* name, int filePort, DriverKind kind, const std::vector<std::string>& expected) {
    const Target target = TargetFor(x64);
    const bool made = InstallPrinter(name, filePort, kind, target) == 1;
    std::vector<std::string> seen{"levels"};
    for (const Call& call : Calls("AddPrinterDriverA")) seen[0] += " " + std::to_string(call.number);
    EXPECT_EQ(Sleeps(), std::vector<uint32_t>(seen[0].find('2') != std::string::npos, 1000));
    for (const char* driver : {"Folyant Writer", "Folyant Font Helper", "Folyant-A"}) {
      const std::string key = std::string("SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\") +
                              target.environment + "\\Drivers\\Version-3\\" + driver;
      std::string record = driver + std::string(":");
      for (const char* value : {"Driver", "Data File", "Configuration File", "Help File", "Dependent Files"})
        record += " " + std::string(ReadValue(kLocalMachine, key, value).bytes.c_str());
      if (KeyExists(kLocalMachine, key)) seen.push_back(record);
    }
    if (PrinterExists(name))
      seen.push_back(PrinterDriver(name) + ' ' + PrinterPort(name) + ' ' + std::to_string(PrinterAttributes(name)));
    EXPECT_EQ(Called("RegSetKeySecurity"), made);
    EXPECT_EQ(FileExists(Link(name)), made);
    for (const Call& call : Calls("CreateProcessA")) seen.push_back("run " + call.subject);
    for (const std::string& line : Transcript()) {
      if (!line.starts_with("error CheckIfFileExists") && !line.starts_with("error AddPrinterError missing") &&
          !line.starts_with("error UpdateDependentFiles"))
        seen.push_back(line);
    }
    EXPECT_EQ(seen, expected);
    Fresh();
    x64 = false;
  }
  bool x64 = false;  // the next case's -x64
};

}  // namespace

TEST_F(DriverInstallTest, InstallPrinter) {
  const std::string native = "Folyant Writer: folyant.dll folyant.ppd folyantd.dll folyant.chm FOLYANT.EXE";
  const std::string xps = "Folyant-A: mxdwdrv.dll folyant.gpd folyantx.dll folyant.chm MXDWDUI.INI";
  const std::string inf = "info InstallPrinter: INF install successful", help = "folyant.chm::/addprinter126error.htm";
  const std::string refused = "error AddPrinterError AddPrinterDriver, error ";
  const std::string box126 = kBox + "A system error 126 occurred that prevented Folyant from being installed.  ";
  // clang-format off
  // The native driver at the second level-3 call; on 32-bit Windows it prints directly.
  FailCall("AddPrinterDriverA", 5, 0, 1);
  Road("Folyant", 0, DriverKind::Native, {"levels 3 3", native, "Folyant Writer PDFFILE: 66"});
  // Both kinds on the file port: the PostScript name on the XPS files; under WOW64 jobs are kept.
  AnswerAsWindows(kWindows7, true);
  FailCall("RegSetValueExA", 5);
  Road("Folyant", 1, DriverKind::PostScriptNameXpsFiles, {"levels 3", "Folyant Font Helper: mxdwdrv.dll folyant.gpd folyantx.dll folyant.chm MXDWDUI.INI", "Folyant Font Helper FILE: 320"});
  // NT 4: level 2 (no help file, no list) after a pause; the version-2 directory and files.
  AnswerAsWindows(kWindowsNT4, false, false);
  ::DeleteFileA((kDrivers + "w32x86\\2\\folyant.gpc").c_str());
  FailCall("AddPrinterDriverA", 5, 0, 2);
  Road("Folyant", 0, DriverKind::Xps, {"levels 3 3 2", "Folyant-A: mxdwdrv.dll folyant.gpc folyantd.dll  ", "Folyant-A PDFFILE: 66", kLevel3 + "5", Missing(kDrivers + "w32x86\\2\\folyant.gpc")});
  // PostScript refused: its name on the native files.
  ::DeleteFileA((kX86 + "PSCRIPT5.DLL").c_str());
  FailCall("AddPrinterDriverA", 2, 0, 4);
  Road("Folyant", 0, DriverKind::PostScript, {"levels 3 3 2 2 3", "Folyant Font Helper: folyant.dll folyant.ppd folyantd.dll folyant.chm FOLYANT.EXE", "Folyant Font Helper PDFFILE: 66", kLevel3 + "2", Missing(kX86 + "PSCRIPT5.DLL"), kLevel2 + "2"});
  // XPS refused: the missing file shown, not the step; the INF makes it, on its own port.
  ::DeleteFileA((kX86 + "mxdwdrv.dll").c_str());
  FailCall("AddPrinterDriverA", 5);
  Road("Folyant", 1, DriverKind::Xps, {"levels 3 3 2 2", "Folyant-A: mxdwdrv.dll folyant.gpd folyantx.dll  MXDWDUI.INI", "Folyant-A PDFFILE: 64", "run " + kInfX86, kLevel3 + "5", Missing(kX86 + "mxdwdrv.dll"), kLevel2 + "5", kLaunched + kInfX86, inf});
  // -x64: Wine cannot put a 32-bit process's printer on the x64 driver; the INF can.
  AnswerAsWindows(kWindows7, true);
  x64 = true;
  Road("Folyant", 0, DriverKind::Xps, {"levels 3", xps, "Folyant-A PDFFILE: 64", "run " + Inf("x64\\3\\"), kLaunched + Inf("x64\\3\\"), inf});
  // On Windows on ARM, -x64 is the native ARM64 spooler: its driver directory and key.
  AnswerAsWindows(kWindows7, true);
  AnswerNativeMachine(IMAGE_FILE_MACHINE_ARM64);
  x64 = true;
  Road("Folyant", 0, DriverKind::Xps, {"levels 3", xps, "Folyant-A PDFFILE: 64", "run " + Inf("arm64\\3\\"), kLaunched + Inf("arm64\\3\\"), inf});
  // The INF made no printer (the XPS printer refused goes there too, silently).
  ::DeleteFileA("C:\\rundll32.create");
  FailCall("AddPrinterA", 1796);
  Road("Folyant", 0, DriverKind::Xps, {"levels 3", xps, "run " + kInfX86, kLaunched + kInfX86, "error InstallPrinter: OpenPrinter INF post launch failed for Folyant, error 1801"});
  // No system directory for the INF command.
  FailCall("GetSystemDirectoryA", 5);
  Road("Folyant", 0, DriverKind::Xps, {"levels", "error InstallPrinter: failed to get system directory for Folyant, error 5"});
  // A quote in the name would pass switches to the INF command. (Windows 10: dependent files
  // are looked for in the driver directory and the one above, without "ntprint|".)
  AnswerAsWindows(kWindows10, false);
  for (const std::string& path : {kX86 + "UNIRES.DLL", kDrivers + "w32x86\\FOLYANTT.GPD"}) ::DeleteFileA(path.c_str());
  FailCall("AddPrinterDriverA", 5);
  Road("A\" /x \"B", 0, DriverKind::Xps, {"levels 3 3 2 2", kLevel3 + "5", Missing(kX86 + "UNIRES.DLL"), Missing(kDrivers + "w32x86\\FOLYANTT.GPD"), kLevel2 + "5", "error InstallPrinter: cannot build the INF install command for A\" /x \"B"});
  // No system directory for the dependent files' check: none is looked for, level 2 goes on.
  ::DeleteFileA((kX86 + "UNIRES.DLL").c_str());
  FailCall("AddPrinterDriverA", 5, 0, 2), FailCall("GetSystemDirectoryA", 5, 1, 1);
  Road("Folyant", 0, DriverKind::Xps, {"levels 3 3 2", "Folyant-A: mxdwdrv.dll folyant.gpd folyantx.dll  MXDWDUI.INI", "Folyant-A PDFFILE: 66", kLevel3 + "5"});
  // The native driver refused: every missing file shown, then the step with the spooler's code.
  for (const char* f : {"folyant.dll", "folyant.ppd", "folyantd.dll", "folyant.chm"}) ::DeleteFileA((kX86 + f).c_str());
  FailCall("AddPrinterDriverA", 5);
  FailCall("RegOpenKeyExA", 87);
  Road("Folyant", 0, DriverKind::Native, {"levels 3 3 2 2", kLevel3 + "5", Missing(kX86 + "folyant.dll"), Missing(kX86 + "folyant.ppd"), Missing(kX86 + "folyantd.dll"), Missing(kX86 + "folyant.chm"), kLevel2 + "5", refused + "5", kBox + "AddPrinterDriver error 5" + kSupport});
  // The native printer refused: the driver stays.
  FailCall("AddPrinterA", 1796);
  Road("Folyant", 0, DriverKind::Native, {"levels 3", native, "error AddPrinterError AddPrinter, error 1796", kBox + "AddPrinter error 1796" + kSupport});
  // A stopped spooler is named as such.
  FailCall("AddPrinterDriverA", 1722);
  Road("Folyant", 0, DriverKind::Native, {"levels 3 3 2 2", kLevel3 + "1722", kLevel2 + "1722", refused + "1722", kBox + "The Folyant installation failed because the spooler service is not running.\nStart the spooler service and run the installation again."});
  // Error 126 opens the help page on it in the run's driver directory.
  AnswerAsWindows(kWindowsNT4, false, false);
  FailCall("AddPrinterDriverA", 126);
  Road("Folyant", 0, DriverKind::Native, {"levels 3 3 2 2", "run hh.exe " + kDrivers + "w32x86\\2\\" + help, kLevel3 + "126", kLevel2 + "126", refused + "126", box126 + "See help for steps to resolve the issue."});
  // As LocalSystem nobody at the desktop asked for the help viewer: the box names the page.
  RunAsLocalSystem(true);
  FailCall("AddPrinterDriverA", 126);
  Road("Folyant", 0, DriverKind::Native, {"levels 3 3 2 2", kLevel3 + "126", kLevel2 + "126", refused + "126", box126 + "The steps to resolve the issue are in the help page " + kX86 + help});
  // clang-format on

  // A refused driver leaves the spooler's code as the thread's error, not a later one.
  FailCall("AddPrinterDriverA", 5);
  FailCall("RegOpenKeyExA", 87);
  EXPECT_EQ(InstallPrinterDriver("Folyant Writer", DriverKind::Native, TargetFor(false)), 0);
  EXPECT_EQ(::GetLastError(), 5u);
  // OpenFile takes no path of 128 characters or more: such a file counts as missing.
  substitute::Reset();
  const std::string tooLong = "C:\\" + std::string(121, 'f') + ".txt";
  WriteFile(tooLong, "");
  CheckIfFileExists(tooLong.c_str(), TargetFor(false));
  EXPECT_EQ(Logged(), (Events{{kError, "CheckIfFileExists: missing file " + tooLong},
                              {kError, "AddPrinterError missing file " + tooLong + ", error 13"}}));
}

// Before any other call the program loads libraries from the system directory only, makes it
// the current one (inherited by what it starts) and binds the spooler by its full path.
TEST_F(DriverInstallTest, StartsWherePlantedFilesCannotReach) {
  const std::string system = "C:\\windows\\system32";
  for (const bool newerCall : {true, false}) {
    SCOPED_TRACE(newerCall ? "SetDefaultDllDirectories" : "SetDllDirectoryA");
    ::SetCurrentDirectoryA("C:\\users\\Public");
    if (!newerCall) FailCall("SetDefaultDllDirectories", 127);
    FailCall("AddPrinterDriverA", 126);
    ::DeleteFileA("C:\\rundll32.dir");
    EXPECT_EQ(RunProgram("-addxpsprinter -printername=\"Folyant\""), 0);
    std::vector<std::string> first;
    for (const Call& call : Journal()) {
      if (call.call == "GetSystemDirectoryA") continue;
      first.push_back(call.call + " " + call.subject);
      if (first.size() == (newerCall ? 3u : 4u)) break;
    }
    std::vector<std::string> expected{"SetDefaultDllDirectories ", "SetCurrentDirectoryA " + system,
                                      "LoadLibraryExA " + system + "\\winspool.drv"};
    if (!newerCall) expected.insert(expected.begin() + 1, "SetDllDirectoryA ");
    EXPECT_EQ(first, expected);
    EXPECT_EQ(Journal().front().number, 0x800u);
    // The refused driver took the INF road: the printer setup's stand-in ran there too.
    std::ifstream started("C:\\rundll32.dir");
    std::string directory;
    std::getline(started, directory);
    EXPECT_EQ(directory, system);
    Fresh();
  }
}
