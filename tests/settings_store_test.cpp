// The settings store, its lookup chain, -stopautoname and printer-key security, on the real registry.
#include "install/settings_store.h"

#include <windows.h>

#include <string>
#include <tuple>

#include "support/wine_test.h"

const std::string kLegacy = "Software\\VB and VBA Program Settings\\Vesk Harrow Systems\\";
const std::string kUser = "Software\\Vesk Harrow Systems\\";
const std::string kPrinters = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";
const std::string kBlank("1: \0", 4);

struct SettingsStoreTest : WineTest {
  // The i-th key of the chain of `name`: its legacy, user and machine keys, then those of "Folyant".
  static std::pair<uintptr_t, std::string> ChainKey(const std::string& name, int i) {
    return {i % 3 == 2 ? kLocalMachine : kCurrentUser, (i % 3 == 0 ? kLegacy : kUser) + (i < 3 ? name : "Folyant")};
  }
  // A value of the i-th key of the chain of `name`, as "type:bytes", or "-".
  static std::string Stored(const std::string& name, int i, const char* value) {
    Value read = ReadValue(ChainKey(name, i).first, ChainKey(name, i).second, value);
    return read.present ? std::to_string(read.type) + ":" + read.bytes : "-";
  }
  // ReadSettingString into `capacity` bytes followed by a guard byte that must stay untouched.
  static std::string Read(const std::string& name, const char* value, uint32_t capacity = 64, bool del = false) {
    std::string area(capacity + 1, 'x');
    char* got = ReadSettingString(name.c_str(), area.data(), capacity, value, del);
    EXPECT_TRUE(area[capacity] == 'x' && (got != nullptr || area[0] == '\0')) << "past the buffer, or not emptied";
    return got != nullptr ? std::string(got) : "-";
  }
  // The key's owner, group and DACL as the real RegGetKeySecurity reads them.
  static std::string Security(const std::string& key) {
    HKEY opened = nullptr;
    ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kPrinters + key).c_str(), 0, READ_CONTROL, &opened);
    std::string descriptor(4096, '\0');
    DWORD size = descriptor.size();
    SECURITY_INFORMATION parts = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    descriptor.resize(::RegGetKeySecurity(opened, parts, descriptor.data(), &size) == 0 ? size : 0);
    ::RegCloseKey(opened);
    return descriptor;
  }
  // A token of an account in Everyone and Users only: its other groups deny-only.
  static HANDLE RestrictedToken() {
    HANDLE process = nullptr, restricted = nullptr, token = nullptr;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, &process);
    std::vector<BYTE> groups(4096);
    DWORD size = 0;
    ::GetTokenInformation(process, TokenGroups, groups.data(), groups.size(), &size);
    std::vector<SID_AND_ATTRIBUTES> disabled;
    const auto* held = reinterpret_cast<TOKEN_GROUPS*>(groups.data());
    for (DWORD i = 0; i < held->GroupCount; ++i) {
      PSID sid = held->Groups[i].Sid;
      if (!::IsWellKnownSid(sid, WinWorldSid) && !::IsWellKnownSid(sid, WinBuiltinUsersSid))
        disabled.push_back(held->Groups[i]);
    }
    ::CreateRestrictedToken(process, 0, disabled.size(), disabled.data(), 0, nullptr, 0, nullptr, &restricted);
    ::DuplicateToken(restricted, SecurityImpersonation, &token);
    for (HANDLE h : {process, restricted}) ::CloseHandle(h);
    return token;
  }
  // What that account may open the key for ("rclsdwo": read, create subkeys or links, set values,
  // delete, change rights, take over), the product's judgement of the descriptor read back, and
  // whether Administrators own the key.
  static std::string Rights(const std::string& key) {
    std::string descriptor = Security(key);
    if (descriptor.empty()) return "unreadable";
    std::string rights;
    HANDLE token = RestrictedToken();
    ::SetThreadToken(nullptr, token);
    const DWORD wanted[] = {KEY_READ, KEY_CREATE_SUB_KEY, KEY_CREATE_LINK, KEY_SET_VALUE,
                            DELETE,   WRITE_DAC,          WRITE_OWNER};
    for (size_t i = 0; i < std::size(wanted); ++i) {
      HKEY opened = nullptr;
      if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kPrinters + key).c_str(), 0, wanted[i], &opened) != 0) continue;
      rights += "rclsdwo"[i];
      ::RegCloseKey(opened);
    }
    ::SetThreadToken(nullptr, nullptr);
    ::CloseHandle(token);
    const KeyRights judged = JudgeKeyRights(reinterpret_cast<const uint8_t*>(descriptor.data()), descriptor.size(),
                                            key.ends_with("PrinterDriverData"));
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    const bool administrators = ::GetSecurityDescriptorOwner(descriptor.data(), &owner, &defaulted) &&
                                owner != nullptr && ::IsWellKnownSid(owner, WinBuiltinAdministratorsSid);
    return rights + (judged == KeyRights::Closed ? " closed" : " open") + (administrators ? "" : " not theirs");
  }
};

