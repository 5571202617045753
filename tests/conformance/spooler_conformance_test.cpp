// The spooler wrappers' contract, as the simulated and the real spooler both keep it.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "conformance.h"
#include "platform/handles.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "spooler_records.h"

namespace conformance {
namespace {

using OwnedPrinter = os::Owned<os::PrinterHandle, os::ClosePrinter>;
using spooler_records::AddPrinter;

constexpr const char* kPrinter = "Conformance Printer";
constexpr const char* kDriver = "Conformance Driver";
constexpr const char* kPrintersKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";

class SpoolerConformanceTest : public ConformanceTest {
 protected:
  // The driver the printers of this process take, with one printer on it.
  void ArrangePrinter() {
    InstallDriver(kDriver, PrinterDriverEnvironment());
    InstallPrinter(kPrinter, kDriver);
  }

  static bool KeyExists(const std::string& path) {
    os::RegistryKey key = nullptr;
    if (os::RegOpenKeyExA(os::HkeyLocalMachine(), path.c_str(), 0, os::kKeyRead, &key) != 0) return false;
    os::RegCloseKey(key);
    return true;
  }

  // The names a level-2 EnumPrintersA lists now.
  static std::vector<std::string> PrinterNames() {
    std::vector<uint8_t> block(16384);
    uint32_t needed = 0, returned = 0;
    std::vector<std::string> names;
    if (!os::EnumPrintersA(os::kPrinterEnumLocal, nullptr, 2, block.data(), static_cast<uint32_t>(block.size()),
                           &needed, &returned)) {
      ADD_FAILURE() << "EnumPrintersA failed: " << os::GetLastError();
      return names;
    }
    for (uint32_t i = 0; i < returned; ++i) names.emplace_back(os::PrinterInfo2At(block.data(), i).printerName);
    return names;
  }

