// Installation through the real spooler of Wine: the port monitor, the
// driver with its dependent files, the printer (or, where Wine cannot create
// it, the INF road through the rundll32 stand-in), and the boxes the user sees.
#include <gtest/gtest.h>

#include <regex>

#include "harness.h"

namespace wine {
namespace {

const std::string kDriversX64 =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3\\";
const std::string kDriversX86 =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-3\\";
const std::string kDriverDirX64 = "C:\\windows\\system32\\spool\\drivers\\x64\\3\\";
const std::string kDriverDirX86 = "C:\\windows\\system32\\spool\\drivers\\w32x86\\3\\";
constexpr unsigned long kRegSz = 1, kRegMultiSz = 7;

// A dependent-file list as the tool stores it: every entry ended by a NUL,
// then the list's NUL and one more.
std::string multi_string(std::initializer_list<const char*> entries) {
  std::string out;
  for (const char* entry : entries) out += std::string(entry) + '\0';
  return out + std::string(2, '\0');
}

const std::string kXpsListVista = multi_string(
    {"MXDWDUI.INI", "FOLYANT.EXE", "FOLYANTE.EXE", "FOLYANTS.DLL", "FOLYANTM.EXE", "FOLYANT.CHM", "NIXPS.DLL",
     "UNIDRV.DLL", "UNIRES.DLL", "UNIDRVUI.DLL", "STDNAMES.GPD", "STDDTYPE.GDL", "STDSCHEM.GDL", "STDSCHMX.GDL",
     "XPSSVCS.DLL", "MSXPSINC.GPD", "FOLYANTT.GPD", "FOLYANTJ.EXE", "FOLYANTU.EXE"});
const std::string kXpsList10 =
    multi_string({"FOLYANT.EXE", "FOLYANTE.EXE", "FOLYANTS.DLL", "FOLYANTM.EXE", "FOLYANT.CHM", "NIXPS.DLL",
                  "UNIDRV.DLL", "ntprint|UNIRES.DLL", "UNIDRVUI.DLL", "ntprint|STDNAMES.GPD", "ntprint|STDDTYPE.GDL",
                  "ntprint|STDSCHEM.GDL", "ntprint|STDSCHMX.GDL", "ntprint|MSXPSINC.GPD", "FOLYANTT.GPD",
                  "FOLYANTJ.EXE", "FOLYANTU.EXE", "folyant-pipelineconfig.xml"});
const std::string kNativeList = multi_string({"FOLYANT.EXE", "FOLYANTS.DLL", "FOLYANTM.EXE"});
const std::string kPostScriptList =
    multi_string({"PSCRIPT.NTF", "PS5UI.DLL", "FOLYANT.EXE", "FOLYANTS.DLL", "FOLYANTM.EXE"});

std::string inf_command(const std::string& printer) {
  return "rundll32 printui.dll,PrintUIEntry /if /b \"" + printer + "\" /f " + kDriverDirX64 +
         "FLYNTINF\\folyant.inf /r \"PDFFILE:\" /m \"Folyant-A\" ";
}

// A path as spoolctl lists it, backslashes escaped.
std::string listed(const std::string& path) {
  std::string out;
  for (char c : path) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return out;
}

// For readable failures: the bytes with NULs shown as "|".
std::string shown(std::string bytes) {
  for (char& c : bytes)
    if (c == '\0') c = '|';
  return bytes;
}

class Install : public ::testing::Test {
 protected:
  void SetUp() override {
    prefix.stage_product_files();
    prefix.stage_port_monitor();
    prefix.stage_standin("rundll32");
  }

  // The tool as the installer starts it, its boxes answered with OK.
  RobotResult run(const std::string& switches) {
    auto result = prefix.robot_command_line("\"" + windows_path(veskreg_exe()) + "\" " + switches,
                                            {"class \"#32770\" click \"OK\""}, 60s);
    EXPECT_FALSE(result.timed_out()) << result.transcript;
    return result;
  }