// Strings keep their NUL, DWORDs are 4 bytes; a failing string step is one error line, a DWORD's none.
TEST_F(SettingsStoreTest, SaveValues) {
  const std::string key = kUser + "Office";
  EXPECT_TRUE(SaveStringRegEx(os::HkeyCurrentUser(), key.c_str(), "Name", nullptr, os::kRegSz));
  EXPECT_TRUE(SaveStringRegEx(os::HkeyCurrentUser(), key.c_str(), "Path", "%TEMP%\\x", os::kRegExpandSz));
  EXPECT_TRUE(SaveDwordReg(key.c_str(), "Flags", 255));
  EXPECT_EQ(Stored("Office", 1, "Name"), std::string("1:\0", 3));
  EXPECT_EQ(Stored("Office", 1, "Path"), std::string("2:%TEMP%\\x\0", 11));
  EXPECT_EQ(Stored("Office", 1, "Flags"), std::string("4:\xff\0\0\0", 6));
  for (const char* failingCall : {"RegCreateKeyExA", "RegSetValueExA"}) {
    SCOPED_TRACE(failingCall);
    substitute::FailCall(failingCall, 1018, 0, 2);
    EXPECT_FALSE(SaveStringRegEx(os::HkeyCurrentUser(), key.c_str(), "Other", "x", os::kRegSz));
    EXPECT_FALSE(SaveDwordReg(key.c_str(), "Other", 1));
  }
  EXPECT_EQ(Logged(), (Events{{kError, "veskreg SaveStringRegEx: failed to create key " + key + ", error 0x3fa"},
                              {kError, "veskreg SaveStringRegEx: failed to set value Other, error 0x3fa"}}));
}

// Six keys in order, a deleting lookup taking the first copy only; a DWORD lookup creates no key.
TEST_F(SettingsStoreTest, LookupChain) {
  for (int i = 0; i < 6; ++i) {
    WriteDword(ChainKey("Office", i).first, ChainKey("Office", i).second, "persistent", i + 1);
    WriteString(ChainKey("Office", i).first, ChainKey("Office", i).second, "PDFFileName", std::to_string(i + 1));
  }
  uint32_t value = 0;
  for (uint32_t i = 0; i <= 7; ++i) {  // first a lookup without delete
    SCOPED_TRACE(i);
    EXPECT_EQ(ReadSettingDword("Office", "persistent", &value, i > 0), i < 7);
    EXPECT_EQ(Read("Office", "PDFFileName", 64, i > 0), i == 7 ? "-" : std::to_string(i > 0 ? i : 1));
    EXPECT_EQ(value, i == 0 ? 1 : i < 7 ? i : 6);
  }
  EXPECT_FALSE(ReadSettingDword("Desk", "persistent", &value, false) || KeyExists(kCurrentUser, kUser + "Desk"));
  substitute::Reset();
  EXPECT_FALSE(ReadSettingDword("FOLYANT", "absent", &value, false) || ReadSettingDword("", "absent", &value, false));
  EXPECT_EQ(substitute::Calls("RegOpenKeyExA").size(), 6u);
}

