// Removal and the settings switch through the real spooler and registry of
// Wine. Wine lets a driver be deleted while a printer still uses it (Windows
// refuses with 3001): these cases assert what Wine then shows.
#include <gtest/gtest.h>

#include "harness.h"

namespace wine {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;
constexpr unsigned long kRegSz = 1;

class RemovalAndSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    prefix.stage_product_files();
    prefix.stage_port_monitor();
  }

  RunResult run(const std::vector<std::string>& switches) {
    auto result = prefix.veskreg(switches);
    EXPECT_FALSE(result.timed_out) << result.describe();
    EXPECT_EQ(result.exit_code, 0) << result.describe();
    return result;
  }

  void arrange(const std::vector<std::string>& spoolctl_args) {
    auto done = prefix.spoolctl(spoolctl_args);
    ASSERT_EQ(done.exit_code, 0) << done.describe();
  }

  static Entries entries(const RunResult& result) {
    Entries out;
    for (const auto& entry : result.events()) out.emplace_back(entry.type, entry.text);
    return out;
  }

  std::vector<std::string> printer_names() {
    std::vector<std::string> names;
    for (const auto& printer : prefix.spooler().printers) names.push_back(printer.at(0));
    return names;
  }

  std::vector<std::string> driver_names() {
    std::vector<std::string> names;
    for (const auto& driver : prefix.spooler().drivers) names.push_back(driver.at(2));
    return names;
  }

  Prefix prefix;
};

// What the uninstaller runs after an installation: nothing of the product is left.
TEST_F(RemovalAndSettings, DeletePrinterRemovesTheInstalledPrinterAndDriver) {
  run({"-addxpsprinter"});
  ASSERT_EQ(printer_names(), (std::vector<std::string>{"Folyant"}));
  auto result = run({"-deleteprinter"});
  EXPECT_EQ(entries(result), (Entries{{"information", "DeletePDFPrinterInstance: Deleted printer Folyant"}}));
  EXPECT_TRUE(printer_names().empty());
  EXPECT_TRUE(driver_names().empty());
}

// Every printer on a product driver goes, from the last listed to the first;
// a printer on the native driver stays. Under Wine the first deletion already
// takes the shared driver (Windows refuses with 3001), so the second finds it
// gone, and Wine says so with 2 where Windows says 1797.
TEST_F(RemovalAndSettings, DeletePrinterRemovesEveryProductPrinter) {
  arrange({"add-driver",  "Folyant-A",      "Windows NT x86", "3",     ";",
           "add-driver",  "Folyant Writer", "Windows NT x86", "3",     ";",
           "add-printer", "Folyant",        "Folyant-A",      "FILE:", ";",
           "add-printer", "Second",         "Folyant-A",      "FILE:", ";",
           "add-printer", "Native",         "Folyant Writer", "FILE:"});
  auto result = run({"-deleteprinter"});
  EXPECT_EQ(printer_names(), (std::vector<std::string>{"Native"}));
  EXPECT_EQ(driver_names(), (std::vector<std::string>{"Folyant Writer"}));
  EXPECT_EQ(entries(result),
            (Entries{{"information", "DeletePDFPrinterInstance: Deleted printer Second"},
                     {"information", "DeletePDFPrinterInstance: Deleted printer Folyant"},
                     {"warning", "DeletePDFPrinter: failed to delete printer driver, driver Folyant-A, error 2"}}));
}

// -deleteprinterinstance takes the printer "Folyant" only; its driver stays.
TEST_F(RemovalAndSettings, DeletePrinterInstanceKeepsTheDriver) {
  arrange({"add-driver", "Folyant-A", "Windows NT x86", "3", ";", "add-printer", "Folyant", "Folyant-A", "FILE:"});
  auto result = run({"-deleteprinterinstance"});
  EXPECT_EQ(entries(result), (Entries{{"information", "DeletePDFPrinterInstance: Deleted printer Folyant"}}));
  EXPECT_TRUE(printer_names().empty());
  EXPECT_EQ(driver_names(), (std::vector<std::string>{"Folyant-A"}));
}

// -stopautoname clears the naming values through the lookup chain and leaves
// one blank as default name for "Folyant", "Glimmora" and each product printer.
TEST_F(RemovalAndSettings, StopAutoNameClearsNamingValues) {
  const std::string user = "Software\\Vesk Harrow Systems\\";
  const std::string legacy = "Software\\VB and VBA Program Settings\\Vesk Harrow Systems\\";
  // The printer as an added instance has it: its own empty default name.
  arrange({"add-driver",
           "Folyant-A",
           "Windows NT x86",
           "3",
           ";",
           "add-printer",
           "Folyant Second",
           "Folyant-A",
           "FILE:",
           ";",
           "reg-set",
           "HKCU",
           user + "Folyant Second",
           "PDFDefaultFileName",
           "sz",
           "",
           ";",
           "reg-set",
           "HKCU",
           user + "Folyant Second",
           "PDFFileName",
           "sz",
           "C:\\out\\c.pdf",
           ";",
           "reg-set",
           "HKCU",
           user + "Folyant",
           "PDFFileName",
           "sz",
           "C:\\out\\a.pdf",
           ";",
           "reg-set",
           "HKCU",
           user + "Folyant",
           "persistent",
           "dword",
           "1",
           ";",
           "reg-set",
           "HKCU",
           legacy + "Folyant",
           "PDFDefaultFileName",
           "sz",
           "legacy",
           ";",
           "reg-set",
           "HKCU",
           user + "Glimmora",
           "PDFFileName",
           "sz",
           "C:\\out\\b.png"});
  auto result = run({"-stopautoname"});
  EXPECT_TRUE(entries(result).empty()) << result.describe();

  for (const char* name : {"Folyant", "Glimmora", "Folyant Second"}) {
    auto blank = prefix.registry_value("HKCU", user + name, "PDFDefaultFileName");
    EXPECT_TRUE(blank.present) << name;
    EXPECT_EQ(blank.type, kRegSz) << name;
    EXPECT_EQ(blank.data, std::string(" \0", 2)) << name;
    EXPECT_EQ(prefix.registry_value("HKCU", user + name, "PDFFileName").error, 2) << name;
  }
  EXPECT_EQ(prefix.registry_value("HKCU", user + "Folyant", "persistent").error, 2);
  EXPECT_EQ(prefix.registry_value("HKCU", legacy + "Folyant", "PDFDefaultFileName").error, 2);
}

// On a machine without the product's settings the switch makes both keys.
TEST_F(RemovalAndSettings, StopAutoNameOnFreshMachineWritesBothBlanks) {
  run({"-stopautoname"});
  for (const char* name : {"Folyant", "Glimmora"}) {
    auto blank =
        prefix.registry_value("HKCU", std::string("Software\\Vesk Harrow Systems\\") + name, "PDFDefaultFileName");
    EXPECT_EQ(blank.type, kRegSz) << name;
    EXPECT_EQ(blank.data, std::string(" \0", 2)) << name;
  }
}

}  // namespace
}  // namespace wine