  void arrange(const std::vector<std::string>& spoolctl_args) {
    auto done = prefix.spoolctl(spoolctl_args);
    ASSERT_EQ(done.exit_code, 0) << done.describe();
  }

  void expect_list(const std::string& key, const std::string& list) {
    auto value = prefix.registry_value("HKLM", key, "Dependent Files");
    ASSERT_TRUE(value.present) << key << ": error " << value.error;
    EXPECT_EQ(value.type, kRegMultiSz);
    EXPECT_EQ(value.data.size(), list.size());
    EXPECT_EQ(shown(value.data), shown(list));
  }

  std::vector<std::vector<std::string>> product_monitors() {
    std::vector<std::vector<std::string>> found;
    for (const auto& monitor : prefix.spooler().monitors)
      if (monitor.at(0) == "Folyant Port") found.push_back(monitor);
    return found;
  }

  Prefix prefix;
};

std::vector<std::pair<std::string, std::string>> entries(const RobotResult& result) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& entry : result.run.events()) out.emplace_back(entry.type, entry.text);
  return out;
}

using Entries = std::vector<std::pair<std::string, std::string>>;

// The lists are the sizes the installer relies on.
TEST(DependentFileLists, HaveTheirStoredLengths) {
  EXPECT_EQ(kXpsListVista.size(), 238u);
  EXPECT_EQ(kXpsList10.size(), 289u);
  EXPECT_EQ(kNativeList.size(), 40u);
  EXPECT_EQ(kPostScriptList.size(), 62u);
}

struct VersionCase {
  std::string wine_version;
  std::string list;
};

void PrintTo(const VersionCase& version, std::ostream* out) { *out << version.wine_version; }

class TypicalRun : public Install, public ::testing::WithParamInterface<VersionCase> {};

// -x64 from a 32-bit process: Wine registers the x64 driver but cannot put a
// printer on it (87), so the INF road runs, twice (the second time under the
// name with one digit appended), and finds no printer either time.
TEST_P(TypicalRun, X64RegistersMonitorAndDriverThenTakesTheInfRoad) {
  prefix.set_windows_version(GetParam().wine_version);
  auto result = run("-x64 -addxpsprinter -printername=\"Folyant\"");
  EXPECT_EQ(result.exit_code(), 0) << result.transcript;
  EXPECT_TRUE(result.windows().empty()) << result.transcript;

  auto monitors = product_monitors();
  ASSERT_EQ(monitors.size(), 1u);
  EXPECT_EQ(monitors[0].at(2), "folyantm7.dll");

  auto spooler = prefix.spooler();
  ASSERT_EQ(spooler.drivers.size(), 1u);
  EXPECT_EQ(spooler.drivers[0],
            (std::vector<std::string>{"Windows x64", "3", "Folyant-A", listed(kDriverDirX64 + "mxdwdrv.dll"),
                                      listed(kDriverDirX64 + "folyant.gpd"), listed(kDriverDirX64 + "folyantx.dll")}));
  expect_list(kDriversX64 + "Folyant-A", GetParam().list);
  EXPECT_TRUE(spooler.printers.empty());

  const std::string commands = prefix.standin_commands("rundll32");
  std::smatch second;
  ASSERT_TRUE(std::regex_search(commands, second, std::regex("/b \"(Folyant[0-9])\"")))
      << "the retry under a lengthened name: " << commands;
  EXPECT_EQ(commands, inf_command("Folyant") + "\n" + inf_command(second[1]) + "\n");
  EXPECT_EQ(entries(result),
            (Entries{{"information", "InstallPrinter Launching INF install: " + inf_command("Folyant")},
                     {"error", "InstallPrinter: OpenPrinter INF post launch failed for Folyant, error 1801"},
                     {"information", "InstallPrinter Launching INF install: " + inf_command(second[1])},
                     {"error",
                      "InstallPrinter: OpenPrinter INF post launch failed for " + second[1].str() + ", error 1801"}}));
}

INSTANTIATE_TEST_SUITE_P(Windows, TypicalRun,
                         ::testing::Values(VersionCase{"win7", kXpsListVista}, VersionCase{"win10", kXpsList10}),
                         [](const auto& info) { return info.param.wine_version; });

