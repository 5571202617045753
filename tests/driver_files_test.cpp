// The dependent-file lists -update*dependentfiles writes into the driver's key, byte for byte.
#include "install/driver_files.h"

#include <string>
#include <tuple>

#include "support/wine_test.h"

namespace {

using namespace substitute;

const std::string kX86Drivers = "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\";
const std::string kX86 = kX86Drivers + "Version-3\\", kVersion2 = kX86Drivers + "Version-2\\";
const std::string kX64 = "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3\\";
const std::string kPostScriptKey = kX86 + "Folyant Font Helper";

// The names, each ending in NUL, then `closing` NULs more: the lists are written with
// one NUL beyond their own terminator.
std::string List(const std::string& names, int closing = 2) {
  std::string bytes = names.empty() ? "" : names + '\0';
  for (char& c : bytes) c = c == ' ' ? '\0' : c;
  return bytes + std::string(closing, '\0');
}

const std::string kNative = List("FOLYANT.EXE FOLYANTS.DLL FOLYANTM.EXE");
const std::string kPostScript = List("PSCRIPT.NTF PS5UI.DLL FOLYANT.EXE FOLYANTS.DLL FOLYANTM.EXE");
// The XPS lists of the bands before Windows 10 differ around a common middle.
const std::string kXpsHead =
    "FOLYANT.EXE FOLYANTE.EXE FOLYANTS.DLL FOLYANTM.EXE FOLYANT.CHM NIXPS.DLL UNIDRV.DLL UNIRES.DLL ";
const std::string kStandard = " STDNAMES.GPD STDDTYPE.GDL STDSCHEM.GDL STDSCHMX.GDL XPSSVCS.DLL ";
const std::string kXpsTail = "FOLYANTT.GPD FOLYANTJ.EXE FOLYANTU.EXE";
const std::string kXpsXP = List("MXDWDUI.INI " + kXpsHead + "MXDWDUI.DLL" + kStandard + kXpsTail);
const std::string kXpsVista = List("MXDWDUI.INI " + kXpsHead + "UNIDRVUI.DLL" + kStandard + "MSXPSINC.GPD " + kXpsTail);
const std::string kXps8 =
    List(kXpsHead + "UNIDRVUI.DLL" + kStandard + "MSXPSINC.GPD " + kXpsTail + " folyant-pipelineconfig.xml");
const std::string kXps10 = List(
    "FOLYANT.EXE FOLYANTE.EXE FOLYANTS.DLL FOLYANTM.EXE FOLYANT.CHM NIXPS.DLL UNIDRV.DLL ntprint|UNIRES.DLL "
    "UNIDRVUI.DLL ntprint|STDNAMES.GPD ntprint|STDDTYPE.GDL ntprint|STDSCHEM.GDL ntprint|STDSCHMX.GDL "
    "ntprint|MSXPSINC.GPD FOLYANTT.GPD FOLYANTJ.EXE FOLYANTU.EXE folyant-pipelineconfig.xml");

class DriverFilesTest : public WineTest {
 protected:
  // As `windows`, over the driver's key (unless empty) with PostScript extras of `type` (0: none),
  // `commandLine` (none: both flags) leaves `list` ("": none) and logs `logged` ("": nothing).
  void Expect(uint32_t windows, bool is64, const char* commandLine, const std::string& key, const std::string& list,
              const std::string& logged = "", uint32_t type = 0, const std::string& extras = "") {
    SCOPED_TRACE(std::string(commandLine != nullptr ? commandLine : "both flags") + " on " + std::to_string(windows));
    AnswerAsWindows(windows, is64, windows != kWindowsNT4);
    if (!key.empty()) WriteString(kLocalMachine, key, "Driver", "x");
    if (type != 0) WriteValue(kLocalMachine, key, "PS Dependent Files", type, extras);
    EXPECT_EQ(commandLine != nullptr ? RunProgram(commandLine)
                                     : (UpdateDependentFiles(DriverKind::PostScriptNameXpsFiles, TargetFor(false)), 0),
              0);
    Value value = ReadValue(kLocalMachine, key, "Dependent Files");
    EXPECT_EQ(value.type == 7 ? value.bytes : "", list);
    EXPECT_EQ(Logged(), (logged.empty() ? Events{} : Events{{kError, logged}}));
    if (!key.empty()) DeleteKeyTree(kLocalMachine, key);
    Fresh();
  }
};

}  // namespace

// Each switch writes its kind's list into the target's driver key (NT 4: version 2, even with
// -x64); the XPS list follows the Windows band; each failure is one error, nothing written.
TEST_F(DriverFilesTest, DependentFiles) {
  Expect(kWindows7, false, "-updatedependentfiles", kX86 + "Folyant Writer", kNative);
  Expect(kWindowsXP, false, "-updatexpsdependentfiles", kX86 + "Folyant-A", kXpsXP);
  Expect(kWindows7, true, "-x64 -updatexpsdependentfiles", kX64 + "Folyant-A", kXpsVista);
  Expect(kWindows8, false, "-updatexpsdependentfiles", kX86 + "Folyant-A", kXps8);
  Expect(kWindows81, false, "-updatexpsdependentfiles", kX86 + "Folyant-A", kXps8);
  Expect(kWindows10, true, "-updatexpsdependentfiles", kX86 + "Folyant-A", kXps10);
  Expect(kWindowsNT4, false, "-x64 -updatedependentfiles", kVersion2 + "Folyant Writer", kNative);
  FailCall("RegOpenKeyExA", 5);
  Expect(kWindows7, false, "-x64 -updatexpsdependentfiles", kX64 + "Folyant-A", "",
         "UpdateDependentFiles, failed to open registry " + kX64 + "Folyant-A, 5");
  FailCall("RegSetValueExA", 1009);
  Expect(kWindows7, false, "-updatedependentfiles", kX86 + "Folyant Writer", "",
         "UpdateDependentFiles, failed to write to registry 1009");
  Expect(kWindows7, false, "-updatedependentfiles", "", "",
         "UpdateDependentFiles, failed to open registry " + kX86 + "Folyant Writer, 2");

  // The PostScript list takes its stored extras behind "FOLYANTM.EXE", terminated whatever was
  // stored, unless over 16,384 bytes. Malformed ones are binary: a string would gain a NUL.
  const std::string entries = kPostScript.substr(0, 60), fills(16384, 'F');  // fills: no NUL at all
  const std::tuple<uint32_t, std::string, std::string> rows[] = {
      {7, List("ABCDE", 1), entries + List("ABCDE")},
      {3, "EXTRA.DLL", entries + List("EXTRA.DLL", 1)},
      {3, "", entries + List("", 1)},
      {3, fills, entries + fills + List("")},
      {3, fills.substr(1), entries + fills.substr(1) + List("")},  // nothing of the longer one left behind
      {3, fills + '\0', kPostScript},
  };
  for (const auto& [type, extras, list] : rows)
    Expect(kWindows7, false, nullptr, kPostScriptKey, list, "", type, extras);
  FailCall("RegQueryValueExA", 5);
  Expect(kWindows7, false, "-updatepsdependentfiles", kPostScriptKey, kPostScript, "", 7, List("EXTRA.DLL", 1));
}
