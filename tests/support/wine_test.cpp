#include "support/wine_test.h"

#include <shlobj.h>

#include "app/veskreg_app.h"
#include "platform/window.h"
#include "support/spooler_listing.h"

// The spooler records made here name the fields that matter; the others stay zero.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

HKEY Root(uintptr_t root) { return reinterpret_cast<HKEY>(root); }
// The records' and calls' strings are not const in the Win32 headers.
char* W(const char* text) { return const_cast<char*>(text); }
std::string Text(const char* text) { return text != nullptr ? text : ""; }

using listing::DriverNames;
constexpr const char* kEnvironments[] = {"Windows NT x86", "Windows x64"};

struct PrinterRecord {
  std::string driver, port;
  uint32_t attributes = 0;
};

// The named printer's record, or an empty one when there is none.
PrinterRecord Printer(const std::string& name) {
  std::vector<BYTE> block;
  for (const PRINTER_INFO_2A& p : listing::Printers(block)) {
    if (::lstrcmpiA(p.pPrinterName, name.c_str()) == 0) return {Text(p.pDriverName), Text(p.pPortName), p.Attributes};
  }
  return {};
}

std::set<std::string> PrinterNames() {
  std::vector<BYTE> block;
  std::set<std::string> names;
  for (const PRINTER_INFO_2A& p : listing::Printers(block)) names.insert(p.pPrinterName);
  return names;
}

// Each monitor's library by the monitor's name.
std::map<std::string, std::string> Monitors() {
  DWORD needed = 0, count = 0;
  ::EnumMonitorsA(nullptr, 2, nullptr, 0, &needed, &count);
  std::vector<BYTE> block(needed + 1, 0);
  std::map<std::string, std::string> monitors;
  if (!::EnumMonitorsA(nullptr, 2, block.data(), needed, &needed, &count)) return monitors;
  const auto* first = reinterpret_cast<const MONITOR_INFO_2A*>(block.data());
  for (DWORD i = 0; i < count; ++i) monitors[first[i].pName] = Text(first[i].pDLLName);
  return monitors;
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
  for (const char* environment : kEnvironments) driversBefore_[environment] = DriverNames(environment);
  monitorsBefore_ = Monitors();
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
    if (printersBefore_.count(name) == 0) DeletePrinter(name);
  }
  for (const auto& [environment, before] : driversBefore_) {
    for (const std::string& name : DriverNames(environment.c_str())) {
      if (before.count(name) == 0) ::DeletePrinterDriverA(nullptr, W(environment.c_str()), W(name.c_str()));
    }
  }
  for (const auto& [name, library] : Monitors()) {
    if (monitorsBefore_.count(name) == 0) ::DeleteMonitorA(nullptr, nullptr, W(name.c_str()));
  }
  for (const std::string& link : Links(SendToFolder())) {
    if (linksBefore_.count(link) == 0) {
      EXPECT_TRUE(::DeleteFileA((SendToFolder() + "\\" + link).c_str())) << link << " stays: " << ::GetLastError();
    }
  }
  for (uintptr_t root : {kCurrentUser, kLocalMachine}) {
    for (const char* key : kSettingsKeys) DeleteKeyTree(root, key);
  }
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
std::string WineTest::PrinterPort(const std::string& name) { return Printer(name).port; }
std::string WineTest::PrinterDriver(const std::string& name) { return Printer(name).driver; }
uint32_t WineTest::PrinterAttributes(const std::string& name) { return Printer(name).attributes; }

bool WineTest::DriverExists(const std::string& name, const char* environment) {
  return DriverNames(environment).count(name) != 0;
}

std::string WineTest::MonitorLibrary(const std::string& name) {
  const auto monitors = Monitors();
  const auto found = monitors.find(name);
  return found != monitors.end() ? found->second : "";
}

// clang-format off
void WineTest::ArrangeDriver(const std::string& name, const char* environment, const char* driverFile) {
  DRIVER_INFO_3A info{.cVersion = 3, .pName = W(name.c_str()), .pEnvironment = W(environment),
                      .pDriverPath = W(driverFile), .pDataFile = W("folyant.ppd"), .pConfigFile = W(driverFile)};
  ASSERT_TRUE(::AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&info))) << name << " " << ::GetLastError();
}

void WineTest::ArrangePrinter(const std::string& name, const std::string& driver, const char* port) {
  if (!DriverExists(driver)) ArrangeDriver(driver);
  PRINTER_INFO_2A info{.pPrinterName = W(name.c_str()), .pPortName = W(port), .pDriverName = W(driver.c_str()),
                       .pPrintProcessor = W("winprint"), .pDatatype = W("RAW")};
  HANDLE printer = ::AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info));
  ASSERT_NE(printer, nullptr) << name << " " << ::GetLastError();
  ::ClosePrinter(printer);
}
// clang-format on

void WineTest::DeletePrinter(const std::string& name) {
  HANDLE printer = nullptr;
  PRINTER_DEFAULTSA all{nullptr, nullptr, PRINTER_ALL_ACCESS};
  if (::OpenPrinterA(W(name.c_str()), &printer, &all)) ::DeletePrinter(printer), ::ClosePrinter(printer);
}

void WineTest::ArrangeMonitor(const std::string& name, const char* library) {
  MONITOR_INFO_2A info{W(name.c_str()), W("Windows NT x86"), W(library)};
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
