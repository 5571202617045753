// The settings store: writing values, the lookup chain, -stopautoname, and the security
// of the spooler's printer keys.
#include "install/settings_store.h"

#include <algorithm>
#include <string>
#include <vector>

#include "sim_fixture.h"

namespace {

constexpr const char* kLegacy = "HKCU\\Software\\VB and VBA Program Settings\\Vesk Harrow Systems\\";
constexpr const char* kUser = "HKCU\\Software\\Vesk Harrow Systems\\";
constexpr const char* kMachine = "HKLM\\Software\\Vesk Harrow Systems\\";
constexpr const char* kPrinters = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";

std::string Key(const char* prefix, const std::string& name) { return prefix + name; }

std::vector<uint8_t> Text(std::string_view text) { return std::vector<uint8_t>(text.begin(), text.end()); }

class SettingsStoreTest : public SimTest {
 protected:
  void SetUp() override { ForgetOpenSecurityDescriptor(); }

  const sim::RegistryValue* Value(const std::string& key, const char* name) {
    return machine().registry.FindValue(key, name);
  }

  // The text of a REG_SZ value, or "<none>".
  std::string StringValue(const std::string& key, const char* name) {
    const sim::RegistryValue* value = Value(key, name);
    if (value == nullptr) return "<none>";
    EXPECT_EQ(value->type, os::kRegSz) << key << " " << name;
    return std::string(value->data.begin(), value->data.end());
  }

  long CallsTo(const char* call) {
    return std::count(machine().calls.begin(), machine().calls.end(), std::string(call));
  }

  void AddPrinter(const std::string& name, const char* driver) {
    machine().printers.push_back(sim::Printer{name, driver});
  }
};

}  // namespace

// A string is stored with its terminator: an empty text is one byte.
TEST_F(SettingsStoreTest, SaveStringRegExStoresTheTerminator) {
  EXPECT_TRUE(SaveStringRegEx(os::HkeyCurrentUser(), "Software\\Vesk Harrow Systems\\Office", "PDFDefaultFileName", "",
                              os::kRegSz));
  EXPECT_EQ(StringValue(Key(kUser, "Office"), "PDFDefaultFileName"), std::string(1, '\0'));
  EXPECT_TRUE(SaveStringRegEx(os::HkeyCurrentUser(), "Software\\Vesk Harrow Systems\\Office", "Path", "%TEMP%\\x",
                              os::kRegExpandSz));
  EXPECT_EQ(Value(Key(kUser, "Office"), "Path")->type, os::kRegExpandSz);
  EXPECT_EQ(Value(Key(kUser, "Office"), "Path")->data, Text(std::string_view("%TEMP%\\x\0", 9)));
  EXPECT_TRUE(LogTexts().empty());
}

// Both failures are logged as errors with the registry's code in hexadecimal.
TEST_F(SettingsStoreTest, SaveStringRegExLogsItsFailures) {
  machine().FailCall("RegCreateKeyExA", os::kErrorAccessDenied, 0, 1);
  EXPECT_FALSE(SaveStringRegEx(os::HkeyCurrentUser(), "Software\\Vesk Harrow Systems\\Folyant", "PDFDefaultFileName",
                               " ", os::kRegSz));
  machine().FailCall("RegSetValueExA", 1018, 0, 1);
  EXPECT_FALSE(SaveStringRegEx(os::HkeyCurrentUser(), "Software\\Vesk Harrow Systems\\Folyant", "PDFDefaultFileName",
                               " ", os::kRegSz));
  ASSERT_EQ(machine().eventLog.size(), 2u);
  EXPECT_EQ(machine().eventLog[0].type, os::kEventlogErrorType);
  EXPECT_EQ(machine().eventLog[0].text,
            "veskreg SaveStringRegEx: failed to create key Software\\Vesk Harrow Systems\\Folyant, error 0x5");
  EXPECT_EQ(machine().eventLog[1].type, os::kEventlogErrorType);
  EXPECT_EQ(machine().eventLog[1].text, "veskreg SaveStringRegEx: failed to set value PDFDefaultFileName, error 0x3fa");
  EXPECT_EQ(Value(Key(kUser, "Folyant"), "PDFDefaultFileName"), nullptr);
}

