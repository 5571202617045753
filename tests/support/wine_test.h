// Every case's base: the substitution layer reset before it; after it nothing left open and the
// system put back as found.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/robot.h"
#include "support/substitution.h"

// The last of what a case observed, or an empty one, so a missing entry fails, not traps.
template <typename T>
T Last(const std::vector<T>& observed) {
  return observed.empty() ? T{} : observed.back();
}

class WineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A loop's next row starts as a case of its own would: checked, put back, reset.
  void Fresh() {
    TearDown();
    SetUp();
  }

  // Runs the whole program with `commandLine` after its name; returns the exit code.
  int RunProgram(const char* commandLine);

  // The event-log entries the logic wrote, as (type, text).
  using Events = std::vector<std::pair<uint16_t, std::string>>;
  Events Logged() const;
  // The message boxes shown: text, caption and style (0x80000000 when it had an owner).
  std::vector<substitute::Call> Boxes() const { return substitute::Calls("MessageBoxA"); }
  // In order, "error|warning|info TEXT" per event entry, "box CAPTION STYLE: TEXT" per box.
  std::vector<std::string> Transcript() const;

  // The spooler and files, through the real API.
  static bool PrinterExists(const std::string& name);
  static std::string PrinterPort(const std::string& name);
  static std::string PrinterDriver(const std::string& name);
  static uint32_t PrinterAttributes(const std::string& name);
  static bool DriverExists(const std::string& name, const char* environment = "Windows NT x86");
  static std::string MonitorLibrary(const std::string& name);
  static void ArrangeDriver(const std::string& name, const char* environment = "Windows NT x86",
                            const char* driverFile = "mxdwdrv.dll");
  static void ArrangePrinter(const std::string& name, const std::string& driver, const char* port = "PDFFILE:");
  static void DeletePrinter(const std::string& name);
  static void ArrangeMonitor(const std::string& name, const char* library = "folyantm7.dll");
  static std::string SendToFolder();
  // The printer's Send To shortcut, and a printer arranged with one (a plain file there).
  static std::string Link(const std::string& printer) { return SendToFolder() + "\\" + printer + ".lnk"; }
  static void ArrangeLinkedPrinter(const std::string& name, const std::string& driver) {
    ArrangePrinter(name, driver);
    WriteFile(Link(name), "link");
  }
  static bool FileExists(const std::string& path);
  static void WriteFile(const std::string& path, const std::string& contents);

  // Registry values through the real API; HKEY_CURRENT_USER = 0x80000001, HKEY_LOCAL_MACHINE = 0x80000002.
  struct Value {
    bool present = false;
    uint32_t type = 0;
    std::string bytes;
  };
  static Value ReadValue(uintptr_t root, const std::string& key, const std::string& name);
  static void WriteValue(uintptr_t root, const std::string& key, const std::string& name, uint32_t type,
                         const std::string& bytes);
  static void WriteString(uintptr_t root, const std::string& key, const std::string& name, const std::string& text) {
    WriteValue(root, key, name, 1, text + '\0');
  }
  static void WriteDword(uintptr_t root, const std::string& key, const std::string& name, uint32_t value) {
    WriteValue(root, key, name, 4, std::string(reinterpret_cast<const char*>(&value), 4));
  }
  static bool KeyExists(uintptr_t root, const std::string& key);
  static void DeleteKeyTree(uintptr_t root, const std::string& key);

  static constexpr uintptr_t kCurrentUser = 0x80000001;
  static constexpr uintptr_t kLocalMachine = 0x80000002;
  static constexpr uint16_t kError = 1;
  static constexpr uint16_t kWarning = 2;
  static constexpr uint16_t kInformation = 4;

  Robot robot;

 private:
  std::set<std::string> printersBefore_, linksBefore_;
  std::map<std::string, std::set<std::string>> driversBefore_;  // by environment
  std::map<std::string, std::string> monitorsBefore_;
};
