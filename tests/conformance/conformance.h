// The seam's conformance suite: one set of cases, run against the simulated Windows on
// Linux and against the real API under Wine. The cases reach the OS only through the
// seam; what they need arranged or cleaned up goes through the backend fixture declared
// here (fixture_sim.cpp or fixture_win32.cpp), which uses that backend's own means.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#ifdef VESKREG_CONFORMANCE_SIM
#include "sim_fixture.h"
#endif

namespace conformance {

// Set before each call, so a case tells "error set" from "error left alone".
inline constexpr uint32_t kUntouched = 0xdeadbeef;

inline constexpr const char* kEnvironmentX86 = "Windows NT x86";
inline constexpr const char* kEnvironmentX64 = "Windows x64";

// Everything a case creates is named with this prefix (printers, drivers, monitors) or
// lives under kUserKey in HKEY_CURRENT_USER, so the fixture can find and remove it.
inline constexpr const char* kNamePrefix = "Conformance ";
inline constexpr const char* kUserKey = "Software\\Veskreg Conformance";

// True on the real API when the system behind it is Wine; never on the sim, which
// carries Windows' answers.
bool RunningOnWine();

// Whether this build runs on the simulated Windows. A case where the sim is known to
// answer otherwise than Windows and Wine skips itself there, naming the fix, until the
// sim is mended.
#ifdef VESKREG_CONFORMANCE_SIM
inline constexpr bool kSimulated = true;
#else
inline constexpr bool kSimulated = false;
#endif

// The environment whose driver AddPrinterA from this 32-bit process puts a printer on:
// the spooler's own on Windows ("Windows x64" on 64-bit Windows).
std::string PrinterDriverEnvironment();

// Driver files staged in the environment's driver directory, as full paths.
struct DriverFiles {
  std::string driverPath;
  std::string dataFile;
  std::string configFile;
  std::string helpFile;
};
DriverFiles StageDriverFiles(const std::string& environment);

// A driver, and a printer on it and the port "FILE:", installed by the backend's own means.
void InstallDriver(const std::string& name, const std::string& environment);
void InstallPrinter(const std::string& name, const std::string& driver);

// A monitor library that the spooler can load, placed in the system directory; its
// name, or empty when this backend has none (then AddMonitorA cannot be exercised).
std::string StageMonitorLibrary();

// Files and the process environment, by the backend's own means.
void PutFile(const std::string& path, const std::string& content);
bool FileOnDisk(const std::string& path);
void SetProcessVariable(const std::string& name, const std::string& value);

// Removes what the cases made: printers, drivers and monitors named with kNamePrefix,
// and the kUserKey tree.
void CleanUp();

#ifdef VESKREG_CONFORMANCE_SIM
using CaseBase = SimTest;  // a fresh machine per case, and its leak checks at the end
#else
using CaseBase = ::testing::Test;
#endif

class ConformanceTest : public CaseBase {
 protected:
  void SetUp() override {
    CaseBase::SetUp();
    CleanUp();  // what an earlier, aborted run may have left
  }
  void TearDown() override {
    CleanUp();
    CaseBase::TearDown();
  }
};

}  // namespace conformance