// A short DWORD leaves no stale bytes; a string too long for the buffer leaves it to the next key.
TEST_F(SettingsStoreTest, ValuesOfTheWrongSize) {
  WriteValue(kCurrentUser, kUser + "Folyant", "persistent", REG_BINARY, std::string("\7\0", 2));
  uint32_t value = 0xFFFFFFFF;
  EXPECT_EQ(ReadSettingDword("Folyant", "persistent", &value, false) ? value : 0u, 7u);
  const std::tuple<uint32_t, std::string, uint32_t, std::string> rows[] = {
      // Bytes without a terminator; the registry would count the NUL behind a string in.
      {REG_BINARY, "ABCDEFG", 8, "ABCDEFG"},
      {REG_BINARY, "ABCDEFGH", 8, "short"},
      {REG_SZ, std::string("1234567\0", 8), 8, "1234567"},
      {REG_EXPAND_SZ, std::string("%windir%\0", 9), 11, "C:\\windows"},
      {REG_EXPAND_SZ, std::string("%windir%\0", 9), 10, "%windir%"},
  };
  for (const auto& [type, bytes, capacity, expected] : rows) {
    SCOPED_TRACE(expected);
    WriteValue(kCurrentUser, kLegacy + "Folyant", "PDFFileName", type, bytes);
    WriteString(kCurrentUser, kUser + "Folyant", "PDFFileName", "short");
    EXPECT_EQ(Read("Folyant", "PDFFileName", capacity, true), expected);
    EXPECT_EQ(Stored("Folyant", 0, "PDFFileName") == "-", expected != "short") << "only what was taken goes";
  }
}

// -stopautoname takes the naming values of "Folyant", "Glimmora" and each product printer from
// every key and leaves one blank in the user key; key paths over 259 characters are passed over.
TEST_F(SettingsStoreTest, StopAutoName) {
  for (auto [name, driver] : {std::pair{"Office", "Folyant-A"}, {"Desk", "KRV PDF Pro"}, {"Plain", "Folyant Writer"}})
    ArrangePrinter(name, driver);
  WriteValue(kCurrentUser, kLegacy + "Folyant", "persistent", REG_BINARY, "12345678");
  WriteDword(kCurrentUser, kUser + "Folyant", "persistent", 1);
  for (auto [root, key] : {std::pair{kCurrentUser, kLegacy + "Folyant"}, {kLocalMachine, kUser + "Folyant"}}) {
    WriteString(root, key, "PDFFileName", "C:\\out.pdf");
    WriteString(root, key, "PDFDefaultFileName", "report");
  }
  WriteString(kCurrentUser, kUser + "Glimmora", "PDFFileName", "C:\\g.png");
  WriteString(kCurrentUser, kLegacy + "Glimmora", "PDFDefaultFileName", "image");
  WriteString(kCurrentUser, kLegacy + "Office", "PDFFileName", "C:\\o.pdf");
  WriteString(kLocalMachine, kUser + "Office", "PDFDefaultFileName", "office");
  EXPECT_EQ(RunProgram("-stopautoname"), 0);
  for (const char* name : {"Folyant", "Glimmora", "Office", "Desk"})
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(Stored(name, i, "PDFFileName") + Stored(name, i, "PDFDefaultFileName"), i == 1 ? "-" + kBlank : "--")
          << name << i;
  EXPECT_EQ(Stored("Folyant", 0, "persistent") + Stored("Folyant", 1, "persistent"), "--") << "the 8-byte copy too";
  EXPECT_FALSE(KeyExists(kCurrentUser, kUser + "Plain") || KeyExists(kCurrentUser, kLegacy + "Plain"));

  const std::string legacyFits(202, 'a'), legacyOver(203, 'b'), userFits(230, 'c'), first(231, 'p'), last(231, 'q');
  for (const std::string& name : {legacyFits, legacyOver, userFits, first, last}) ArrangePrinter(name, "Folyant-A");
  EXPECT_EQ(RunProgram("-stopautoname"), 0);
  const std::string warning = "StopAutoName: settings key of printer ";
  EXPECT_EQ(Logged(), (Events{{kWarning, warning + last + " is too long, not written"},
                              {kWarning, warning + first + " is too long, not written"}}));
  EXPECT_TRUE(KeyExists(kCurrentUser, kLegacy + legacyFits) && KeyExists(kLocalMachine, kUser + legacyOver));
  EXPECT_EQ(Stored(userFits, 1, "PDFDefaultFileName"), kBlank);
  EXPECT_FALSE(KeyExists(kCurrentUser, kLegacy + legacyOver) || KeyExists(kCurrentUser, kUser + first));
}

