// The real dialogs and boxes under Wine: the About box, the splash over the
// main dialog and the add-printer dialog with its messages, answered by the
// UI robot as a user would answer them.
#include <gtest/gtest.h>

#include "harness.h"

namespace wine {
namespace {

constexpr unsigned long kWsVisible = 0x10000000;
constexpr unsigned long kWsCaption = 0x00C00000;
constexpr unsigned long kWsPopup = 0x80000000;
constexpr unsigned long kDsSysModal = 0x2;
constexpr unsigned long kWsExTopmost = 0x8;
constexpr unsigned long kWsExAppWindow = 0x40000;

const std::string kDialogCaption = "Vesk Harrow Systems LLC";
const std::string kVersionLine = "Folyant Version 10.0.31";
const std::string kProductKey = "Software\\Vesk Harrow Systems\\Folyant";

// Wine shows an MB_SYSTEMMODAL box topmost; its window style keeps no MB_ bits.
void expect_box(const SeenWindow& box, const std::string& caption, const std::string& text, bool error_icon) {
  EXPECT_EQ(box.window_class, "#32770");
  EXPECT_EQ(box.caption, caption);
  EXPECT_NE(box.exstyle & kWsExTopmost, 0u) << "not system-modal: " << text;
  const SeenControl* message = box.control(0xFFFF);
  ASSERT_NE(message, nullptr) << "no message text in box " << caption;
  EXPECT_EQ(message->text, text);
  const SeenControl* icon = box.control(1088);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->icon, error_icon ? "yes" : "no") << text;
  ASSERT_NE(box.control(1), nullptr);
  EXPECT_EQ(box.control(1)->text, "OK");
  EXPECT_EQ(box.controls.size(), 3u) << "one button only: " << text;
}

bool visible(const SeenControl* control) { return control != nullptr && (control->style & kWsVisible) != 0; }

class AboutBox : public ::testing::Test {
 protected:
  // reg.exe's answer for EventLogFlags under HKCU (not redirected for 32-bit programs).
  std::string logging_flags() {
    auto run = prefix.wine({"reg", "query", "HKCU\\" + kProductKey, "/v", "EventLogFlags"}, 60s, "-all");
    return run.exit_code == 0 ? run.out : "";
  }

  Prefix prefix;
};

// Without switches the tool shows its About box with the version line and no
// logging button; OK ends the run with 212.
TEST_F(AboutBox, ShowsVersionLineAndOkEndsWith212) {
  auto run = prefix.robot({windows_path(veskreg_exe())}, {"caption \"" + kDialogCaption + "\" click \"OK\""});
  ASSERT_FALSE(run.timed_out()) << run.transcript;
  EXPECT_EQ(run.exit_code(), 212) << run.transcript;
  auto windows = seen_windows(run);
  ASSERT_EQ(windows.size(), 1u) << run.transcript;
  const SeenWindow& about = windows[0];
  EXPECT_EQ(about.window_class, "#32770");
  EXPECT_EQ(about.caption, kDialogCaption);
  EXPECT_NE(about.style & kDsSysModal, 0u) << run.transcript;
  ASSERT_NE(about.control(1017), nullptr) << run.transcript;
  EXPECT_EQ(about.control(1017)->text, kVersionLine);
  ASSERT_NE(about.control(1), nullptr);
  EXPECT_EQ(about.control(1)->text, "OK");
  ASSERT_NE(about.control(1059), nullptr) << run.transcript;
  EXPECT_FALSE(visible(about.control(1059))) << run.transcript;
  EXPECT_EQ(logging_flags(), "");
}

// Escape ends it too (the box has no close box), with the same exit code.
TEST_F(AboutBox, EscapeEndsIt) {
  auto run = prefix.robot({windows_path(veskreg_exe())}, {"caption \"" + kDialogCaption + "\" key 0x1B"});
  ASSERT_FALSE(run.timed_out()) << run.transcript;
  EXPECT_EQ(run.exit_code(), 212) << run.transcript;
  EXPECT_EQ(seen_windows(run).size(), 1u) << run.transcript;
}

// Shift held as the box opens shows the logging button; pressing it switches
// logging on, and the next opening offers to switch it off again.
TEST_F(AboutBox, ShiftShowsTheLoggingButtonWhichTogglesLogging) {
  const std::vector<std::string> rules = {"caption \"" + kDialogCaption + "\" click #1059",
                                          "caption \"" + kDialogCaption + "\" after 300 click \"OK\""};
  auto first = prefix.robot_holding_shift({windows_path(veskreg_exe())}, rules);
  ASSERT_FALSE(first.timed_out()) << first.transcript;
  EXPECT_EQ(first.exit_code(), 212) << first.transcript;
  auto windows = seen_windows(first);
  ASSERT_EQ(windows.size(), 1u) << first.transcript;
  ASSERT_TRUE(visible(windows[0].control(1059))) << first.transcript;
  EXPECT_EQ(windows[0].control(1059)->text, "Enable Debugging");
  EXPECT_NE(logging_flags().find("EventLogFlags    REG_DWORD    0xff"), std::string::npos) << logging_flags();

  auto second = prefix.robot_holding_shift({windows_path(veskreg_exe())}, rules);
  ASSERT_FALSE(second.timed_out()) << second.transcript;
  windows = seen_windows(second);
  ASSERT_EQ(windows.size(), 1u) << second.transcript;
  ASSERT_TRUE(visible(windows[0].control(1059))) << second.transcript;
  EXPECT_EQ(windows[0].control(1059)->text, "Disable Debugging");
  EXPECT_EQ(logging_flags(), "") << "the second press deletes the value";
}

class Splash : public ::testing::Test {
 protected:
  // The 32-bit program reads HKLM\Software through the 32-bit view.
  void set_splash_delay(const std::string& root, unsigned long milliseconds) {
    auto run = prefix.wine({"C:\\windows\\syswow64\\reg.exe", "add", root + "\\" + kProductKey, "/v", "splashdelay",
                            "/t", "REG_DWORD", "/d", std::to_string(milliseconds), "/f"},
                           60s, "-all");
    ASSERT_EQ(run.exit_code, 0) << run.describe();
  }