// SaveDwordReg writes four bytes of REG_DWORD and fails silently.
TEST_F(SettingsStoreTest, SaveDwordRegWritesADword) {
  EXPECT_TRUE(SaveDwordReg("Software\\Vesk Harrow Systems\\Folyant", "EventLogFlags", 255));
  const sim::RegistryValue* value = Value(Key(kUser, "Folyant"), "EventLogFlags");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->type, os::kRegDword);
  EXPECT_EQ(value->data, (std::vector<uint8_t>{255, 0, 0, 0}));
  machine().FailCall("RegCreateKeyExA", os::kErrorAccessDenied);
  EXPECT_FALSE(SaveDwordReg("Software\\Vesk Harrow Systems\\Folyant", "EventLogFlags", 0));
  EXPECT_TRUE(LogTexts().empty());
}

// "FOLYANT" walks only the three keys of "Folyant"; any other name walks six.
TEST_F(SettingsStoreTest, ChainLengthDependsOnTheName) {
  uint32_t value = 0;
  EXPECT_FALSE(ReadSettingDword("FOLYANT", "EventLogFlags", &value, false));
  EXPECT_EQ(CallsTo("RegOpenKeyExA"), 3);
  machine().calls.clear();
  EXPECT_FALSE(ReadSettingDword("", "EventLogFlags", &value, false));
  EXPECT_EQ(CallsTo("RegOpenKeyExA"), 3);
  machine().calls.clear();
  EXPECT_FALSE(ReadSettingDword("Office", "EventLogFlags", &value, false));
  EXPECT_EQ(CallsTo("RegOpenKeyExA"), 6);
  EXPECT_FALSE(machine().registry.KeyExists(Key(kUser, "Office"))) << "a DWORD lookup creates nothing";
}

// The legacy copy wins; deleting removes only it, and the next lookup finds the other.
TEST_F(SettingsStoreTest, LegacyKeyComesFirstAndDeleteTakesOneCopy) {
  machine().registry.SetDword(Key(kLegacy, "Folyant"), "EventLogFlags", 1);
  machine().registry.SetDword(Key(kUser, "Folyant"), "EventLogFlags", 255);
  uint32_t value = 0;
  EXPECT_TRUE(ReadSettingDword("Folyant", "EventLogFlags", &value, false));
  EXPECT_EQ(value, 1u);
  EXPECT_TRUE(ReadSettingDword("Folyant", "EventLogFlags", &value, true));
  EXPECT_EQ(value, 1u);
  EXPECT_EQ(Value(Key(kLegacy, "Folyant"), "EventLogFlags"), nullptr);
  EXPECT_TRUE(ReadSettingDword("Folyant", "EventLogFlags", &value, false));
  EXPECT_EQ(value, 255u);
}

// Any value of at most 4 bytes counts, without stale bytes; a larger one does not.
TEST_F(SettingsStoreTest, DwordLookupTakesValuesThatFitFourBytes) {
  machine().registry.SetValue(Key(kUser, "Folyant"), "persistent", os::kRegBinary, {7, 0});
  uint32_t value = 0xFFFFFFFF;
  EXPECT_TRUE(ReadSettingDword("Folyant", "persistent", &value, false));
  EXPECT_EQ(value, 7u);
  machine().registry.SetValue(Key(kUser, "Folyant"), "persistent", os::kRegBinary, {1, 2, 3, 4, 5, 6, 7, 8});
  machine().registry.SetDword(Key(kMachine, "Folyant"), "persistent", 9);
  EXPECT_TRUE(ReadSettingDword("Folyant", "persistent", &value, false));
  EXPECT_EQ(value, 9u) << "the 8-byte copy is passed over";
}

// With delete, a machine key that only opens for reading is passed over, for reading too.
TEST_F(SettingsStoreTest, ReadOnlyMachineKeyIsSkippedWhenDeleting) {
  machine().registry.SetDword(Key(kMachine, "Folyant"), "persistent", 1);
  machine().registry.FindKey(Key(kMachine, "Folyant"))->grantedAccess = os::kKeyRead;
  uint32_t value = 0;
  EXPECT_TRUE(ReadSettingDword("Folyant", "persistent", &value, false));
  EXPECT_FALSE(ReadSettingDword("Folyant", "persistent", &value, true));
  EXPECT_NE(Value(Key(kMachine, "Folyant"), "persistent"), nullptr);

  machine().registry.SetString(Key(kMachine, "Folyant"), "PDFFileName", "C:\\m.pdf");
  char buffer[64];
  ASSERT_NE(ReadSettingString("Folyant", buffer, sizeof buffer, "PDFFileName", false), nullptr);
  EXPECT_STREQ(buffer, "C:\\m.pdf");
  EXPECT_EQ(ReadSettingString("Folyant", buffer, sizeof buffer, "PDFFileName", true), nullptr);
  EXPECT_NE(Value(Key(kMachine, "Folyant"), "PDFFileName"), nullptr);
}

