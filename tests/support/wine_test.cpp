#include "support/wine_test.h"

#include <shlobj.h>

#include "app/veskreg_app.h"
#include "platform/window.h"
#include "support/spooler_listing.h"

namespace {

HKEY Root(uintptr_t root) { return reinterpret_cast<HKEY>(root); }

using listing::DriverNames;
using listing::Printers;

// What `read` takes from the named printer's record, or `absent` when there is none.
template <typename T, typename Read>
T FromPrinter(const std::string& name, T absent, Read read) {
  std::vector<BYTE> block;
  for (const PRINTER_INFO_2A& p : Printers(block)) {
    if (::lstrcmpiA(p.pPrinterName, name.c_str()) == 0) return read(p);
  }
  return absent;
}

std::string Text(const char* text) { return text != nullptr ? text : ""; }

std::set<std::string> PrinterNames() {
  std::vector<BYTE> block;
  std::set<std::string> names;
  for (const PRINTER_INFO_2A& p : Printers(block)) names.insert(p.pPrinterName);
  return names;
}

std::vector<MONITOR_INFO_2A> Monitors(std::vector<BYTE>& block) {
  DWORD needed = 0, count = 0;
  ::EnumMonitorsA(nullptr, 2, nullptr, 0, &needed, &count);
  block.assign(needed + 1, 0);
  if (!::EnumMonitorsA(nullptr, 2, block.data(), needed, &needed, &count)) return {};
  const auto* first = reinterpret_cast<const MONITOR_INFO_2A*>(block.data());
  return {first, first + count};
}

std::set<std::string> MonitorNames() {
  std::vector<BYTE> block;
  std::set<std::string> names;
  for (const MONITOR_INFO_2A& m : Monitors(block)) names.insert(m.pName);
  return names;
}

std::set<std::string> Links(const std::string& folder) {
  std::set<std::string> links;
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return links;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) links.insert(found.cFileName);
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
  return links;
}

// The keys a case may leave behind: the product's settings in every place the chain reads.
constexpr const char* kSettingsKeys[] = {"Software\\Vesk Harrow Systems",
                                         "Software\\VB and VBA Program Settings\\Vesk Harrow Systems"};

}  // namespace

void WineTest::SetUp() {
  substitute::Reset();
  substitute::UnfiredFaults();
  printersBefore_ = PrinterNames();
  driversBefore_ = DriverNames("Windows NT x86");
  driversX64Before_ = DriverNames("Windows x64");
  monitorsBefore_ = MonitorNames();
  linksBefore_ = Links(SendToFolder());
  BYTE keys[256] = {};
  ::SetKeyboardState(keys);
}

void WineTest::TearDown() {
  EXPECT_EQ(substitute::DescribeOpen(), "") << "left open by the logic";
  EXPECT_EQ(substitute::UnfiredFaults(), "") << "chosen to fail, never called";
  substitute::Reset();
  // Back to what the case found: what it added goes, in the order the spooler allows.
  for (const std::string& name : PrinterNames()) {
    if (printersBefore_.count(name) != 0) continue;
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSA all{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (::OpenPrinterA(const_cast<char*>(name.c_str()), &printer, &all)) {
      ::DeletePrinter(printer);
      ::ClosePrinter(printer);
    }
  }
  for (const char* environment : {"Windows NT x86", "Windows x64"}) {
    const auto& before = std::string(environment) == "Windows x64" ? driversX64Before_ : driversBefore_;
    for (const std::string& name : DriverNames(environment)) {
      if (before.count(name) == 0) {
        ::DeletePrinterDriverA(nullptr, const_cast<char*>(environment), const_cast<char*>(name.c_str()));
      }
    }
  }
  for (const std::string& name : MonitorNames()) {
    if (monitorsBefore_.count(name) == 0) ::DeleteMonitorA(nullptr, nullptr, const_cast<char*>(name.c_str()));
  }
  for (const std::string& link : Links(SendToFolder())) {
    if (linksBefore_.count(link) == 0) ::DeleteFileA((SendToFolder() + "\\" + link).c_str());
  }
  for (uintptr_t root : {kCurrentUser, kLocalMachine}) {
    for (const char* key : kSettingsKeys) DeleteKeyTree(root, key);
  }
  BYTE keys[256] = {};
  ::SetKeyboardState(keys);
}

int WineTest::RunProgram(const char* commandLine) {
  CVeskregApp app;
  return os::RunApplication(app, commandLine);
}

WineTest::Events WineTest::Logged() const {
  Events events;
  for (const substitute::Call& c : substitute::Calls("ReportEventA")) {
    events.emplace_back(static_cast<uint16_t>(c.number & 0xFF), c.subject);
  }
  return events;
}

std::vector<std::string> WineTest::Transcript() const {
  std::vector<std::string> lines;
  for (const substitute::Call& c : substitute::Journal()) {
    const uint32_t type = c.number & 0xFF;
    if (c.call == "ReportEventA")
      lines.push_back((type == 1 ? "error " : type == 2 ? "warning " : "info ") + c.subject);
    if (c.call == "MessageBoxA") lines.push_back("box " + c.detail + " " + std::to_string(c.number) + ": " + c.subject);
  }
  return lines;
}

bool WineTest::PrinterExists(const std::string& name) { return PrinterNames().count(name) != 0; }

std::string WineTest::PrinterPort(const std::string& name) {
  return FromPrinter<std::string>(name, "", [](const PRINTER_INFO_2A& p) { return Text(p.pPortName); });
}

std::string WineTest::PrinterDriver(const std::string& name) {
  return FromPrinter<std::string>(name, "", [](const PRINTER_INFO_2A& p) { return Text(p.pDriverName); });
}

uint32_t WineTest::PrinterAttributes(const std::string& name) {
  return FromPrinter<uint32_t>(name, 0, [](const PRINTER_INFO_2A& p) { return uint32_t{p.Attributes}; });
}

bool WineTest::DriverExists(const std::string& name, const char* environment) {
  return DriverNames(environment).count(name) != 0;
}

std::string WineTest::MonitorLibrary(const std::string& name) {
  std::vector<BYTE> block;
  for (const MONITOR_INFO_2A& m : Monitors(block)) {
    if (name == m.pName) return m.pDLLName != nullptr ? m.pDLLName : "";
  }
  return "";
}

void WineTest::ArrangeDriver(const std::string& name, const char* environment, const char* driverFile) {
  DRIVER_INFO_3A info{};
  info.cVersion = 3;
  info.pName = const_cast<char*>(name.c_str());
  info.pEnvironment = const_cast<char*>(environment);
  info.pDriverPath = const_cast<char*>(driverFile);
  info.pDataFile = const_cast<char*>("folyant.ppd");
  info.pConfigFile = const_cast<char*>(driverFile);
  ASSERT_TRUE(::AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&info))) << name << " " << ::GetLastError();
}