  RobotResult run_splash(const std::vector<std::string>& rules = {}) {
    return prefix.robot({windows_path(veskreg_exe()), "-splash"}, rules, 60s);
  }

  // The splash (a bare visible popup) and then the main dialog.
  void expect_splash_over_main_dialog(const RobotResult& run) {
    auto windows = seen_windows(run);
    ASSERT_EQ(windows.size(), 2u) << run.transcript;
    const SeenWindow& splash = windows[0];
    EXPECT_EQ(splash.caption, "");
    EXPECT_EQ(splash.style & (kWsPopup | kWsVisible | kWsCaption), kWsPopup | kWsVisible) << run.transcript;
    EXPECT_TRUE(splash.controls.empty());
    const SeenWindow& main = windows[1];
    EXPECT_EQ(main.caption, kDialogCaption);
    EXPECT_NE(main.style & kDsSysModal, 0u);
    EXPECT_NE(main.exstyle & kWsExAppWindow, 0u) << run.transcript;
    EXPECT_NE(main.exstyle & kWsExTopmost, 0u) << run.transcript;
    ASSERT_NE(main.control(1019), nullptr) << run.transcript;
    EXPECT_EQ(main.control(1019)->text, kVersionLine);
    ASSERT_NE(main.control(3), nullptr);
    EXPECT_EQ(main.control(3)->text, "Cancel");
    ASSERT_NE(main.control(1060), nullptr);
  }

  Prefix prefix;
};

// Without "splashdelay" the splash goes at its first timer tick and takes the
// main dialog with it: the run ends by itself with 212.
TEST_F(Splash, WithoutDelayBothCloseByThemselves) {
  auto run = run_splash();
  ASSERT_FALSE(run.timed_out()) << run.transcript;
  EXPECT_EQ(run.exit_code(), 212) << run.transcript;
  expect_splash_over_main_dialog(run);
}

// A long "splashdelay" keeps both up a second later, until a key press on the
// dialog removes the splash and closes the dialog.
TEST_F(Splash, LongDelayLastsUntilAKeyPress) {
  set_splash_delay("HKLM", 600000);
  auto run = run_splash({"caption \"" + kDialogCaption + "\" after 1000 key 0x20"});
  ASSERT_FALSE(run.timed_out()) << run.transcript;
  EXPECT_NE(run.transcript.find(" after 1000 key 0x20 -> ok"), std::string::npos) << run.transcript;
  EXPECT_EQ(run.exit_code(), 212) << run.transcript;
  expect_splash_over_main_dialog(run);
}

// A short delay ends the run by itself as well.
TEST_F(Splash, ShortDelayEndsByItself) {
  set_splash_delay("HKLM", 500);
  auto run = run_splash();
  ASSERT_FALSE(run.timed_out()) << run.transcript;
  EXPECT_EQ(run.exit_code(), 212) << run.transcript;
  expect_splash_over_main_dialog(run);
}

// Only HKEY_LOCAL_MACHINE is read: a long delay under HKEY_CURRENT_USER
// changes nothing.
TEST_F(Splash, DelayUnderCurrentUserIsIgnored) {
  set_splash_delay("HKCU", 600000);
  auto run = run_splash();
  ASSERT_FALSE(run.timed_out()) << run.transcript;
  EXPECT_EQ(run.exit_code(), 212) << run.transcript;
}

class AddInstance : public ::testing::Test {
 protected:
  // An installed product: the XPS driver with the printer "Folyant" on it.
  void SetUp() override {
    prefix.stage_product_files();
    auto run = prefix.spoolctl(
        {"add-driver", "Folyant-A", "Windows NT x86", "3", ";", "add-printer", "Folyant", "Folyant-A", "FILE:"});
    ASSERT_EQ(run.exit_code, 0) << run.describe();
  }