// A deleting DWORD lookup clears the name in every key it opens up to the one that
// answers, even a copy too large to count; keys behind that one keep theirs.
TEST_F(SettingsStoreTest, DeletingDwordLookupClearsEveryKeyUpToTheAnswer) {
  machine().registry.SetValue(Key(kLegacy, "Folyant"), "persistent", os::kRegBinary, {1, 2, 3, 4, 5, 6, 7, 8});
  machine().registry.SetDword(Key(kUser, "Folyant"), "persistent", 1);
  machine().registry.SetDword(Key(kMachine, "Folyant"), "persistent", 2);
  RunProgram("-stopautoname");
  EXPECT_EQ(Value(Key(kLegacy, "Folyant"), "persistent"), nullptr);
  EXPECT_EQ(Value(Key(kUser, "Folyant"), "persistent"), nullptr);
  EXPECT_NE(Value(Key(kMachine, "Folyant"), "persistent"), nullptr);
}

// A string lookup for a printer without keys leaves its user keys behind, empty, and
// falls back to the keys of "Folyant".
TEST_F(SettingsStoreTest, StringLookupCreatesTheUserKeysItWalks) {
  machine().registry.SetString(Key(kUser, "Folyant"), "PDFFileName", "C:\\out.pdf");
  char buffer[520];
  EXPECT_EQ(ReadSettingString("Office", buffer, sizeof buffer, "PDFFileName", false), buffer);
  EXPECT_STREQ(buffer, "C:\\out.pdf");
  for (const char* prefix : {kLegacy, kUser}) {
    const sim::RegistryKeyState* key = machine().registry.FindKey(Key(prefix, "Office"));
    ASSERT_NE(key, nullptr) << prefix;
    EXPECT_TRUE(key->values.empty());
  }
  EXPECT_EQ(ReadSettingString("Office", buffer, sizeof buffer, "Missing", false), nullptr);
  EXPECT_STREQ(buffer, "");
}

// A REG_EXPAND_SZ comes back expanded; one whose expansion does not fit comes back as stored.
TEST_F(SettingsStoreTest, ExpandableStringsAreExpandedWithinTheBuffer) {
  machine().registry.SetString(Key(kUser, "Folyant"), "PDFFileName", "%USERPROFILE%\\out.pdf", os::kRegExpandSz);
  char buffer[520];
  ASSERT_NE(ReadSettingString("Folyant", buffer, sizeof buffer, "PDFFileName", false), nullptr);
  EXPECT_STREQ(buffer, "C:\\Users\\user\\out.pdf");

  machine().registry.SetString(Key(kUser, "Folyant"), "PDFFileName", "%APPDATA%\\out.pdf", os::kRegExpandSz);
  char small[24];
  ASSERT_NE(ReadSettingString("Folyant", small, sizeof small, "PDFFileName", false), nullptr);
  EXPECT_STREQ(small, "%APPDATA%\\out.pdf");
}

// A string stored without its NUL is terminated when there is room, and skipped when there is not.
TEST_F(SettingsStoreTest, UnterminatedStringsStayWithinTheBuffer) {
  machine().registry.SetValue(Key(kLegacy, "Folyant"), "PDFFileName", os::kRegSz, Text("ABCDEFGH"));
  char buffer[16];
  std::fill(std::begin(buffer), std::end(buffer), 'x');
  ASSERT_NE(ReadSettingString("Folyant", buffer, sizeof buffer, "PDFFileName", false), nullptr);
  EXPECT_STREQ(buffer, "ABCDEFGH");

  machine().registry.SetString(Key(kUser, "Folyant"), "PDFFileName", "short");
  char exact[8];
  ASSERT_NE(ReadSettingString("Folyant", exact, sizeof exact, "PDFFileName", true), nullptr);
  EXPECT_STREQ(exact, "short") << "the 8 bytes leave no room for a NUL: the next key answers";
  EXPECT_NE(Value(Key(kLegacy, "Folyant"), "PDFFileName"), nullptr) << "what was not taken is not deleted";
  EXPECT_EQ(Value(Key(kUser, "Folyant"), "PDFFileName"), nullptr);
}