// When the INF installation leaves the printer behind, the tool takes it as
// installed: one command, one success line, no retry.
TEST_F(Install, X64InfInstallationThatCreatesThePrinterSucceeds) {
  prefix.stage_standin("rundll32", true);
  auto result = run("-x64 -addxpsprinter -printername=\"Folyant\"");
  EXPECT_EQ(result.exit_code(), 0) << result.transcript;
  EXPECT_EQ(prefix.standin_commands("rundll32"), inf_command("Folyant") + "\n");
  EXPECT_EQ(entries(result),
            (Entries{{"information", "InstallPrinter Launching INF install: " + inf_command("Folyant")},
                     {"information", "InstallPrinter: INF install successful"}}));
  auto printers = prefix.spooler().printers;
  ASSERT_EQ(printers.size(), 1u);
  EXPECT_EQ(printers[0].at(0), "Folyant");
  expect_list(kDriversX64 + "Folyant-A", kXpsListVista);
}

// A long name reaches the INF command whole; only Wine's debug channel cuts
// the log line (at about 290 characters), so the line is checked up to the cut.
TEST_F(Install, LongNameReachesTheInfCommandWhole) {
  const std::string name = "Folyant " + std::string(200, 'n');
  auto result = run("-x64 -addxpsprinter -printername=\"" + name + "\"");
  EXPECT_EQ(result.exit_code(), 0) << result.transcript;
  const std::string commands = prefix.standin_commands("rundll32");
  EXPECT_EQ(commands.substr(0, commands.find('\n') + 1), inf_command(name) + "\n");
  auto log = result.run.events();
  ASSERT_EQ(log.size(), 4u) << result.run.err;
  const std::string launching = "InstallPrinter Launching INF install: " + inf_command(name);
  EXPECT_EQ(log[0].type, "information");
  EXPECT_TRUE(log[0].truncated);
  EXPECT_GE(log[0].text.size(), 250u);
  EXPECT_EQ(launching.rfind(log[0].text, 0), 0u) << log[0].text;
}

// Without -x64 the 32-bit driver takes the printer: on the product's port,
// with the WOW64 attributes, and no INF road, no log line.
TEST_F(Install, X86InstallCreatesThePrinterOnThePdfPort) {
  auto result = run("-addxpsprinter -printername=\"Folyant\"");
  EXPECT_EQ(result.exit_code(), 0) << result.transcript;
  EXPECT_TRUE(result.windows().empty()) << result.transcript;
  EXPECT_TRUE(entries(result).empty()) << result.run.err;
  auto spooler = prefix.spooler();
  ASSERT_EQ(spooler.printers.size(), 1u);
  EXPECT_EQ(spooler.printers[0],
            (std::vector<std::string>{"Folyant", "Folyant-A", "PDFFILE:", "winprint", "0x00000140"}));
  ASSERT_EQ(spooler.drivers.size(), 1u);
  EXPECT_EQ(spooler.drivers[0].at(0), "Windows NT x86");
  expect_list(kDriversX86 + "Folyant-A", kXpsListVista);
  EXPECT_EQ(prefix.standin_commands("rundll32"), "");
}