// Before Windows 10 the printer key is Administrators' and others only read it (and set its
// PrinterDriverData's values); Windows 10 keeps the spooler's; a failing step leaves its key.
TEST_F(SettingsStoreTest, PrinterKeySecurity) {
  const std::string asBefore = "as before";
  // version, printer, failing call and calls let pass; result, the printer key's and its
  // PrinterDriverData's rights for an unprivileged account
  using Outcome = std::tuple<bool, std::string, std::string>;
  // clang-format off
  const std::tuple<uint32_t, const char*, const char*, int, Outcome> rows[] = {
      {substitute::kWindows7, "Folyant", nullptr, 0, {true, "r closed", "rs closed"}},
      {substitute::kWindows81, "Folyant", nullptr, 0, {true, "r closed", "rs closed"}},
      {substitute::kWindows10, "Folyant", nullptr, 0, {true, asBefore, asBefore}},
      {substitute::kWindows7, "", nullptr, 0, {true, asBefore, asBefore}},
      {substitute::kWindows7, "Folyant", "RegOpenKeyExA", 0, {true, "r closed", asBefore}},     // the printer's, to read
      {substitute::kWindows7, "Folyant", "RegOpenKeyExA", 1, {true, "r closed", asBefore}},     // its data, to secure
      {substitute::kWindows7, "Folyant", "RegOpenKeyExA", 2, {false, asBefore, "rs closed"}},   // the Printers key
      {substitute::kWindows7, "Folyant", "RegOpenKeyExA", 3, {true, asBefore, "rs closed"}},    // the printer's, to secure
      {substitute::kWindows7, "Folyant", "RegSetKeySecurity", 0, {true, "r closed", asBefore}},
      {substitute::kWindows7, "Folyant", "ConvertStringSecurityDescriptorToSecurityDescriptorA", 1, {true, asBefore, "rs closed"}},
  };
  // clang-format on
  for (const auto& [version, printer, failingCall, skip, expected] : rows) {
    SCOPED_TRACE(testing::PrintToString(std::tuple(version, printer, failingCall, skip)));
    ArrangePrinter("Folyant", "Folyant-A");
    // Wine's spooler makes no PrinterDriverData for a new printer.
    WriteDword(kLocalMachine, kPrinters + "\\Folyant\\PrinterDriverData", "Arranged", 1);
    const std::string printers = Security(""), key = Security("\\Folyant"),
                      data = Security("\\Folyant\\PrinterDriverData");
    substitute::AnswerAsWindows(version, false);
    if (failingCall != nullptr) substitute::FailCall(failingCall, 5, skip, 1);
    const bool result = SetPrinterKeySecurity(printer);
    auto state = [&](const std::string& k, const std::string& before) {
      return Security(k) == before ? asBefore : Rights(k);
    };
    EXPECT_EQ((Outcome{result, state("\\Folyant", key), state("\\Folyant\\PrinterDriverData", data)}), expected);
    EXPECT_TRUE(Security("") == printers && Logged().empty());
    Fresh();
  }
  // The installer's own command line gives the created printer the same rights.
  substitute::AnswerAsWindows(substitute::kWindows7, true);
  EXPECT_EQ(RunProgram("-addxpsprinter -printername=\"Folyant\""), 0);
  EXPECT_EQ(Rights("\\Folyant"), "r closed");
}