// Names too long for a 260-byte key path lose only the keys that do not fit; none is cut.
TEST_F(SettingsStoreTest, OverlongKeyPathsArePassedOver) {
  std::string name(220, 'n');  // fits "Software\Vesk Harrow Systems\", not the legacy prefix
  char buffer[64];
  EXPECT_EQ(ReadSettingString(name.c_str(), buffer, sizeof buffer, "PDFFileName", false), nullptr);
  EXPECT_TRUE(machine().registry.KeyExists(Key(kUser, name)));
  EXPECT_EQ(machine().registry.KeysUnder(Key(kLegacy, "")).size(), 1u) << "only the key of Folyant";

  std::string longer(240, 'n');
  machine().registry.SetString(Key(kUser, "Folyant"), "PDFFileName", "fallback");
  ASSERT_NE(ReadSettingString(longer.c_str(), buffer, sizeof buffer, "PDFFileName", false), nullptr);
  EXPECT_STREQ(buffer, "fallback");
  EXPECT_EQ(machine().registry.KeysUnder(Key(kUser, "")).size(), 2u) << "Folyant and the 220-character name";
}

// -stopautoname without product printers: one blank in both user keys, and the naming values gone.
TEST_F(SettingsStoreTest, StopAutoNameClearsTheProductSettings) {
  machine().registry.SetString(Key(kUser, "Folyant"), "PDFFileName", "C:\\out.pdf");
  machine().registry.SetDword(Key(kUser, "Folyant"), "persistent", 1);
  machine().registry.SetString(Key(kUser, "Folyant"), "PDFDefaultFileName", "");
  machine().registry.SetDword(Key(kUser, "Folyant"), "EventLogFlags", 255);

  EXPECT_EQ(RunProgram("-stopautoname -addprinter"), 0);
  EXPECT_EQ(StringValue(Key(kUser, "Folyant"), "PDFDefaultFileName"), std::string(" \0", 2));
  EXPECT_EQ(StringValue(Key(kUser, "Glimmora"), "PDFDefaultFileName"), std::string(" \0", 2));
  EXPECT_EQ(Value(Key(kUser, "Folyant"), "PDFFileName"), nullptr);
  EXPECT_EQ(Value(Key(kUser, "Folyant"), "persistent"), nullptr);
  EXPECT_NE(Value(Key(kUser, "Folyant"), "EventLogFlags"), nullptr);
  EXPECT_TRUE(LogTexts().empty());
  EXPECT_TRUE(machine().printers.empty()) << "only StopAutoName ran";
}

// Product printers get one blank; printers on the native driver and Glimmora are left alone.
TEST_F(SettingsStoreTest, StopAutoNameCoversProductPrinters) {
  AddPrinter("Office", "Folyant-A");
  AddPrinter("Lodestar", "lodestar pdf writer");
  AddPrinter("Plain", "Folyant Writer");
  AddPrinter("Glimmora", "Folyant-A");
  SaveStringRegEx(os::HkeyCurrentUser(), "Software\\Vesk Harrow Systems\\Office", "PDFDefaultFileName", "", os::kRegSz);
  machine().registry.SetString(Key(kLegacy, "Lodestar"), "PDFFileName", "C:\\l.pdf");
  machine().registry.SetString(Key(kUser, "Plain"), "PDFFileName", "C:\\p.pdf");

  RunProgram("-stopautoname");
  EXPECT_EQ(StringValue(Key(kUser, "Office"), "PDFDefaultFileName"), std::string(" \0", 2));
  EXPECT_EQ(StringValue(Key(kUser, "Lodestar"), "PDFDefaultFileName"), std::string(" \0", 2));
  EXPECT_EQ(Value(Key(kLegacy, "Lodestar"), "PDFFileName"), nullptr);
  EXPECT_EQ(StringValue(Key(kUser, "Plain"), "PDFFileName"), std::string("C:\\p.pdf\0", 9));
  EXPECT_EQ(Value(Key(kUser, "Plain"), "PDFDefaultFileName"), nullptr);
  EXPECT_FALSE(machine().registry.KeyExists(Key(kLegacy, "Plain"))) << "no lookup for a native printer";
}

