// The driver tables and the rewrite of "Dependent Files", read back byte for byte from
// the driver keys.
#include "install/driver_files.h"

#include <initializer_list>
#include <string>
#include <vector>

#include "app/install_context.h"
#include "platform/registry.h"
#include "sim_fixture.h"

namespace {

constexpr const char* kDriversX86 =
    "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-3\\";
constexpr const char* kDriversX64 =
    "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3\\";
constexpr const char* kDriversVersion2 =
    "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-2\\";

using Bytes = std::vector<uint8_t>;

Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

// Entries each ending in NUL, then `closing` more NULs.
Bytes MultiString(std::initializer_list<const char*> entries, int closing) {
  Bytes bytes;
  for (const char* entry : entries) {
    Bytes e = Text(entry);
    bytes.insert(bytes.end(), e.begin(), e.end());
    bytes.push_back(0);
  }
  bytes.insert(bytes.end(), closing, 0);
  return bytes;
}

// The stored lists carry one NUL more than the list's own terminator.
Bytes StoredList(std::initializer_list<const char*> entries) { return MultiString(entries, 2); }

const Bytes kNative = StoredList({"FOLYANT.EXE", "FOLYANTS.DLL", "FOLYANTM.EXE"});
const Bytes kPostScript = StoredList({"PSCRIPT.NTF", "PS5UI.DLL", "FOLYANT.EXE", "FOLYANTS.DLL", "FOLYANTM.EXE"});
const Bytes kXpsBeforeVista =
    StoredList({"MXDWDUI.INI", "FOLYANT.EXE", "FOLYANTE.EXE", "FOLYANTS.DLL", "FOLYANTM.EXE", "FOLYANT.CHM",
                "NIXPS.DLL", "UNIDRV.DLL", "UNIRES.DLL", "MXDWDUI.DLL", "STDNAMES.GPD", "STDDTYPE.GDL", "STDSCHEM.GDL",
                "STDSCHMX.GDL", "XPSSVCS.DLL", "FOLYANTT.GPD", "FOLYANTJ.EXE", "FOLYANTU.EXE"});
const Bytes kXpsVista =
    StoredList({"MXDWDUI.INI", "FOLYANT.EXE", "FOLYANTE.EXE", "FOLYANTS.DLL", "FOLYANTM.EXE", "FOLYANT.CHM",
                "NIXPS.DLL", "UNIDRV.DLL", "UNIRES.DLL", "UNIDRVUI.DLL", "STDNAMES.GPD", "STDDTYPE.GDL", "STDSCHEM.GDL",
                "STDSCHMX.GDL", "XPSSVCS.DLL", "MSXPSINC.GPD", "FOLYANTT.GPD", "FOLYANTJ.EXE", "FOLYANTU.EXE"});
const Bytes kXpsWindows8 = StoredList({"FOLYANT.EXE", "FOLYANTE.EXE", "FOLYANTS.DLL", "FOLYANTM.EXE", "FOLYANT.CHM",
                                       "NIXPS.DLL", "UNIDRV.DLL", "UNIRES.DLL", "UNIDRVUI.DLL", "STDNAMES.GPD",
                                       "STDDTYPE.GDL", "STDSCHEM.GDL", "STDSCHMX.GDL", "XPSSVCS.DLL", "MSXPSINC.GPD",
                                       "FOLYANTT.GPD", "FOLYANTJ.EXE", "FOLYANTU.EXE", "folyant-pipelineconfig.xml"});
const Bytes kXpsWindows10 =
    StoredList({"FOLYANT.EXE", "FOLYANTE.EXE", "FOLYANTS.DLL", "FOLYANTM.EXE", "FOLYANT.CHM", "NIXPS.DLL", "UNIDRV.DLL",
                "ntprint|UNIRES.DLL", "UNIDRVUI.DLL", "ntprint|STDNAMES.GPD", "ntprint|STDDTYPE.GDL",
                "ntprint|STDSCHEM.GDL", "ntprint|STDSCHMX.GDL", "ntprint|MSXPSINC.GPD", "FOLYANTT.GPD", "FOLYANTJ.EXE",
                "FOLYANTU.EXE", "folyant-pipelineconfig.xml"});

// The five PostScript entries without the list's terminator: where stored extras go.
Bytes PostScriptEntries() { return Bytes(kPostScript.begin(), kPostScript.end() - 2); }

Bytes Concat(Bytes first, const Bytes& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

class DriverFilesTest : public SimTest {
 protected:
  void SetUp() override { ResetInstallContext(); }
  void TearDown() override {
    ResetInstallContext();
    SimTest::TearDown();
  }

  std::string CreateDriverKey(const char* prefix, const char* driver) {
    std::string path = std::string(prefix) + driver;
    machine().registry.CreateKey(path);
    return path;
  }

  // The "Dependent Files" bytes of a driver key; fails the test when absent or mistyped.
  Bytes DependentFiles(const std::string& key) {
    const sim::RegistryValue* value = machine().registry.FindValue(key, "Dependent Files");
    if (value == nullptr) {
      ADD_FAILURE() << "no Dependent Files in " << key;
      return {};
    }
    EXPECT_EQ(value->type, os::kRegMultiSz);
    return value->data;
  }

  void StorePsExtras(const std::string& key, Bytes data, uint32_t type = os::kRegMultiSz) {
    machine().registry.SetValue(key, "PS Dependent Files", type, std::move(data));
  }
};

Bytes ListBytes(DependentFileList list) {
  const auto* data = reinterpret_cast<const uint8_t*>(list.data);
  return Bytes(data, data + list.length);
}

}  // namespace

// Each list reaches the registry whole, extra NUL included, for the switch that names it.
TEST_F(DriverFilesTest, SwitchesWriteTheirListsByteForByte) {
  std::string native = CreateDriverKey(kDriversX86, "Folyant Writer");
  std::string postScript = CreateDriverKey(kDriversX86, "Folyant Font Helper");
  std::string xps = CreateDriverKey(kDriversX86, "Folyant-A");

  EXPECT_EQ(RunProgram("-updatedependentfiles"), 0);
  EXPECT_EQ(DependentFiles(native), kNative);
  EXPECT_EQ(kNative.size(), 40u);

  EXPECT_EQ(RunProgram("-updatepsdependentfiles"), 0);
  EXPECT_EQ(DependentFiles(postScript), kPostScript);
  EXPECT_EQ(kPostScript.size(), 62u);

  EXPECT_EQ(RunProgram("-updatexpsdependentfiles"), 0);
  EXPECT_EQ(DependentFiles(xps), kXpsVista) << "the sim runs Windows 7 unless told";
  EXPECT_TRUE(LogTexts().empty());
}

// The XPS list follows the Windows band; 8.1 reports 6.3 and takes the Windows 8 list.
TEST_F(DriverFilesTest, XpsListFollowsTheWindowsBand) {
  std::string xps = CreateDriverKey(kDriversX86, "Folyant-A");
  struct Case {
    uint32_t version;
    const Bytes* list;
    size_t length;
  };
  for (const Case& c : {Case{sim::kWindowsXP, &kXpsBeforeVista, 224}, Case{sim::kWindowsVista, &kXpsVista, 238},
                        Case{sim::kWindows7, &kXpsVista, 238}, Case{sim::kWindows8, &kXpsWindows8, 253},
                        Case{sim::kWindows81, &kXpsWindows8, 253}, Case{sim::kWindows10, &kXpsWindows10, 289}}) {
    machine().version = c.version;
    RunProgram("-updatexpsdependentfiles");
    EXPECT_EQ(DependentFiles(xps), *c.list) << std::hex << c.version;
    EXPECT_EQ(c.list->size(), c.length);
    EXPECT_EQ(ListBytes(XpsDependentFilesForThisWindows()), *c.list) << "the installation sees the same list";
  }
}

// -x64 moves the update to the x64 driver key; NT 4 keeps the version-2 key even then.
TEST_F(DriverFilesTest, PlatformTargetChoosesTheDriverKey) {
  std::string x86 = CreateDriverKey(kDriversX86, "Folyant Writer");
  std::string x64 = CreateDriverKey(kDriversX64, "Folyant Writer");
  std::string version2 = CreateDriverKey(kDriversVersion2, "Folyant Writer");

  RunProgram("-x64 -updatedependentfiles");
  EXPECT_EQ(DependentFiles(x64), kNative);
  EXPECT_EQ(machine().registry.FindValue(x86, "Dependent Files"), nullptr);

  machine().version = sim::kWindowsNT4;
  RunProgram("-x64 -updatedependentfiles");
  EXPECT_EQ(DependentFiles(version2), kNative);
  EXPECT_EQ(machine().registry.FindValue(x86, "Dependent Files"), nullptr);
  EXPECT_STREQ(SpoolerEnvironment, "Windows x64") << "the spooler still hears x64";
  TargetX64 = true;
  EXPECT_EQ(CurrentPlatformTarget().driverVersion, 2u);
  EXPECT_STREQ(CurrentPlatformTarget().driverDirectorySuffix, "\\spool\\drivers\\w32x86\\2\\");
}

// With both flags the PostScript driver's key receives the merged PostScript list.
TEST_F(DriverFilesTest, BothFlagsUpdateThePostScriptDriver) {
  std::string postScript = CreateDriverKey(kDriversX86, "Folyant Font Helper");
  std::string xps = CreateDriverKey(kDriversX86, "Folyant-A");
  StorePsExtras(postScript, MultiString({"EXTRA.DLL"}, 1));
  UpdateDependentFiles(1, 1);
  EXPECT_EQ(DependentFiles(postScript), Concat(PostScriptEntries(), MultiString({"EXTRA.DLL"}, 2)));
  EXPECT_EQ(machine().registry.FindValue(xps, "Dependent Files"), nullptr);
}

// The stored extras go right behind "FOLYANTM.EXE": 7 stored bytes make 68, ending in three NULs.
TEST_F(DriverFilesTest, PostScriptListMergesTheStoredExtras) {
  std::string key = CreateDriverKey(kDriversX86, "Folyant Font Helper");
  StorePsExtras(key, MultiString({"ABCDE"}, 1));
  RunProgram("-updatepsdependentfiles");
  Bytes written = DependentFiles(key);
  ASSERT_EQ(written.size(), 68u);
  EXPECT_EQ(written, Concat(PostScriptEntries(), Text(std::string_view("ABCDE\0\0\0", 8))));

  StorePsExtras(key, MultiString({"ONE.DLL", "TWO.DLL"}, 1));
  RunProgram("-updatepsdependentfiles");
  EXPECT_EQ(DependentFiles(key), Concat(PostScriptEntries(), MultiString({"ONE.DLL", "TWO.DLL"}, 2)));
}

// Extras that cannot be read (missing, over 16,384 bytes, unreadable) leave the plain list.
TEST_F(DriverFilesTest, UnreadableExtrasLeaveThePlainPostScriptList) {
  std::string key = CreateDriverKey(kDriversX86, "Folyant Font Helper");
  RunProgram("-updatepsdependentfiles");
  EXPECT_EQ(DependentFiles(key), kPostScript) << "no value";

  Bytes tooLarge(16385, 'A');
  tooLarge[16383] = 0;
  tooLarge[16384] = 0;
  StorePsExtras(key, tooLarge);
  RunProgram("-updatepsdependentfiles");
  EXPECT_EQ(DependentFiles(key), kPostScript) << "16,385 bytes";

  StorePsExtras(key, MultiString({"EXTRA.DLL"}, 1));
  machine().FailCall("RegQueryValueExA", os::kErrorAccessDenied);
  RunProgram("-updatepsdependentfiles");
  EXPECT_EQ(DependentFiles(key), kPostScript) << "read refused";
  EXPECT_TRUE(LogTexts().empty());
}

// Extras that fill the whole 16,384-byte read are taken whole, not cut mid-entry.
TEST_F(DriverFilesTest, ExtrasFillingTheReadBufferAreTakenWhole) {
  std::string key = CreateDriverKey(kDriversX86, "Folyant Font Helper");
  // 1,024 entries of 15 letters, the last one shortened by one to make room for the closing NUL.
  Bytes extras(16384);
  for (size_t i = 0; i < extras.size(); ++i) extras[i] = i % 16 == 15 ? 0 : static_cast<uint8_t>('A' + i / 16 % 26);
  extras[16382] = 0;
  ASSERT_EQ(extras.size(), 16384u);
  StorePsExtras(key, extras);
  RunProgram("-updatepsdependentfiles");
  Bytes expected = Concat(PostScriptEntries(), extras);
  expected.push_back(0);
  EXPECT_EQ(DependentFiles(key), expected);
}

// Extras of another type or without their NULs still give a properly terminated list.
TEST_F(DriverFilesTest, MalformedExtrasStillEndTheListProperly) {
  std::string key = CreateDriverKey(kDriversX86, "Folyant Font Helper");
  const Bytes expected = Concat(PostScriptEntries(), MultiString({"EXTRA.DLL"}, 1));

  StorePsExtras(key, Text("EXTRA.DLL"));
  RunProgram("-updatepsdependentfiles");
  EXPECT_EQ(DependentFiles(key), expected) << "no NUL at all";

  StorePsExtras(key, MultiString({"EXTRA.DLL"}, 0), os::kRegSz);
  RunProgram("-updatepsdependentfiles");
  EXPECT_EQ(DependentFiles(key), expected) << "a REG_SZ counts as one entry";

  StorePsExtras(key, Bytes{}, os::kRegBinary);
  RunProgram("-updatepsdependentfiles");
  EXPECT_EQ(DependentFiles(key), Concat(PostScriptEntries(), Bytes{0})) << "empty";
}

// A driver that is not installed: one error line naming the key and the status, nothing written.
TEST_F(DriverFilesTest, MissingDriverKeyIsLogged) {
  RunProgram("-updatedependentfiles");
  ASSERT_EQ(machine().eventLog.size(), 1u);
  EXPECT_EQ(machine().eventLog[0].type, os::kEventlogErrorType);
  EXPECT_EQ(machine().eventLog[0].text,
            "UpdateDependentFiles, failed to open registry SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\"
            "Windows NT x86\\Drivers\\Version-3\\Folyant Writer, 2");
  EXPECT_FALSE(machine().registry.KeyExists(std::string(kDriversX86) + "Folyant Writer"));
}

// A key the account may only read fails to open with access denied.
TEST_F(DriverFilesTest, ReadOnlyDriverKeyIsLogged) {
  std::string key = CreateDriverKey(kDriversX64, "Folyant-A");
  machine().registry.FindKey(key)->grantedAccess = os::kKeyRead;
  RunProgram("-x64 -updatexpsdependentfiles");
  EXPECT_EQ(LogTexts(), std::vector<std::string>{"UpdateDependentFiles, failed to open registry "
                                                 "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows "
                                                 "x64\\Drivers\\Version-3\\Folyant-A, 5"});
  EXPECT_EQ(machine().registry.FindValue(key, "Dependent Files"), nullptr);
}

// A refused write is logged with its status, and the key is still closed.
TEST_F(DriverFilesTest, FailedWriteIsLogged) {
  std::string key = CreateDriverKey(kDriversX86, "Folyant Writer");
  machine().FailCall("RegSetValueExA", 1009);
  RunProgram("-updatedependentfiles");
  ASSERT_EQ(machine().eventLog.size(), 1u);
  EXPECT_EQ(machine().eventLog[0].type, os::kEventlogErrorType);
  EXPECT_EQ(machine().eventLog[0].text, "UpdateDependentFiles, failed to write to registry 1009");
  EXPECT_EQ(machine().registry.FindValue(key, "Dependent Files"), nullptr);
}

// The installation's own precedences: XPS library before PostScript; the version-2
// target's data and configuration files before either kind's.
TEST_F(DriverFilesTest, InstallationTablesKeepTheirPrecedences) {
  DriverFileNames both = DriverFilesForKind(1, 1);
  EXPECT_STREQ(both.driverLibrary, "mxdwdrv.dll");
  EXPECT_STREQ(both.dataFile, "folyant.gpd");
  EXPECT_STREQ(both.configFile, "folyantx.dll");
  EXPECT_STREQ(DriverNameForKind(1, 1), "Folyant Font Helper");
  EXPECT_EQ(ListBytes(DependentFilesForInstall(1, 1)), kXpsVista);
  EXPECT_EQ(ListBytes(DependentFilesForInstall(1, 0)), kPostScript);
  EXPECT_EQ(ListBytes(DependentFilesForInstall(0, 0)), kNative);

  DriverFileNames postScript = DriverFilesForKind(1, 0);
  EXPECT_STREQ(postScript.driverLibrary, "PSCRIPT5.DLL");
  EXPECT_STREQ(postScript.dataFile, "folyant.ppd");
  EXPECT_STREQ(postScript.configFile, "folyantp.dll");
  DriverFileNames native = DriverFilesForKind(0, 0);
  EXPECT_STREQ(native.driverLibrary, "folyant.dll");
  EXPECT_STREQ(native.configFile, "folyantd.dll");
  EXPECT_STREQ(native.helpFile, "folyant.chm");

  machine().version = sim::kWindowsNT4;
  DriverFileNames version2 = DriverFilesForKind(0, 1);
  EXPECT_STREQ(version2.driverLibrary, "mxdwdrv.dll");
  EXPECT_STREQ(version2.dataFile, "folyant.gpc");
  EXPECT_STREQ(version2.configFile, "folyantd.dll");
  EXPECT_EQ(ListBytes(DependentFilesForInstall(0, 1)), kXpsBeforeVista);
}
