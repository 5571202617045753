// The spooler wrappers' contract where only the sim can show it: its records and keys,
// its handle accounting, file checks Wine does not make, and a stopped spooler. What
// both backends keep is in tests/conformance.
#include <cstring>
#include <string>
#include <vector>

#include "conformance/spooler_records.h"
#include "platform/handles.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/sim/spooler_model.h"
#include "platform/spooler.h"
#include "sim_fixture.h"

namespace {

constexpr uint32_t kUntouched = 0xdeadbeef;
using OwnedPrinter = os::Owned<os::PrinterHandle, os::ClosePrinter>;
using spooler_records::AddPrinter;

// What a backend must provide to arrange a spooler: product files in place, a spooler
// that can be stopped, and the environment the spooler itself runs in.
class SpoolerSeamTest : public SimTest {
 protected:
  void StageProductFiles() { sim::StageProductFiles(machine()); }
  void RemoveFile(const std::string& path) { machine().files.Remove(path); }
  void StopSpooler() { machine().spoolerRunning = false; }
  const char* NativeEnvironment() { return machine().is64BitWindows ? "Windows x64" : "Windows NT x86"; }

  std::string SystemDirectory() {
    char buffer[520];
    os::GetSystemDirectoryA(buffer, sizeof buffer);
    return buffer;
  }
  std::string DriverDirectory(const char* environment) {
    return SystemDirectory() + (std::strcmp(environment, "Windows x64") == 0 ? "\\spool\\drivers\\x64\\3\\"
                                                                             : "\\spool\\drivers\\w32x86\\3\\");
  }

  // Adds a small driver through the seam and returns whether the spooler took it.
  bool AddDriver(const char* name, const char* environment, uint32_t level = 3,
                 const char* dependents = "FOLYANT.EXE\0FOLYANTS.DLL\0") {
    const std::string dir = DriverDirectory(environment);
    driverPath_ = dir + "folyant.dll";
    dataFile_ = dir + "folyant.ppd";
    configFile_ = dir + "folyantd.dll";
    helpFile_ = dir + "folyant.chm";
    os::DriverInfo3 record;
    record.version = 3;
    record.name = name;
    record.environment = environment;
    record.driverPath = driverPath_.c_str();
    record.dataFile = dataFile_.c_str();
    record.configFile = configFile_.c_str();
    record.helpFile = helpFile_.c_str();
    record.dependentFiles = dependents;
    record.defaultDataType = "RAW";
    return os::AddPrinterDriverA(nullptr, level, record);
  }

  // A native driver with one printer on it, handle closed.
  void ArrangePrinter(const char* name, const char* driver = "Seam Driver") {
    StageProductFiles();
    ASSERT_TRUE(AddDriver(driver, NativeEnvironment()));
    OwnedPrinter printer(AddPrinter(name, driver));
    ASSERT_TRUE(printer);
  }