// A printer with no naming values of its own falls back into the keys of "Folyant"; the
// product's blank must still stand at the end, and a stale value there is still removed.
TEST_F(SettingsStoreTest, StopAutoNameKeepsTheProductBlankWhenAPrinterFallsBack) {
  AddPrinter("Office", "Folyant-A");
  machine().registry.SetString(Key(kUser, "Folyant"), "PDFDefaultFileName", "report.pdf");

  RunProgram("-stopautoname");
  EXPECT_EQ(StringValue(Key(kUser, "Folyant"), "PDFDefaultFileName"), std::string(" \0", 2));
  EXPECT_EQ(StringValue(Key(kUser, "Glimmora"), "PDFDefaultFileName"), std::string(" \0", 2));
  EXPECT_EQ(StringValue(Key(kUser, "Office"), "PDFDefaultFileName"), std::string(" \0", 2));
}

// A product printer whose settings key cannot fit its buffer is reported, not written
// elsewhere; the printers are walked from the last to the first.
TEST_F(SettingsStoreTest, StopAutoNameRefusesOverlongPrinterKeys) {
  std::string first(240, 'p');
  std::string last(240, 'q');
  AddPrinter(first, "Folyant-A");
  AddPrinter(last, "Lodestar PDF Writer");
  RunProgram("-stopautoname");
  ASSERT_EQ(machine().eventLog.size(), 2u);
  EXPECT_EQ(machine().eventLog[0].type, os::kEventlogWarningType);
  EXPECT_EQ(machine().eventLog[0].text, "StopAutoName: settings key of printer " + last + " is too long, not written");
  EXPECT_EQ(machine().eventLog[1].type, os::kEventlogWarningType);
  EXPECT_EQ(machine().eventLog[1].text, "StopAutoName: settings key of printer " + first + " is too long, not written");
  EXPECT_EQ(machine().registry.KeysUnder(Key(kUser, "")).size(), 2u) << "Folyant and Glimmora only";
}

// When the printer list cannot be allocated, the product's blanks are still written and
// no printer is touched.
TEST_F(SettingsStoreTest, StopAutoNameWithoutPrinterListStillWritesTheBlanks) {
  AddPrinter("Office", "Folyant-A");
  machine().registry.SetString(Key(kUser, "Folyant"), "PDFFileName", "C:\\out.pdf");
  machine().FailCall("LocalAlloc", 8);
  RunProgram("-stopautoname");
  EXPECT_EQ(StringValue(Key(kUser, "Folyant"), "PDFDefaultFileName"), std::string(" \0", 2));
  EXPECT_EQ(StringValue(Key(kUser, "Glimmora"), "PDFDefaultFileName"), std::string(" \0", 2));
  EXPECT_EQ(Value(Key(kUser, "Folyant"), "PDFFileName"), nullptr);
  EXPECT_FALSE(machine().registry.KeyExists(Key(kUser, "Office")));
  EXPECT_TRUE(LogTexts().empty());
}

// Before Windows 10 the printer key and its PrinterDriverData carry a NULL DACL afterwards.
TEST_F(SettingsStoreTest, PrinterKeysAreOpenedBeforeWindows10) {
  machine().registry.CreateKey(Key(kPrinters, "Folyant\\PrinterDriverData"));
  EXPECT_TRUE(SetPrinterKeySecurity("Folyant"));
  EXPECT_TRUE(machine().registry.FindKey(Key(kPrinters, "Folyant"))->nullDacl);
  EXPECT_TRUE(machine().registry.FindKey(Key(kPrinters, "Folyant\\PrinterDriverData"))->nullDacl);
  EXPECT_FALSE(machine().registry.FindKey(Key(kPrinters, ""))->nullDacl);
  EXPECT_EQ(CallsTo("MakeSelfRelativeSD"), 1);
  EXPECT_TRUE(SetPrinterKeySecurity("Folyant"));
  EXPECT_EQ(CallsTo("MakeSelfRelativeSD"), 1) << "the descriptor is built once";
}

// Windows 10 and later keep the spooler's own security.
TEST_F(SettingsStoreTest, PrinterKeysAreLeftAloneOnWindows10) {
  machine().version = sim::kWindows10;
  machine().registry.CreateKey(Key(kPrinters, "Folyant\\PrinterDriverData"));
  EXPECT_TRUE(SetPrinterKeySecurity("Folyant"));
  EXPECT_EQ(machine().registry.FindKey(Key(kPrinters, "Folyant"))->securityWrites, 0);
  EXPECT_EQ(machine().registry.FindKey(Key(kPrinters, "Folyant\\PrinterDriverData"))->securityWrites, 0);
}