// Installing again deletes the old printer first; a second name makes the
// tool re-create "Folyant", and only then are there two instances.
TEST_F(Install, ReinstallAndSecondInstanceAsCheckInstanceSeesThem) {
  ASSERT_EQ(run("-addxpsprinter -printername=\"Folyant\"").exit_code(), 0);
  auto again = run("-addxpsprinter -printername=\"Folyant\"");
  EXPECT_EQ(entries(again), (Entries{{"information", "checkPrinterInstalled: printer exists, deleting printer Folyant"},
                                     {"information", "DeletePDFPrinterInstance: Deleted printer Folyant"}}));
  EXPECT_EQ(prefix.spooler().printers.size(), 1u);
  EXPECT_EQ(prefix.veskreg({"-checkinstance"}).exit_code, 0);

  auto second = run("-addxpsprinter -printername=\"Folyant Second\"");
  EXPECT_EQ(second.exit_code(), 0) << second.transcript;
  // The re-created "Folyant" first deletes its driver, which Wine allows
  // while "Folyant Second" still uses it; the re-installation brings it back.
  EXPECT_EQ(entries(second),
            (Entries{{"information", "checkPrinterInstalled: printer exists, deleting printer Folyant"},
                     {"information", "DeletePDFPrinterInstance: Deleted printer Folyant"}}));
  auto spooler = prefix.spooler();
  ASSERT_EQ(spooler.printers.size(), 2u);
  EXPECT_EQ(spooler.printers[0].at(0), "Folyant");
  EXPECT_EQ(spooler.printers[1].at(0), "Folyant Second");
  EXPECT_EQ(spooler.drivers.size(), 1u);
  EXPECT_EQ(prefix.veskreg({"-checkinstance"}).exit_code, 1);
}

// A "Folyant Port" on an older library is removed and the current one added.
TEST_F(Install, LegacyMonitorIsReplaced) {
  prefix.stage_port_monitor("folyantm5.dll");
  arrange({"add-monitor", "Folyant Port", "Windows NT x86", "folyantm5.dll"});
  auto result = run("-addxpsprinter -printername=\"Folyant\"");
  EXPECT_EQ(result.exit_code(), 0) << result.transcript;
  EXPECT_EQ(entries(result),
            (Entries{{"information", "MonitorInstalled: successfully deleted legacy port monitor Folyant Port"}}));
  auto monitors = product_monitors();
  ASSERT_EQ(monitors.size(), 1u);
  EXPECT_EQ(monitors[0].at(2), "folyantm7.dll");
  EXPECT_EQ(prefix.spooler().printers.at(0).at(2), "PDFFILE:");
}

// The current monitor is left alone, whatever case its library is written in.
TEST_F(Install, CurrentMonitorInOtherCaseIsKept) {
  prefix.stage_port_monitor("FOLYANTM7.DLL");
  arrange({"add-monitor", "Folyant Port", "Windows NT x86", "FOLYANTM7.DLL"});
  auto result = run("-addxpsprinter -printername=\"Folyant\"");
  EXPECT_TRUE(entries(result).empty()) << result.run.err;
  auto monitors = product_monitors();
  ASSERT_EQ(monitors.size(), 1u);
  EXPECT_EQ(monitors[0].at(2), "FOLYANTM7.DLL");
}

// Without the monitor library Wine answers 126: the user sees the system
// error box with its help page, and the printer goes to the file port.
TEST_F(Install, MissingMonitorLibraryShowsErrorBoxAndUsesFilePort) {
  std::filesystem::remove(prefix.drive_c() / "windows" / "syswow64" / "folyantm7.dll");
  prefix.stage_standin("hh");
  auto result = run("-addxpsprinter -printername=\"Folyant\"");
  EXPECT_EQ(result.exit_code(), 0) << result.transcript;
  ASSERT_EQ(result.windows().size(), 1u) << result.transcript;
  const std::string box = result.windows()[0];
  EXPECT_NE(box.find("class=\"#32770\" caption=\"Folyant\""), std::string::npos) << box;
  // System-modal: topmost.
  auto exstyle = std::stoul(box.substr(box.find("exstyle=0x") + 10), nullptr, 16);
  EXPECT_TRUE(exstyle & 0x8) << box;
  EXPECT_NE(result.transcript.find("class=\"Static\" text=\"A system error 126 occurred that prevented Folyant from "
                                   "being installed.  See help for steps to resolve the issue.\""),
            std::string::npos)
      << result.transcript;
  EXPECT_NE(result.transcript.find("rule 1 class \"#32770\" click \"OK\" -> ok"), std::string::npos);
  EXPECT_EQ(entries(result), (Entries{{"error", "AddPrinterError AddMonitor, error 126"}}));
  prefix.wait_for_programs();
  EXPECT_EQ(prefix.standin_commands("hh"), "hh.exe " + kDriverDirX86 + "folyant.chm::/addprinter126error.htm\n");
  EXPECT_TRUE(product_monitors().empty());
  auto printers = prefix.spooler().printers;
  ASSERT_EQ(printers.size(), 1u);
  EXPECT_EQ(printers[0].at(2), "FILE:");
}