  bool KeyExists(const std::string& path) {
    os::RegistryKey key = nullptr;
    if (os::RegOpenKeyExA(os::HkeyLocalMachine(), path.c_str(), 0, os::kKeyRead, &key) != 0) return false;
    os::RegCloseKey(key);
    return true;
  }
  std::vector<uint8_t> ValueBytes(const std::string& path, const char* name, uint32_t* type) {
    os::RegistryKey key = nullptr;
    std::vector<uint8_t> data(4096);
    uint32_t size = static_cast<uint32_t>(data.size());
    if (os::RegOpenKeyExA(os::HkeyLocalMachine(), path.c_str(), 0, os::kKeyRead, &key) != 0) return {};
    int32_t status = os::RegQueryValueExA(key, name, type, data.data(), &size);
    os::RegCloseKey(key);
    if (status != 0) return {};
    data.resize(size);
    return data;
  }
  static std::string DriverKey(const char* environment, const char* name) {
    return std::string("SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\") + environment +
           "\\Drivers\\Version-3\\" + name;
  }

  std::string driverPath_, dataFile_, configFile_, helpFile_;
};

std::vector<uint8_t> Bytes(const char* data, size_t size) { return std::vector<uint8_t>(data, data + size); }

}  // namespace

// --- printers ---

// A new printer is a spooler record with its registry key and PrinterDriverData subkey.
TEST_F(SpoolerSeamTest, AddPrinterCreatesRecordAndKeys) {
  ArrangePrinter("Folyant");
  EXPECT_TRUE(KeyExists("SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Folyant"));
  EXPECT_TRUE(KeyExists("SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Folyant\\PrinterDriverData"));
  ASSERT_EQ(machine().printers.size(), 1u);
  EXPECT_EQ(machine().printers[0].driver, "Seam Driver");
  EXPECT_EQ(machine().printers[0].port, "FILE:");
  EXPECT_EQ(machine().printers[0].attributes, os::kPrinterAttributeLocal);
}

// On 64-bit Windows the spooler runs printers on its own x64 drivers: an x86 driver
// alone, the one a 32-bit caller names by default, does not carry a printer.
TEST_F(SpoolerSeamTest, AddPrinterOn64BitWindowsNeedsTheX64Driver) {
  machine().is64BitWindows = true;
  StageProductFiles();
  ASSERT_TRUE(AddDriver("Seam Driver", "Windows NT x86"));
  os::SetLastError(kUntouched);
  EXPECT_EQ(AddPrinter("Folyant", "Seam Driver"), nullptr);
  EXPECT_EQ(os::GetLastError(), os::kErrorUnknownPrinterDriver);

  ASSERT_TRUE(AddDriver("Seam Driver", "Windows x64"));
  OwnedPrinter printer(AddPrinter("Folyant", "Seam Driver"));
  EXPECT_TRUE(printer);
}

// The ANSI enumeration asks for exactly what 32-bit Windows asks for, strings counted in
// UTF-16; the conformance suite checks the probing but cannot fix the figure for every backend.
TEST_F(SpoolerSeamTest, EnumPrintersAsksForTheUtf16Size) {
  machine().printers.push_back(sim::Printer{"Folyant", "Folyant-A"});
  uint32_t needed = 0;
  uint32_t returned = 0;
  os::SetLastError(kUntouched);
  EXPECT_FALSE(os::EnumPrintersA(os::kPrinterEnumLocal, nullptr, 2, nullptr, 0, &needed, &returned));
  EXPECT_EQ(os::GetLastError(), os::kErrorInsufficientBuffer);
  // 84-byte record, then "Folyant", "PDFFILE:", "Folyant-A", "winprint", "RAW" with terminators.
  EXPECT_EQ(needed, 84u + 2 * (8 + 9 + 10 + 9 + 4));
  std::vector<uint8_t> block(needed);
  EXPECT_FALSE(os::EnumPrintersA(os::kPrinterEnumLocal, nullptr, 2, block.data(), needed - 1, &needed, &returned));
  EXPECT_TRUE(os::EnumPrintersA(os::kPrinterEnumLocal, nullptr, 2, block.data(), needed, &needed, &returned));
  EXPECT_EQ(returned, 1u);
  EXPECT_STREQ(os::PrinterInfo2At(block.data(), 0).driverName, "Folyant-A");
}

// Commas and backslashes are not allowed in a local printer's name.
TEST_F(SpoolerSeamTest, AddPrinterRefusesCommaAndBackslash) {
  StageProductFiles();
  ASSERT_TRUE(AddDriver("Seam Driver", NativeEnvironment()));
  for (const char* name : {"A, B", "A\\B", ""}) {
    os::SetLastError(kUntouched);
    EXPECT_EQ(AddPrinter(name, "Seam Driver"), nullptr) << name;
    EXPECT_EQ(os::GetLastError(), os::kErrorInvalidPrinterName) << name;
  }
}

// Deleting takes the record and the keys at once; the handle then only serves closing.
TEST_F(SpoolerSeamTest, DeletePrinterRemovesRecordAndKeys) {
  ArrangePrinter("Folyant");
  os::PrinterHandle handle = nullptr;
  ASSERT_TRUE(os::OpenPrinterA("Folyant", &handle, os::kPrinterAllAccess));
  OwnedPrinter printer(handle);
  EXPECT_TRUE(os::DeletePrinter(printer.get()));
  EXPECT_TRUE(machine().printers.empty());
  EXPECT_FALSE(KeyExists("SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Folyant"));
  os::SetLastError(kUntouched);
  EXPECT_FALSE(os::DeletePrinter(printer.get()));
  EXPECT_EQ(os::GetLastError(), os::kErrorPrinterDeleted);
  os::PrinterHandle again = nullptr;
  EXPECT_FALSE(os::OpenPrinterA("Folyant", &again, os::kPrinterAllAccess));
}

// Every printer handle is accounted, so a leak shows at the end of any test.
TEST_F(SpoolerSeamTest, PrinterHandlesAreCounted) {
  ArrangePrinter("Folyant");
  os::PrinterHandle handle = nullptr;
  ASSERT_TRUE(os::OpenPrinterA("Folyant", &handle, os::kPrinterAllAccess));
  EXPECT_EQ(machine().OpenHandles(sim::HandleKind::Printer), 1);
  EXPECT_TRUE(os::ClosePrinter(handle));
  EXPECT_EQ(machine().OpenHandles(sim::HandleKind::Printer), 0);
  os::SetLastError(kUntouched);
  EXPECT_FALSE(os::ClosePrinter(handle));
  EXPECT_EQ(os::GetLastError(), os::kErrorInvalidHandle);
}

// --- drivers ---

// Each file the record names must exist; a missing one is ERROR_FILE_NOT_FOUND.
TEST_F(SpoolerSeamTest, AddPrinterDriverNeedsEveryFile) {
  const std::string dir = DriverDirectory("Windows NT x86");
  for (const char* file : {"folyant.dll", "folyant.ppd", "folyantd.dll", "folyant.chm"}) {
    StageProductFiles();
    RemoveFile(dir + file);
    os::SetLastError(kUntouched);
    EXPECT_FALSE(AddDriver("Seam Driver", "Windows NT x86")) << file;
    EXPECT_EQ(os::GetLastError(), os::kErrorFileNotFound) << file;
  }
  EXPECT_TRUE(machine().spooler.drivers.empty());
}

// Dependent files are looked for beside the driver and in the environment directory;
// entries from the system's driver store ("ntprint|") are always at hand.
TEST_F(SpoolerSeamTest, AddPrinterDriverLooksForDependentFiles) {
  StageProductFiles();
  const std::string dir = DriverDirectory("Windows NT x86");
  RemoveFile(dir + "FOLYANTS.DLL");
  EXPECT_TRUE(AddDriver("In Environment Directory", "Windows NT x86"));
  RemoveFile(dir.substr(0, dir.size() - 2) + "FOLYANTS.DLL");
  os::SetLastError(kUntouched);
  EXPECT_FALSE(AddDriver("Missing Dependent", "Windows NT x86"));
  EXPECT_EQ(os::GetLastError(), os::kErrorFileNotFound);
  EXPECT_TRUE(AddDriver("From Store", "Windows NT x86", 3, "FOLYANT.EXE\0ntprint|NOWHERE.GPD\0"));
}

// A driver is its registry key: bare file names, the dependent files as given, the version.
TEST_F(SpoolerSeamTest, AddPrinterDriverWritesTheDriverKey) {
  StageProductFiles();
  ASSERT_TRUE(AddDriver("Seam Driver", "Windows x64", 3, "FOLYANT.EXE\0ntprint|UNIRES.DLL\0"));
  const std::string key = DriverKey("Windows x64", "Seam Driver");
  uint32_t type = 0;
  EXPECT_EQ(ValueBytes(key, "Driver", &type), Bytes("folyant.dll", 12));
  EXPECT_EQ(type, os::kRegSz);
  EXPECT_EQ(ValueBytes(key, "Data File", &type), Bytes("folyant.ppd", 12));
  EXPECT_EQ(ValueBytes(key, "Configuration File", &type), Bytes("folyantd.dll", 13));
  EXPECT_EQ(ValueBytes(key, "Help File", &type), Bytes("folyant.chm", 12));
  EXPECT_EQ(ValueBytes(key, "Dependent Files", &type), Bytes("FOLYANT.EXE\0ntprint|UNIRES.DLL\0", 32));
  EXPECT_EQ(type, os::kRegMultiSz);
  EXPECT_EQ(ValueBytes(key, "Version", &type), Bytes("\3\0\0\0", 4));
  EXPECT_EQ(type, os::kRegDword);
  EXPECT_FALSE(KeyExists(DriverKey("Windows NT x86", "Seam Driver")));
}

// An environment the spooler does not know is refused as such.
TEST_F(SpoolerSeamTest, AddPrinterDriverRefusesUnknownEnvironment) {
  StageProductFiles();
  os::SetLastError(kUntouched);
  EXPECT_FALSE(AddDriver("Seam Driver", "Windows 3.1"));
  EXPECT_EQ(os::GetLastError(), os::kErrorInvalidEnvironment);
}

// Level 2 reports the driver file at its place in the driver directory.
TEST_F(SpoolerSeamTest, GetPrinterDriverLevel2ReportsPaths) {
  machine().is64BitWindows = false;
  ArrangePrinter("Folyant");
  os::PrinterHandle handle = nullptr;
  ASSERT_TRUE(os::OpenPrinterA("Folyant", &handle, os::kPrinterAllAccess));
  OwnedPrinter printer(handle);
  uint8_t block[512];
  uint32_t needed = 0;
  ASSERT_TRUE(os::GetPrinterDriverA(printer.get(), nullptr, 2, block, sizeof block, &needed));
  os::DriverInfo2View info = os::DriverInfo2At(block);
  EXPECT_EQ(info.version, 3u);
  EXPECT_STREQ(info.name, "Seam Driver");
  EXPECT_STREQ(info.environment, "Windows NT x86");
  EXPECT_EQ(sim::Registry::Fold(info.driverPath), sim::Registry::Fold(driverPath_));
}

// No environment means the caller's: a 32-bit program asks for the x86 driver, which a
// 64-bit machine with only the x64 driver does not have.
TEST_F(SpoolerSeamTest, GetPrinterDriverDefaultsToTheCallersEnvironment) {
  machine().is64BitWindows = true;
  ArrangePrinter("Folyant");
  os::PrinterHandle handle = nullptr;
  ASSERT_TRUE(os::OpenPrinterA("Folyant", &handle, os::kPrinterAllAccess));
  OwnedPrinter printer(handle);
  uint8_t block[512];
  uint32_t needed = 0;
  os::SetLastError(kUntouched);
  EXPECT_FALSE(os::GetPrinterDriverA(printer.get(), nullptr, 1, block, sizeof block, &needed));
  EXPECT_EQ(os::GetLastError(), os::kErrorUnknownPrinterDriver);
  EXPECT_TRUE(os::GetPrinterDriverA(printer.get(), "Windows x64", 1, block, sizeof block, &needed));
}

// --- monitors ---

// An added monitor is listed with its environment and library, and its port serves printers.
TEST_F(SpoolerSeamTest, AddMonitorServesItsPort) {
  StageProductFiles();
  ASSERT_TRUE(os::AddMonitorA(nullptr, 2, os::MonitorInfo2{"Folyant Port", "Windows x64", "folyantm7.dll"}));
  uint8_t block[4096];
  uint32_t needed = 0;
  uint32_t returned = 0;
  ASSERT_TRUE(os::EnumMonitorsA(nullptr, 2, block, sizeof block, &needed, &returned));
  ASSERT_EQ(returned, 2u);
  os::MonitorInfo2 monitor = os::MonitorInfo2At(block, 1);
  EXPECT_STREQ(monitor.name, "Folyant Port");
  EXPECT_STREQ(monitor.environment, "Windows x64");
  EXPECT_STREQ(monitor.dllName, "folyantm7.dll");

  ASSERT_TRUE(AddDriver("Seam Driver", NativeEnvironment()));
  OwnedPrinter printer(AddPrinter("Folyant", "Seam Driver", "PDFFILE:"));
  EXPECT_TRUE(printer);
}

// A monitor name is taken once, in any case; the library must be in the system directory.
TEST_F(SpoolerSeamTest, AddMonitorRefusals) {
  StageProductFiles();
  ASSERT_TRUE(os::AddMonitorA(nullptr, 2, os::MonitorInfo2{"Folyant Port", "Windows NT x86", "folyantm7.dll"}));
  os::SetLastError(kUntouched);
  EXPECT_FALSE(os::AddMonitorA(nullptr, 2, os::MonitorInfo2{"FOLYANT PORT", "Windows NT x86", "folyantm7.dll"}));
  EXPECT_EQ(os::GetLastError(), os::kErrorPrintMonitorAlreadyInstalled);
  os::SetLastError(kUntouched);
  EXPECT_FALSE(os::AddMonitorA(nullptr, 2, os::MonitorInfo2{"Other Port", "Windows NT x86", "missing.dll"}));
  EXPECT_EQ(os::GetLastError(), os::kErrorModNotFound);
  os::SetLastError(kUntouched);
  EXPECT_FALSE(os::AddMonitorA(nullptr, 2, os::MonitorInfo2{"Other Port", "Windows 3.1", "folyantm7.dll"}));
  EXPECT_EQ(os::GetLastError(), os::kErrorInvalidEnvironment);
}

// A monitor goes only when no printer uses its ports; unknown names are refused.
TEST_F(SpoolerSeamTest, DeleteMonitorFollowsItsPorts) {
  StageProductFiles();
  ASSERT_TRUE(os::AddMonitorA(nullptr, 2, os::MonitorInfo2{"Folyant Port", "Windows x64", "folyantm7.dll"}));
  ASSERT_TRUE(AddDriver("Seam Driver", NativeEnvironment()));
  os::PrinterHandle handle = AddPrinter("Folyant", "Seam Driver", "PDFFILE:");
  ASSERT_NE(handle, nullptr);
  os::SetLastError(kUntouched);
  EXPECT_FALSE(os::DeleteMonitorA(nullptr, "Windows x64", "Folyant Port"));
  EXPECT_EQ(os::GetLastError(), os::kErrorPrintMonitorInUse);
  EXPECT_TRUE(os::DeletePrinter(handle));
  os::ClosePrinter(handle);
  EXPECT_TRUE(os::DeleteMonitorA(nullptr, "Windows x64", "folyant port"));
  os::SetLastError(kUntouched);
  EXPECT_FALSE(os::DeleteMonitorA(nullptr, "Windows x64", "Folyant Port"));
  EXPECT_EQ(os::GetLastError(), os::kErrorUnknownPrintMonitor);
}

// --- the spooler service ---

// A stopped spooler answers every call with RPC_S_SERVER_UNAVAILABLE.
TEST_F(SpoolerSeamTest, StoppedSpoolerFailsEveryCall) {
  ArrangePrinter("Folyant");
  StopSpooler();
  auto expect1722 = [](bool ok, const char* call) {
    EXPECT_FALSE(ok) << call;
    EXPECT_EQ(os::GetLastError(), os::kRpcServerUnavailable) << call;
    os::SetLastError(kUntouched);
  };
  os::SetLastError(kUntouched);
  os::PrinterHandle handle = nullptr;
  uint8_t block[4096];
  uint32_t needed = 0, returned = 0;
  expect1722(os::OpenPrinterA("Folyant", &handle, os::kPrinterAllAccess), "OpenPrinterA");
  expect1722(AddPrinter("Other", "Seam Driver") != nullptr, "AddPrinterA");
  expect1722(AddDriver("Other Driver", NativeEnvironment()), "AddPrinterDriverA");
  expect1722(os::DeletePrinterDriverA(nullptr, NativeEnvironment(), "Seam Driver"), "DeletePrinterDriverA");
  expect1722(os::EnumMonitorsA(nullptr, 2, block, sizeof block, &needed, &returned), "EnumMonitorsA");
  expect1722(os::EnumPrintersA(os::kPrinterEnumLocal, nullptr, 2, block, sizeof block, &needed, &returned),
             "EnumPrintersA");
  expect1722(os::AddMonitorA(nullptr, 2, os::MonitorInfo2{"Folyant Port", "Windows x64", "folyantm7.dll"}),
             "AddMonitorA");
  expect1722(os::DeleteMonitorA(nullptr, "Windows x64", "Local Port"), "DeleteMonitorA");
  EXPECT_EQ(machine().printers.size(), 1u);
}

// A handle opened before the spooler stopped can still not be used, only closed.
TEST_F(SpoolerSeamTest, StoppedSpoolerRefusesOpenHandles) {
  ArrangePrinter("Folyant");
  os::PrinterHandle handle = nullptr;
  ASSERT_TRUE(os::OpenPrinterA("Folyant", &handle, os::kPrinterAllAccess));
  OwnedPrinter printer(handle);
  StopSpooler();
  uint8_t block[64];
  uint32_t needed = 0;
  os::SetLastError(kUntouched);
  EXPECT_FALSE(os::GetPrinterDriverA(printer.get(), "Windows x64", 1, block, sizeof block, &needed));
  EXPECT_EQ(os::GetLastError(), os::kRpcServerUnavailable);
  os::SetLastError(kUntouched);
  EXPECT_FALSE(os::DeletePrinter(printer.get()));
  EXPECT_EQ(os::GetLastError(), os::kRpcServerUnavailable);
}
