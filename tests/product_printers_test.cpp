// Recognising product printers, and -checkinstance end to end.
#include "install/product_printers.h"

#include "sim_fixture.h"

namespace {

class ProductPrintersTest : public SimTest {
 protected:
  void AddPrinter(const char* name, const char* driver) { machine().printers.push_back(sim::Printer{name, driver}); }
};

}  // namespace

// The six names, in any letter case; the native and PostScript drivers are not product drivers.
TEST_F(ProductPrintersTest, ProductDriverNames) {
  for (const char* name : {"Folyant-A", "KRV PDF Pro", "Benchcraft PDF-Writer", "Lodestar PDF Writer",
                           "Folyant for Orchard", "Folyant for Brightline", "FOLYANT-A", "lodestar pdf writer"}) {
    EXPECT_TRUE(IsProductDriverName(name)) << name;
  }
  for (const char* name : {"Folyant Writer", "Folyant Font Helper", "Folyant", "Folyant-A ", "", "Folyant-AB"}) {
    EXPECT_FALSE(IsProductDriverName(name)) << name;
  }
  EXPECT_FALSE(IsProductDriverName(nullptr));
}

// Two product printers make exit code 1; the image printer is left out of the count.
TEST_F(ProductPrintersTest, CheckInstanceCountsProductPrinters) {
  EXPECT_EQ(RunProgram("-checkinstance"), 0) << "no printers";
  AddPrinter("Folyant", "Folyant-A");
  AddPrinter("Glimmora", "Folyant-A");
  EXPECT_EQ(RunProgram("-checkinstance"), 0) << "Glimmora is not counted";
  AddPrinter("Folyant (Copy 1)", "FOLYANT-A");
  EXPECT_EQ(RunProgram("-checkinstance"), 1);
}

// Printers on the native and PostScript drivers never count, however many.
TEST_F(ProductPrintersTest, NativeAndPostScriptPrintersDoNotCount) {
  for (int i = 0; i < 5; ++i) {
    AddPrinter(("Writer " + std::to_string(i)).c_str(), "Folyant Writer");
    AddPrinter(("Fonts " + std::to_string(i)).c_str(), "Folyant Font Helper");
  }
  AddPrinter("Folyant", "Folyant-A");
  EXPECT_EQ(RunProgram("-checkinstance -x64"), 0);
  AddPrinter("Lodestar 2", "Lodestar PDF Writer");
  EXPECT_EQ(RunProgram("-checkinstance -x64"), 1);
}

// The walk runs from the last entry and stops at the second product printer.
TEST_F(ProductPrintersTest, WalkStartsAtTheLastEntry) {
  AddPrinter("A", "KRV PDF Pro");
  AddPrinter("B", "Other");
  AddPrinter("C", "Folyant for Orchard");
  AddPrinter("D", "Folyant for Brightline");
  std::vector<std::string> seen;
  PrinterEnumeration printers;
  ASSERT_EQ(printers.Count(), 4u);
  for (uint32_t i = printers.Count(); i-- > 0;) seen.push_back(printers.At(i).printerName);
  EXPECT_EQ(seen, (std::vector<std::string>{"D", "C", "B", "A"}));
  EXPECT_TRUE(HasMultipleProductPrinters());
}

// No memory for the block, or a spooler that is not running: the answer is "not several".
TEST_F(ProductPrintersTest, FailuresAnswerFalse) {
  AddPrinter("One", "Folyant-A");
  AddPrinter("Two", "Folyant-A");
  machine().FailCall("LocalAlloc", 8);
  EXPECT_EQ(RunProgram("-checkinstance"), 0);

  machine().FailCall("LocalAlloc", 8, 0, 0);
  machine().spoolerRunning = false;
  EXPECT_FALSE(HasMultipleProductPrinters());

  machine().spoolerRunning = true;
  EXPECT_TRUE(HasMultipleProductPrinters());
}