// The dependent-file switches rewrite the list of a driver installed before;
// each reaches the key of its own driver kind and target.
class UpdateDependentFiles : public Install {
 protected:
  void arrange_driver(const std::string& name, const std::string& environment) {
    arrange({"add-driver", name, environment, "3", "deps=OLD.DLL"});
  }
};

// Windows 10 takes its own XPS list, with the files Windows keeps in its driver store.
TEST_F(UpdateDependentFiles, XpsListOfWindows10WithItsNtprintEntries) {
  prefix.set_windows_version("win10");
  arrange_driver("Folyant-A", "Windows NT x86");
  auto result = run("-updatexpsdependentfiles");
  EXPECT_EQ(result.exit_code(), 0) << result.transcript;
  EXPECT_TRUE(entries(result).empty()) << result.run.err;
  expect_list(kDriversX86 + "Folyant-A", kXpsList10);
}

// "-x64" rewrites the x64 driver's list and leaves the 32-bit driver's as it was.
TEST_F(UpdateDependentFiles, X64TargetsTheX64DriverKey) {
  arrange_driver("Folyant-A", "Windows x64");
  arrange_driver("Folyant-A", "Windows NT x86");
  ASSERT_EQ(run("-x64 -updatexpsdependentfiles").exit_code(), 0);
  expect_list(kDriversX64 + "Folyant-A", kXpsListVista);
  auto untouched = prefix.registry_value("HKLM", kDriversX86 + "Folyant-A", "Dependent Files");
  EXPECT_EQ(untouched.data.rfind("OLD.DLL", 0), 0u) << shown(untouched.data);
}

// The native switch reaches the native driver's key with its own short list.
TEST_F(UpdateDependentFiles, NativeList) {
  arrange_driver("Folyant Writer", "Windows NT x86");
  ASSERT_EQ(run("-updatedependentfiles").exit_code(), 0);
  expect_list(kDriversX86 + "Folyant Writer", kNativeList);
}

// Without stored extra files the PostScript driver gets its list and nothing more.
TEST_F(UpdateDependentFiles, PostScriptListAlone) {
  arrange_driver("Folyant Font Helper", "Windows NT x86");
  ASSERT_EQ(run("-updatepsdependentfiles").exit_code(), 0);
  expect_list(kDriversX86 + "Folyant Font Helper", kPostScriptList);
}

// The stored extra files follow the PostScript entries, over the list's own end.
TEST_F(UpdateDependentFiles, PostScriptListMergedWithStoredExtraFiles) {
  arrange_driver("Folyant Font Helper", "Windows NT x86");
  arrange({"reg-set", "HKLM", kDriversX86 + "Folyant Font Helper", "PS Dependent Files", "multi_sz", "EXTRA.DLL"});
  ASSERT_EQ(run("-updatepsdependentfiles").exit_code(), 0);
  const std::string merged = kPostScriptList.substr(0, 60) + "EXTRA.DLL" + std::string(3, '\0');
  expect_list(kDriversX86 + "Folyant Font Helper", merged);
  EXPECT_EQ(merged.size(), 72u);
}

// Without the driver there is no key: one log line, nothing written.
TEST_F(UpdateDependentFiles, MissingDriverIsLogged) {
  auto result = run("-updatedependentfiles");
  EXPECT_EQ(result.exit_code(), 0) << result.transcript;
  EXPECT_EQ(entries(result),
            (Entries{{"error", "UpdateDependentFiles, failed to open registry " + kDriversX86 + "Folyant Writer, 2"}}));
  EXPECT_FALSE(prefix.registry_value("HKLM", kDriversX86 + "Folyant Writer", "Dependent Files").present);
}

}  // namespace
}  // namespace wine
