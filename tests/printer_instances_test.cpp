// "-addinstance": the real Add Printer dialog, the names it refuses and the printer it makes.
#include <windows.h>

#include <tuple>
#include <vector>

#include "resources/resource.h"
#include "support/wine_test.h"

namespace {

using substitute::Calls;
using Lines = std::vector<std::string>;

// The boxes: system modal, an error icon for a refusal (4112), none for a creation (4096).
const std::string kRefused = "box Vesk Harrow Systems 4112: ", kCreated = "box Vesk Harrow Systems 4096: ";
std::string Taken(const std::string& name) { return kRefused + "Printer named " + name + " already exists."; }
// Box 20, cut to the 255 characters a box holds.
std::string Invalid(const std::string& name) {
  return kRefused + ("Printer name " + name + " is not valid.").substr(0, 255);
}

void CloseBox(void* window) { ::PostMessageA(static_cast<HWND>(window), WM_SYSCOMMAND, SC_CLOSE, 0); }

class PrinterInstancesTest : public WineTest {
 protected:
  // The dialog gets `name` and OK, the box that follows OK.
  void Enter(const std::string& name) {
    robot.Then(Robot::TypeAndPress(IDC_PRINTER_NAME, name, IDOK));
    robot.Then(Robot::Press(IDOK));
  }
};

}  // namespace

// Each refused name (invalid, over 229 characters, taken in any case) gets its box and a dialog
// proposing the first free "Folyant (Copy n)"; a refused printer is logged, not announced.
TEST_F(PrinterInstancesTest, Names) {
  ArrangePrinter("Folyant (Copy 1)", "Folyant-A");
  ArrangePrinter("Folyant (Copy 3)", "Folyant-A");
  const std::string longest(229, 'k'), over(230, 'm');
  LRESULT limit = 0;
  robot.Then([&limit](void* w) {
    limit = ::SendDlgItemMessageA(static_cast<HWND>(w), IDC_PRINTER_NAME, EM_GETLIMITTEXT, 0, 0);
    Robot::TypeAndPress(IDC_PRINTER_NAME, "", IDOK)(w);
  });
  robot.Then(Robot::Press(IDOK));
  for (const char* name : {"a/b", "50%", over.c_str(), "FOLYANT (COPY 3)", longest.c_str()}) Enter(name);
  EXPECT_EQ(RunProgram("-addinstance"), 0);
  EXPECT_EQ(limit, 259);
  EXPECT_EQ(Transcript(), (Lines{Invalid(""), Invalid("a/b"), Invalid("50%"),
                                 "warning AddPDFPrinterInstance: printer name of 230 characters is longer than 229",
                                 Invalid(over), Taken("FOLYANT (COPY 3)"), kCreated + longest + " printer created."}));
  EXPECT_EQ(Calls("DialogBoxParamA").size(), 6u);  // none after the printer is made
  for (const WindowSeen& w : robot.Seen())
    EXPECT_TRUE(w.caption != "Add Printer" || w.controls[2].second == "Folyant (Copy 2)");
  EXPECT_EQ(PrinterDriver(longest), "Folyant-A");
  const Value value = ReadValue(kCurrentUser, "Software\\Vesk Harrow Systems\\" + longest, "PDFDefaultFileName");
  EXPECT_EQ(std::make_pair(value.type, value.bytes), std::make_pair(uint32_t{REG_SZ}, std::string(1, '\0')));

  substitute::Reset();
  substitute::FailCall("AddPrinterA", 5);
  robot.Then(Robot::Key(VK_RETURN));
  EXPECT_EQ(RunProgram("-addinstance"), 0);
  EXPECT_EQ(Last(Transcript()), "error AddPDFPrinterInstance: printer Folyant (Copy 2)0 was not created");
  EXPECT_TRUE(ReadValue(kCurrentUser, "Software\\Vesk Harrow Systems\\Folyant (Copy 2)", "PDFDefaultFileName").present);
  EXPECT_EQ(Calls("DialogBoxParamA").size(), 1u);
}

// A taken name's driver library sets the next printer's kind; unreadable, a warning and XPS.
TEST_F(PrinterInstancesTest, TakenNameCarriesItsDriverKind) {
  for (const auto& [library, unreadable, driver] :
       {std::tuple{"PSCRIPT5.DLL", 0, "Folyant Font Helper"}, std::tuple{"folyant.dll", 0, "Folyant Writer"},
        std::tuple{"PSCRIPT5.DLL", 1, "Folyant-A"}}) {
    ArrangeDriver("Theirs", "Windows NT x86", library);
    ArrangePrinter("Taken", "Theirs");
    substitute::FailCall("GetPrinterDriverA", 122, 0, unreadable);
    Enter("taken");
    Enter("Mine");
    EXPECT_EQ(RunProgram("-addinstance"), 0);
    SCOPED_TRACE(library + std::string(unreadable ? ", unreadable" : ""));
    const std::string warning = "warning AddPDFPrinterInstance: GetPrinterDriver failed for printer taken, 122",
                      created = kCreated + "Mine printer created.";
    EXPECT_EQ(Transcript(), (unreadable ? Lines{warning, Taken("taken"), created} : Lines{Taken("taken"), created}));
    EXPECT_EQ(PrinterDriver("Mine"), driver);
    Fresh();
  }
}

// Cancel, Escape and the close box end the operation at the pass they come: nothing made.
TEST_F(PrinterInstancesTest, CancelAtEachPass) {
  const Robot::Answer cancels[] = {Robot::Press(IDCANCEL), Robot::Key(VK_ESCAPE), CloseBox};
  for (size_t pass = 0; pass < 3; ++pass) {
    SCOPED_TRACE(pass);
    for (size_t refused = 0; refused < pass; ++refused) Enter("bad/name");
    robot.Then(cancels[pass]);
    EXPECT_EQ(RunProgram("-addinstance"), 0);
    EXPECT_EQ(Calls("DialogBoxParamA").size(), pass + 1);
    EXPECT_TRUE(Calls("AddPrinterA").empty());
    Fresh();
  }
}

// Names are judged by the code page's characters: in 932 and 950 a trail byte 5C or 7C is no
// "\\" or "|", a real one after a whole character is; single-byte pages refuse those bytes.
TEST_F(PrinterInstancesTest, NamesInTheMachinesCodePage) {
  const UINT codePage = ::GetACP();
  // clang-format off
  const std::vector<std::tuple<UINT, std::string, bool>> rows = {
      {932, "\x95\x5c\x8e\xa6", true},              // 表示
      {932, "\x83\x7c\x83\x58\x83\x67", true},      // ポスト
      {932, "\x95\x5c\x5c\x78", false},             // 表\\x
      {932, "\x83\x7c\x7c", false},                 // ポ|
      {950, "\xb3\x5c\xa5\x5c", true},              // 許功
      {950, "\xb3\x5c\x7c", false},                 // 許|
      {1252, "\x95\x5c\x8e\xa6", false},
  };
  // clang-format on
  int run = 0;
  for (const auto& [rowCodePage, name, accepted] : rows) {
    if (rowCodePage != codePage) continue;
    SCOPED_TRACE(name);
    ++run;
    Enter(name);
    EXPECT_EQ(RunProgram("-addinstance"), 0);
    EXPECT_EQ(Last(Transcript()), accepted ? kCreated + name + " printer created." : Invalid(name));
    EXPECT_EQ(PrinterDriver(name), accepted ? "Folyant-A" : "");
    Fresh();
  }
  EXPECT_GT(run, 0) << "no row for code page " << codePage;
}
