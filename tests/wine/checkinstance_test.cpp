// -checkinstance answers 1 when two or more printers run on a product driver,
// else 0. Printers and drivers are arranged through the real spooler.
#include <gtest/gtest.h>

#include <cctype>

#include "harness.h"

namespace wine {
namespace {

class CheckInstance : public ::testing::Test {
 protected:
  // Driver in the 32-bit environment, then printers on it, port FILE:.
  void arrange(const std::string& driver, const std::vector<std::string>& printers) {
    std::vector<std::string> args = {"add-driver", driver, "Windows NT x86", "3"};
    for (const auto& printer : printers) args.insert(args.end(), {";", "add-printer", printer, driver, "FILE:"});
    auto run = prefix.spoolctl(args);
    ASSERT_EQ(run.exit_code, 0) << run.describe();
  }

  size_t printer_count() { return prefix.spooler().printers.size(); }

  int check_instance() {
    auto run = prefix.veskreg({"-checkinstance"});
    EXPECT_FALSE(run.timed_out) << run.describe();
    return run.exit_code;
  }

  Prefix prefix;
};

// A machine without the product has no other instance.
TEST_F(CheckInstance, FreshMachineAnswers0) { EXPECT_EQ(check_instance(), 0); }

// One printer is the instance itself.
TEST_F(CheckInstance, OneProductPrinterAnswers0) {
  arrange("Folyant-A", {"Folyant"});
  EXPECT_EQ(check_instance(), 0);
}

// A second printer on the product driver is another instance.
TEST_F(CheckInstance, TwoProductPrintersAnswer1) {
  arrange("Folyant-A", {"Folyant", "Second"});
  EXPECT_EQ(check_instance(), 1);
}

// "Glimmora" is never counted, so it cannot make a second instance.
TEST_F(CheckInstance, GlimmoraIsLeftOut) {
  arrange("Folyant-A", {"Folyant", "Glimmora"});
  ASSERT_EQ(printer_count(), 2u);
  EXPECT_EQ(check_instance(), 0);
}

// Leaving "Glimmora" out does not hide the two product printers beside it.
TEST_F(CheckInstance, GlimmoraBesideTwoOthersStillAnswers1) {
  arrange("Folyant-A", {"Folyant", "Glimmora", "Second"});
  EXPECT_EQ(check_instance(), 1);
}

// A similar name is not a product driver.
TEST_F(CheckInstance, PrintersOnOtherDriverAnswer0) {
  arrange("Folyant Writer", {"Folyant", "Second"});
  ASSERT_EQ(printer_count(), 2u);
  EXPECT_EQ(check_instance(), 0);
}

// Driver names match whatever their case.
TEST_F(CheckInstance, DriverNameInOtherCaseCounts) {
  arrange("FOLYANT-A", {"Folyant", "Second"});
  EXPECT_EQ(check_instance(), 1);
}

// Printers on two different product drivers add up.
TEST_F(CheckInstance, PrintersOnDifferentProductDriversAddUp) {
  arrange("Folyant-A", {"Folyant"});
  arrange("KRV PDF Pro", {"Second"});
  EXPECT_EQ(check_instance(), 1);
}

class ProductDriver : public CheckInstance, public ::testing::WithParamInterface<std::string> {};

TEST_P(ProductDriver, TwoPrintersOnItAnswer1) {
  arrange(GetParam(), {"First", "Second"});
  EXPECT_EQ(check_instance(), 1);
}

INSTANTIATE_TEST_SUITE_P(Names, ProductDriver,
                         ::testing::Values("Folyant-A", "KRV PDF Pro", "Benchcraft PDF-Writer", "Lodestar PDF Writer",
                                           "Folyant for Orchard", "Folyant for Brightline"),
                         [](const auto& info) {
                           std::string name;
                           for (char c : info.param)
                             if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                           return name;
                         });

}  // namespace
}  // namespace wine
