// Which operation each switch reaches, seen in spooler, shortcuts, registry, log, dialogs and exit code.
#include <windows.h>

#include <algorithm>
#include <tuple>

#include "support/spooler_listing.h"
#include "support/wine_test.h"

namespace {

class DispatchTest : public WineTest {};

}  // namespace

// Switches are case-sensitive substrings tested in a fixed order, over two product printers.
TEST_F(DispatchTest, EachSwitchReachesItsOperation) {
  const std::string krv = "Folyant=KRV PDF Pro; ", lodestar = "Lodestar PDF Writer=KRV PDF Pro; ",
                    both = krv + lodestar;
  const std::string writer = "Folyant=Folyant Writer*; " + lodestar, linked = "Folyant=KRV PDF Pro*; " + lodestar;
  const std::string replaced = "info checkPrinterInstalled: printer exists, deleting printer Folyant";
  const std::string update =
      "error UpdateDependentFiles, failed to open registry SYSTEM\\CurrentControlSet\\Control\\Print\\"
      "Environments\\Windows ";
  const std::string deleted = "info DeletePDFPrinterInstance: Deleted printer ";
  // The exit code, the printers after, a line among those logged (empty: nothing logged), the marks.
  const std::vector<std::tuple<std::string, int, std::string, std::string, std::string>> rows = {
      {"-printername=\"-stopautoname\" -addprinter -x64", 0, both, "", "blanked"},
      {"-addprinter -addinstance -checkinstance", 0, both, "", "dialog 152"},
      {"-addprinter -checkinstance -x64", 1, both, "", ""},
      {"-addxpsprinter -regaddprinter -addpsprinter -printername=\"Mine\"", 0, writer, replaced, ""},
      {"-regaddxpsprinter -imageprinter", 0, krv + "Glimmora=Folyant-A*; " + lodestar, "", ""},
      {"-regaddxpsprinter -addmonitor -imageprinter", 0, both, "", ""},
      {"-deleteprinter -addxpsprinterX", 0, "Folyant=Folyant-A*; " + lodestar, replaced, ""},
      {"-addpsprinter", 0, "Folyant=Folyant Font Helper*; " + lodestar, replaced, ""},
      {"-addpsprinter -addmonitor", 0, both, "", ""},
      // "-printername=" at the end of the text has no value: the default name stands.
      {"-addprinter -imageprinter -printername=", 0, krv + "Glimmora=Folyant Writer*; " + lodestar, "", ""},
      // Only the unseen character after it: the empty name, which the spooler refuses until a
      // character is added.
      {"-addprinter -imageprinter -printername=\"", 0, "0=Folyant Writer*; " + writer,
       "error AddPrinterError AddPrinter, error 87", ""},
      // The character after "=" is skipped unseen; a name of its own takes the default printer along.
      {"-addprinter -printername=My PDF -quiet", 0, writer + "y PDF -quiet=Folyant Writer*; ", replaced, ""},
      {"-addprinter -printername=\"" + std::string(260, 'n'), 0, both,
       "error InitInstance: printer name of 260 characters is longer than 259, no printer added", ""},
      {"-updatepsdependentfiles", 0, both, update + "NT x86\\Drivers\\Version-3\\Folyant Font Helper, 2", ""},
      {"-x64 -updatexpsdependentfiles", 0, both, update + "x64\\Drivers\\Version-3\\Folyant-A, 2", ""},
      {"-updatedependentfiles \"--x64\"", 0, both, update + "x64\\Drivers\\Version-3\\Folyant Writer, 2", ""},
      {"-deleteprinterinstance", 0, lodestar, deleted + "Folyant", ""},
      {"-DeleteLodestarInstance", 0, krv, deleted + "Lodestar PDF Writer", ""},
      {"-splash -deleteprinter", 0, "", deleted + "Folyant", ""},
      {"-quiet -splash", 212, both, "", "dialog 102"},
      {"-quiet -Checkinstance -chekinstance", 212, both, "", ""},
      // No operation: the about box, then the default printer's shortcut.
      {"", 212, linked, "", "dialog 129"},
      {"-ADDPRINTER -deletelodestarinstance /quiet -addmonitor -x64", 212, linked, "", "dialog 129"},
  };
  for (const auto& [line, exitCode, printers, logged, marks] : rows) {
    SCOPED_TRACE(line.substr(0, 80));
    ArrangePrinter("Folyant", "KRV PDF Pro");
    ArrangePrinter("Lodestar PDF Writer", "KRV PDF Pro");
    robot.Clear();
    EXPECT_EQ(RunProgram(line.c_str()), exitCode);
    std::vector<BYTE> block;
    std::string seen;  // every printer as "name=driver; ", "*" when its Send To shortcut is there
    for (const PRINTER_INFO_2A& p : listing::Printers(block)) {
      const bool linked = FileExists(Link(p.pPrinterName));
      seen += std::string(p.pPrinterName) + "=" + p.pDriverName + (linked ? "*; " : "; ");
    }
    EXPECT_EQ(seen, printers);
    const std::vector<std::string> texts = Transcript();
    EXPECT_TRUE(logged.empty() ? texts.empty() : std::count(texts.begin(), texts.end(), logged) == 1)
        << testing::PrintToString(texts);
    // The dialog template shown or the product's default file name blanked.
    const auto dialogs = substitute::Calls("DialogBoxParamA");
    const Value name = ReadValue(kCurrentUser, "Software\\Vesk Harrow Systems\\Folyant", "PDFDefaultFileName");
    EXPECT_EQ((dialogs.empty() ? "" : "dialog " + std::to_string(dialogs.front().number)) +
                  (name.bytes == std::string(" \0", 2) ? "blanked" : ""),
              marks);
    EXPECT_FALSE(!marks.starts_with("dialog") && Boxes().empty() && !robot.Seen().empty()) << "a window shown";
    Fresh();
  }
}