  RobotResult add_instance(const std::vector<std::string>& rules) {
    return prefix.robot({windows_path(veskreg_exe()), "-addinstance"}, rules, 60s);
  }

  void expect_add_printer_dialog(const SeenWindow& dialog, const std::string& proposal) {
    EXPECT_EQ(dialog.caption, "Add Printer");
    ASSERT_NE(dialog.control(1070), nullptr);
    EXPECT_EQ(dialog.control(1070)->text, proposal);
    ASSERT_NE(dialog.control(1069), nullptr);
    EXPECT_EQ(dialog.control(1069)->text, "Printer Name:");
    ASSERT_NE(dialog.control(1), nullptr);
    EXPECT_EQ(dialog.control(1)->text, "OK");
    ASSERT_NE(dialog.control(2), nullptr);
    EXPECT_EQ(dialog.control(2)->text, "Cancel");
  }

  std::vector<std::string> printer(const SpoolerListing& listing, const std::string& name) {
    for (const auto& each : listing.printers)
      if (!each.empty() && each[0] == name) return each;
    return {};
  }

  const std::vector<std::string> answer_boxes = {"caption \"Vesk Harrow Systems\" click \"OK\"",
                                                 "caption \"Folyant\" click \"OK\""};
  Prefix prefix;
};

// Accepting the proposal creates "Folyant (Copy 1)" on the product's port,
// writes its settings value and says so in a system-modal box without icon.
TEST_F(AddInstance, AcceptingTheProposalCreatesThePrinter) {
  prefix.stage_port_monitor();
  std::vector<std::string> rules = {"caption \"Add Printer\" click \"OK\""};
  rules.insert(rules.end(), answer_boxes.begin(), answer_boxes.end());
  auto run = add_instance(rules);
  ASSERT_FALSE(run.timed_out()) << run.transcript;
  EXPECT_EQ(run.exit_code(), 0) << run.transcript;
  auto windows = seen_windows(run);
  ASSERT_EQ(windows.size(), 2u) << run.transcript;
  expect_add_printer_dialog(windows[0], "Folyant (Copy 1)");
  EXPECT_EQ(windows[0].style & kDsSysModal, 0u);
  expect_box(windows[1], "Vesk Harrow Systems", "Folyant (Copy 1) printer created.", false);

  auto listing = prefix.spooler();
  EXPECT_EQ(printer(listing, "Folyant (Copy 1)"),
            (std::vector<std::string>{"Folyant (Copy 1)", "Folyant-A", "PDFFILE:", "winprint", "0x00000140"}));
  // "Folyant" is made again on the kind just added.
  EXPECT_EQ(printer(listing, "Folyant"),
            (std::vector<std::string>{"Folyant", "Folyant-A", "PDFFILE:", "winprint", "0x00000140"}));
  auto settings =
      prefix.registry_value("HKCU", "Software\\Vesk Harrow Systems\\Folyant (Copy 1)", "PDFDefaultFileName");
  EXPECT_TRUE(settings.present);
  EXPECT_EQ(settings.type, 1u);
  EXPECT_EQ(settings.data, std::string(1, '\0'));
}

// Without the port-monitor library the monitor cannot be added (126): the
// user is told (string 11, caption "Folyant"), and the printer is still made,
// on the system's file port.
TEST_F(AddInstance, WithoutPortMonitorLibraryThePrinterPrintsToFile) {
  std::vector<std::string> rules = {"caption \"Add Printer\" click \"OK\""};
  rules.insert(rules.end(), answer_boxes.begin(), answer_boxes.end());
  auto run = add_instance(rules);
  ASSERT_FALSE(run.timed_out()) << run.transcript;
  EXPECT_EQ(run.exit_code(), 0) << run.transcript;
  auto windows = seen_windows(run);
  ASSERT_EQ(windows.size(), 3u) << run.transcript;
  expect_add_printer_dialog(windows[0], "Folyant (Copy 1)");
  expect_box(windows[1], "Folyant",
             "A system error 126 occurred that prevented Folyant from being installed.  See help for steps to resolve "
             "the issue.",
             true);
  expect_box(windows[2], "Vesk Harrow Systems", "Folyant (Copy 1) printer created.", false);
  EXPECT_EQ(printer(prefix.spooler(), "Folyant (Copy 1)"),
            (std::vector<std::string>{"Folyant (Copy 1)", "Folyant-A", "FILE:", "winprint", "0x00000140"}));
  bool logged = false;
  for (const auto& entry : run.run.events())
    logged |= entry.type == "error" && entry.text == "AddPrinterError AddMonitor, error 126";
  EXPECT_TRUE(logged) << run.run.err;
  prefix.wait_for_programs();  // the help viewer
}

// A taken name (in other case) gets box 19, a refused one box 20, each
// followed by a fresh dialog with the proposal again; Cancel then ends it with
// nothing created.
TEST_F(AddInstance, TakenAndInvalidNamesAreRefusedUntilCancel) {
  auto added = prefix.spoolctl({"add-printer", "Folyant (Copy 1)", "Folyant-A", "FILE:"});
  ASSERT_EQ(added.exit_code, 0) << added.describe();
  const std::vector<std::string> refused = {"bad/name", "50%", "say \\\"hi\\\"", ""};
  std::vector<std::string> rules = {"caption \"Add Printer\" nth 1 set #1070 \"folyant (copy 1)\"",
                                    "caption \"Add Printer\" nth 1 click \"OK\""};
  for (size_t i = 0; i < refused.size(); ++i) {
    const std::string nth = std::to_string(i + 2);
    rules.push_back("caption \"Add Printer\" nth " + nth + " set #1070 \"" + refused[i] + "\"");
    rules.push_back("caption \"Add Printer\" nth " + nth + " click \"OK\"");
  }
  rules.push_back("caption \"Add Printer\" nth " + std::to_string(refused.size() + 2) + " click \"Cancel\"");
  rules.insert(rules.end(), answer_boxes.begin(), answer_boxes.end());
  const auto before = prefix.spooler().printers;

  auto run = add_instance(rules);
  ASSERT_FALSE(run.timed_out()) << run.transcript;
  EXPECT_EQ(run.exit_code(), 0) << run.transcript;
  auto windows = seen_windows(run);
  ASSERT_EQ(windows.size(), 2 * refused.size() + 3) << run.transcript;
  for (size_t i = 0; i < windows.size(); i += 2) expect_add_printer_dialog(windows[i], "Folyant (Copy 2)");
  expect_box(windows[1], "Vesk Harrow Systems", "Printer named folyant (copy 1) already exists.", true);
  expect_box(windows[3], "Vesk Harrow Systems", "Printer name bad/name is not valid.", true);
  expect_box(windows[5], "Vesk Harrow Systems", "Printer name 50% is not valid.", true);
  expect_box(windows[7], "Vesk Harrow Systems", "Printer name say \"hi\" is not valid.", true);
  expect_box(windows[9], "Vesk Harrow Systems", "Printer name  is not valid.", true);
  EXPECT_EQ(prefix.spooler().printers, before);
}

// Cancelling the first dialog creates nothing and shows nothing more.
TEST_F(AddInstance, CancelAtOnceCreatesNothing) {
  const auto before = prefix.spooler().printers;
  auto run = add_instance({"caption \"Add Printer\" click \"Cancel\""});
  ASSERT_FALSE(run.timed_out()) << run.transcript;
  EXPECT_EQ(run.exit_code(), 0) << run.transcript;
  EXPECT_EQ(seen_windows(run).size(), 1u) << run.transcript;
  EXPECT_EQ(prefix.spooler().printers, before);
}

}  // namespace
}  // namespace wine