  // Printer names are compared without regard to case.
  static int Count(const std::vector<std::string>& names, const char* name) {
    return static_cast<int>(std::count_if(names.begin(), names.end(), [name](const std::string& listed) {
      return listed.size() == std::strlen(name) && std::equal(listed.begin(), listed.end(), name, [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
             });
    }));
  }
};

}  // namespace

// --- printers ---

// EnumPrintersA level 2: no buffer and one byte short both give 122 with the same size;
// exactly that size lists the printer with its driver and port.
TEST_F(SpoolerConformanceTest, EnumPrintersProbesItsSize) {
  ArrangePrinter();
  uint32_t needed = 0, returned = 0;
  os::SetLastError(kUntouched);
  EXPECT_FALSE(os::EnumPrintersA(os::kPrinterEnumLocal, nullptr, 2, nullptr, 0, &needed, &returned));
  EXPECT_EQ(os::GetLastError(), os::kErrorInsufficientBuffer);
  ASSERT_GE(needed, os::kPrinterInfo2Size + sizeof "Conformance Printer");

  std::vector<uint8_t> block(needed);
  uint32_t again = 0;
  os::SetLastError(kUntouched);
  EXPECT_FALSE(os::EnumPrintersA(os::kPrinterEnumLocal, nullptr, 2, block.data(), needed - 1, &again, &returned));
  EXPECT_EQ(os::GetLastError(), os::kErrorInsufficientBuffer);
  EXPECT_EQ(again, needed);

  ASSERT_TRUE(os::EnumPrintersA(os::kPrinterEnumLocal, nullptr, 2, block.data(), needed, &again, &returned));
  ASSERT_GE(returned, 1u);
  bool found = false;
  for (uint32_t i = 0; i < returned; ++i) {
    os::PrinterInfo2View info = os::PrinterInfo2At(block.data(), i);
    if (info.printerName == nullptr || std::strcmp(info.printerName, kPrinter) != 0) continue;
    found = true;
    EXPECT_STREQ(info.driverName, kDriver);
    EXPECT_STREQ(info.portName, "FILE:");
  }
  EXPECT_TRUE(found);
}

// A call that needs no bytes at all succeeds without a buffer: only a need the buffer
// cannot meet is 122.
TEST_F(SpoolerConformanceTest, EnumPrintersFailsOnlyWhenBytesAreNeeded) {
  uint32_t needed = kUntouched, returned = kUntouched;
  os::SetLastError(kUntouched);
  bool ok = os::EnumPrintersA(os::kPrinterEnumLocal, nullptr, 2, nullptr, 0, &needed, &returned);
  if (ok) {
    EXPECT_EQ(needed, 0u);
    EXPECT_EQ(returned, 0u);
  } else {
    EXPECT_EQ(os::GetLastError(), os::kErrorInsufficientBuffer);
    EXPECT_GT(needed, 0u) << "122 although no byte is needed";
  }
}

// Level 3 is no EnumPrinters level on any Windows.
TEST_F(SpoolerConformanceTest, EnumPrintersRefusesAnUnknownLevel) {
  uint8_t block[1024];
  uint32_t needed = 0, returned = 0;
  os::SetLastError(kUntouched);
  EXPECT_FALSE(os::EnumPrintersA(os::kPrinterEnumLocal, nullptr, 3, block, sizeof block, &needed, &returned));
  EXPECT_EQ(os::GetLastError(), os::kErrorInvalidLevel);
}

// A name no printer bears is refused with the spooler's own code and no handle.
TEST_F(SpoolerConformanceTest, OpenPrinterOnMissingNameFails1801) {
  os::PrinterHandle handle = reinterpret_cast<os::PrinterHandle>(1);
  os::SetLastError(kUntouched);
  EXPECT_FALSE(os::OpenPrinterA("Conformance No Such Printer", &handle, os::kPrinterAllAccess));
  EXPECT_EQ(os::GetLastError(), os::kErrorInvalidPrinterName);
  EXPECT_EQ(handle, nullptr);
}

// Printer names are matched without regard to case, for opening and for uniqueness.
TEST_F(SpoolerConformanceTest, AddPrinterOnAnExistingNameFails1802) {
  ArrangePrinter();
  os::PrinterHandle handle = nullptr;
  ASSERT_TRUE(os::OpenPrinterA("CONFORMANCE PRINTER", &handle, os::kPrinterAllAccess));
  OwnedPrinter opened(handle);

  os::SetLastError(kUntouched);
  OwnedPrinter second(AddPrinter("conformance printer", kDriver));
  if (RunningOnWine()) {
    // Wine hands back a handle on the printer that is there.
    EXPECT_TRUE(second);
  } else {
    EXPECT_FALSE(second);
    EXPECT_EQ(os::GetLastError(), os::kErrorPrinterAlreadyExists);
  }
  EXPECT_EQ(Count(PrinterNames(), kPrinter), 1);
}

// The driver must be installed, and the port served, before a printer can use them.
TEST_F(SpoolerConformanceTest, AddPrinterRefusesUnknownDriverAndPort) {
  os::SetLastError(kUntouched);
  EXPECT_EQ(AddPrinter(kPrinter, kDriver), nullptr);
  // Wine answers ERROR_INVALID_PARAMETER for a driver it cannot find.
  EXPECT_EQ(os::GetLastError(), RunningOnWine() ? os::kErrorInvalidParameter : os::kErrorUnknownPrinterDriver);

  InstallDriver(kDriver, PrinterDriverEnvironment());
  os::SetLastError(kUntouched);
  OwnedPrinter printer(AddPrinter(kPrinter, kDriver, "CONFORMANCE:"));
  if (RunningOnWine()) {
    // Wine does not look at the port: the printer is made on a port nobody serves.
    EXPECT_TRUE(printer);
    EXPECT_EQ(Count(PrinterNames(), kPrinter), 1);
  } else {
    EXPECT_FALSE(printer);
    EXPECT_EQ(os::GetLastError(), os::kErrorUnknownPort);
    EXPECT_EQ(Count(PrinterNames(), kPrinter), 0);
  }
}

// On 64-bit Windows a printer runs on the spooler's own x64 driver, whoever adds it.
TEST_F(SpoolerConformanceTest, AddPrinterTakesTheX64DriverOn64BitWindows) {
  if (!RunningOnWine() && PrinterDriverEnvironment() != kEnvironmentX64) GTEST_SKIP() << "32-bit Windows";
  InstallDriver(kDriver, kEnvironmentX64);
  os::SetLastError(kUntouched);
  OwnedPrinter printer(AddPrinter(kPrinter, kDriver));
  if (RunningOnWine()) {
    // Wine looks for the driver in the 32-bit caller's own environment only.
    EXPECT_FALSE(printer);
    EXPECT_EQ(os::GetLastError(), os::kErrorInvalidParameter);
  } else {
    EXPECT_TRUE(printer);
  }
}

// A deleted printer is gone with its key once its last handle is closed.
TEST_F(SpoolerConformanceTest, DeletedPrinterCannotBeOpened) {
  ArrangePrinter();
  ASSERT_TRUE(KeyExists(kPrintersKey + std::string(kPrinter)));
  os::PrinterHandle handle = nullptr;
  ASSERT_TRUE(os::OpenPrinterA(kPrinter, &handle, os::kPrinterAllAccess));
  EXPECT_TRUE(os::DeletePrinter(handle));
  EXPECT_TRUE(os::ClosePrinter(handle));

  os::PrinterHandle again = reinterpret_cast<os::PrinterHandle>(1);
  os::SetLastError(kUntouched);
  EXPECT_FALSE(os::OpenPrinterA(kPrinter, &again, os::kPrinterAllAccess));
  EXPECT_EQ(os::GetLastError(), os::kErrorInvalidPrinterName);
  EXPECT_EQ(again, nullptr);
  EXPECT_FALSE(KeyExists(kPrintersKey + std::string(kPrinter)));
  EXPECT_EQ(Count(PrinterNames(), kPrinter), 0);
}

// --- drivers ---

// A driver added through the seam carries a printer, and GetPrinterDriverA level 1 asks
// for its record and name: no buffer and one byte short give 122 with the same size.
TEST_F(SpoolerConformanceTest, AddPrinterDriverThenGetPrinterDriverProbesItsSize) {
  const std::string environment = PrinterDriverEnvironment();
  DriverFiles files = StageDriverFiles(environment);
  os::DriverInfo3 record;
  record.version = 3;
  record.name = kDriver;
  record.environment = environment.c_str();
  record.driverPath = files.driverPath.c_str();
  record.dataFile = files.dataFile.c_str();
  record.configFile = files.configFile.c_str();
  record.helpFile = files.helpFile.c_str();
  record.defaultDataType = "RAW";
  os::SetLastError(kUntouched);
  ASSERT_TRUE(os::AddPrinterDriverA(nullptr, 3, record)) << os::GetLastError();
  InstallPrinter(kPrinter, kDriver);

  os::PrinterHandle handle = nullptr;
  ASSERT_TRUE(os::OpenPrinterA(kPrinter, &handle, os::kPrinterAllAccess));
  OwnedPrinter printer(handle);
  uint32_t needed = 0;
  os::SetLastError(kUntouched);
  EXPECT_FALSE(os::GetPrinterDriverA(printer.get(), environment.c_str(), 1, nullptr, 0, &needed));
  EXPECT_EQ(os::GetLastError(), os::kErrorInsufficientBuffer);
  // The ANSI call asks for the size of the UTF-16 record it converts in place.
  EXPECT_EQ(needed, 4u + 2 * sizeof "Conformance Driver");

  std::vector<uint8_t> block(needed);
  uint32_t again = 0;
  os::SetLastError(kUntouched);
  EXPECT_FALSE(os::GetPrinterDriverA(printer.get(), environment.c_str(), 1, block.data(), needed - 1, &again));
  EXPECT_EQ(os::GetLastError(), os::kErrorInsufficientBuffer);
  EXPECT_EQ(again, needed);

  ASSERT_TRUE(os::GetPrinterDriverA(printer.get(), environment.c_str(), 1, block.data(), needed, &again));
  EXPECT_STREQ(os::DriverInfo1Name(block.data()), kDriver);
}

// A driver in use by a printer stays; an unknown one is refused as unknown.
TEST_F(SpoolerConformanceTest, DeletePrinterDriverRefusesADriverInUse) {
  ArrangePrinter();
  const std::string environment = PrinterDriverEnvironment();
  os::SetLastError(kUntouched);
  bool deleted = os::DeletePrinterDriverA(nullptr, environment.c_str(), kDriver);
  if (RunningOnWine()) {
    // Wine deletes a driver whatever printers still use it.
    EXPECT_TRUE(deleted);
  } else {
    EXPECT_FALSE(deleted);
    EXPECT_EQ(os::GetLastError(), os::kErrorPrinterDriverInUse);
  }

  os::SetLastError(kUntouched);
  EXPECT_FALSE(os::DeletePrinterDriverA(nullptr, environment.c_str(), "Conformance Other Driver"));
  // Wine fails without setting the last error.
  EXPECT_EQ(os::GetLastError(), RunningOnWine() ? kUntouched : os::kErrorUnknownPrinterDriver);
}

// Once its printer is gone the driver can go, and then it is unknown.
TEST_F(SpoolerConformanceTest, DeletePrinterDriverAfterItsPrinter) {
  ArrangePrinter();
  const std::string environment = PrinterDriverEnvironment();
  os::PrinterHandle handle = nullptr;
  ASSERT_TRUE(os::OpenPrinterA(kPrinter, &handle, os::kPrinterAllAccess));
  EXPECT_TRUE(os::DeletePrinter(handle));
  os::ClosePrinter(handle);
  os::SetLastError(kUntouched);
  EXPECT_TRUE(os::DeletePrinterDriverA(nullptr, environment.c_str(), kDriver)) << os::GetLastError();
  os::SetLastError(kUntouched);
  EXPECT_FALSE(os::DeletePrinterDriverA(nullptr, environment.c_str(), kDriver));
  // Wine fails without setting the last error.
  EXPECT_EQ(os::GetLastError(), RunningOnWine() ? kUntouched : os::kErrorUnknownPrinterDriver);
}

// --- monitors ---

// EnumMonitorsA at both levels: no buffer and one byte short give 122 with the same size;
// exactly that size succeeds, and level 2 lists the system's "Local Port" monitor in
// 12-byte records and their strings. Windows asks for the UTF-16 size of the strings, as
// for the other ANSI enumerations; Wine asks for their ANSI size, no byte more.
TEST_F(SpoolerConformanceTest, EnumMonitorsProbesItsSize) {
  for (uint32_t level : {1u, 2u}) {
    SCOPED_TRACE(level);
    uint32_t needed = 0, returned = kUntouched;
    os::SetLastError(kUntouched);
    EXPECT_FALSE(os::EnumMonitorsA(nullptr, level, nullptr, 0, &needed, &returned));
    EXPECT_EQ(os::GetLastError(), os::kErrorInsufficientBuffer);
    EXPECT_EQ(returned, 0u);
    ASSERT_GE(needed, (level == 1 ? 4u : os::kMonitorInfo2Size) + sizeof "Local Port");

    std::vector<uint8_t> block(needed);
    uint32_t again = 0;
    os::SetLastError(kUntouched);
    EXPECT_FALSE(os::EnumMonitorsA(nullptr, level, block.data(), needed - 1, &again, &returned));
    EXPECT_EQ(os::GetLastError(), os::kErrorInsufficientBuffer);
    EXPECT_EQ(again, needed);

    ASSERT_TRUE(os::EnumMonitorsA(nullptr, level, block.data(), needed, &again, &returned));
    ASSERT_GE(returned, 1u);
    if (level == 1) continue;  // the seam reads level-2 records only
    bool found = false;
    uint32_t layout = 0;  // the records, then each string with its NUL
    for (uint32_t i = 0; i < returned; ++i) {
      os::MonitorInfo2 monitor = os::MonitorInfo2At(block.data(), i);
      found = found || std::strcmp(monitor.name, "Local Port") == 0;
      layout += os::kMonitorInfo2Size;
      for (const char* text : {monitor.name, monitor.environment, monitor.dllName}) {
        if (text != nullptr) layout += static_cast<uint32_t>((RunningOnWine() ? 1 : 2) * (std::strlen(text) + 1));
      }
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(needed, layout);
  }
}

// A monitor's library must be in the system directory, and a monitor name is taken
// once: the second add of the same name fails with 3006.
TEST_F(SpoolerConformanceTest, AddMonitorTwiceFails3006) {
  const std::string library = StageMonitorLibrary();
  if (library.empty()) GTEST_SKIP() << "no monitor library built for this backend";
  const std::string environment = PrinterDriverEnvironment();
  os::SetLastError(kUntouched);
  EXPECT_FALSE(os::AddMonitorA(nullptr, 2, os::MonitorInfo2{"Conformance Port", environment.c_str(), "missing.dll"}));
  EXPECT_EQ(os::GetLastError(), os::kErrorModNotFound);

  const os::MonitorInfo2 monitor{"Conformance Port", environment.c_str(), library.c_str()};
  os::SetLastError(kUntouched);
  ASSERT_TRUE(os::AddMonitorA(nullptr, 2, monitor)) << os::GetLastError();
  os::SetLastError(kUntouched);
  EXPECT_FALSE(os::AddMonitorA(nullptr, 2, monitor));
  EXPECT_EQ(os::GetLastError(), os::kErrorPrintMonitorAlreadyInstalled);
}

}  // namespace conformance