// The result tells only whether the printers key opened; a missing printer changes nothing.
TEST_F(SettingsStoreTest, PrinterKeySecurityResultAndMissingKeys) {
  EXPECT_TRUE(SetPrinterKeySecurity("Nobody"));
  EXPECT_FALSE(machine().registry.FindKey(Key(kPrinters, ""))->nullDacl);
  EXPECT_TRUE(SetPrinterKeySecurity(""));
  EXPECT_EQ(machine().registry.FindKey(Key(kPrinters, ""))->securityWrites, 0) << "no name opens nothing";
  machine().registry.DeleteKey(Key(kPrinters, ""));
  EXPECT_FALSE(SetPrinterKeySecurity("Folyant"));
}

// A descriptor that could not be built sets no security, and the next request builds it.
TEST_F(SettingsStoreTest, FailedDescriptorIsRetried) {
  machine().registry.CreateKey(Key(kPrinters, "Folyant\\PrinterDriverData"));
  machine().FailCall("MakeSelfRelativeSD", os::kErrorInsufficientBuffer, 0, 1);
  EXPECT_EQ(GetOpenSecurityDescriptor(), nullptr);
  EXPECT_TRUE(SetPrinterKeySecurity("Folyant"));
  EXPECT_TRUE(machine().registry.FindKey(Key(kPrinters, "Folyant"))->nullDacl);
  EXPECT_NE(GetOpenSecurityDescriptor(), nullptr);
}

namespace {
class RegistrySeamTest : public SimTest {};
}  // namespace

// Rights are checked per handle: a read handle cannot write, and a key granting only
// reading refuses an open for all access (generic rights folded in).
TEST_F(RegistrySeamTest, AccessIsCheckedAsWindowsDoes) {
  machine().registry.CreateKey("HKLM\\Software\\Locked").grantedAccess = os::kKeyRead;
  os::RegistryKey opened = nullptr;
  EXPECT_EQ(os::RegOpenKeyExA(os::HkeyLocalMachine(), "Software\\Locked", 0, os::kKeyAllAccess, &opened),
            static_cast<int32_t>(os::kErrorAccessDenied));
  EXPECT_EQ(opened, nullptr);
  EXPECT_EQ(os::RegOpenKeyExA(os::HkeyLocalMachine(), "Software\\Locked", 0, 0x40000000u, &opened),
            static_cast<int32_t>(os::kErrorAccessDenied))
      << "GENERIC_WRITE";
  ASSERT_EQ(os::RegOpenKeyExA(os::HkeyLocalMachine(), "Software\\Locked", 0, os::kMaximumAllowed, &opened), 0);
  os::OwnedRegistryKey key(opened);
  const uint8_t byte = 1;
  EXPECT_EQ(os::RegSetValueExA(key.get(), "V", os::kRegBinary, &byte, 1), static_cast<int32_t>(os::kErrorAccessDenied));
  EXPECT_EQ(os::RegSetKeySecurity(key.get(), os::kDaclSecurityInformation, GetOpenSecurityDescriptor()),
            static_cast<int32_t>(os::kErrorAccessDenied));
  EXPECT_EQ(os::RegCreateKeyExA(key.get(), "Child", 0, os::kKeyRead, &opened, nullptr),
            static_cast<int32_t>(os::kErrorAccessDenied));
  EXPECT_EQ(os::RegCloseKey(os::HkeyLocalMachine()), 0) << "predefined keys close without effect";
}

// A key name component holds at most 255 characters.
TEST_F(RegistrySeamTest, KeyNameComponentsAreLimited) {
  os::RegistryKey opened = nullptr;
  std::string fits = "Software\\" + std::string(255, 'k');
  std::string tooLong = "Software\\" + std::string(256, 'k');
  ASSERT_EQ(os::RegCreateKeyExA(os::HkeyCurrentUser(), fits.c_str(), 0, os::kKeyWrite, &opened, nullptr), 0);
  os::RegCloseKey(opened);
  EXPECT_EQ(os::RegCreateKeyExA(os::HkeyCurrentUser(), tooLong.c_str(), 0, os::kKeyWrite, &opened, nullptr),
            static_cast<int32_t>(os::kErrorInvalidParameter));
  EXPECT_EQ(os::RegOpenKeyExA(os::HkeyCurrentUser(), tooLong.c_str(), 0, os::kKeyRead, &opened),
            static_cast<int32_t>(os::kErrorFileNotFound));
}