void WineTest::ArrangePrinter(const std::string& name, const std::string& driver, const char* port) {
  if (!DriverExists(driver)) ArrangeDriver(driver);
  PRINTER_INFO_2A info{};
  info.pPrinterName = const_cast<char*>(name.c_str());
  info.pPortName = const_cast<char*>(port);
  info.pDriverName = const_cast<char*>(driver.c_str());
  info.pPrintProcessor = const_cast<char*>("winprint");
  info.pDatatype = const_cast<char*>("RAW");
  HANDLE printer = ::AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info));
  ASSERT_NE(printer, nullptr) << name << " " << ::GetLastError();
  ::ClosePrinter(printer);
}

void WineTest::ArrangeMonitor(const std::string& name, const char* library) {
  MONITOR_INFO_2A info{const_cast<char*>(name.c_str()), const_cast<char*>("Windows NT x86"),
                       const_cast<char*>(library)};
  ASSERT_TRUE(::AddMonitorA(nullptr, 2, reinterpret_cast<BYTE*>(&info))) << name << " " << ::GetLastError();
}

std::string WineTest::SendToFolder() {
  char path[MAX_PATH] = {};
  ::SHGetSpecialFolderPathA(nullptr, path, CSIDL_SENDTO, FALSE);
  return path;
}

bool WineTest::FileExists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WineTest::WriteFile(const std::string& path, const std::string& contents) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  ::WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
  ::CloseHandle(file);
}

WineTest::Value WineTest::ReadValue(uintptr_t root, const std::string& key, const std::string& name) {
  Value value;
  HKEY opened = nullptr;
  if (::RegOpenKeyExA(Root(root), key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return value;
  DWORD type = 0, size = 0;
  if (::RegQueryValueExA(opened, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    value.bytes.assign(size, '\0');
    ::RegQueryValueExA(opened, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.bytes.data()), &size);
    value.bytes.resize(size);
    value.present = true;
    value.type = type;
  }
  ::RegCloseKey(opened);
  return value;
}

void WineTest::WriteValue(uintptr_t root, const std::string& key, const std::string& name, uint32_t type,
                          const std::string& bytes) {
  HKEY created = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(Root(root), key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr),
            ERROR_SUCCESS)
      << key;
  ::RegSetValueExA(created, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
  ::RegCloseKey(created);
}

bool WineTest::KeyExists(uintptr_t root, const std::string& key) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExA(Root(root), key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  ::RegCloseKey(opened);
  return true;
}

void WineTest::DeleteKeyTree(uintptr_t root, const std::string& key) {
  ::RegDeleteTreeA(Root(root), key.c_str());
  ::RegDeleteKeyA(Root(root), key.c_str());
}
