// The About box of the run without switches, and the logging switch over the settings chain.
#include <algorithm>
#include <string>
#include <vector>

#include "app/install_context.h"
#include "platform/sim/machine.h"
#include "platform/sim/spooler_model.h"
#include "platform/window.h"
#include "resources/resource.h"
#include "sim_fixture.h"
#include "ui/about.h"
#include "ui/splash.h"

namespace {

constexpr const char* kLegacyKey = "HKCU\\Software\\VB and VBA Program Settings\\Vesk Harrow Systems\\Folyant";
constexpr const char* kUserKey = "HKCU\\Software\\Vesk Harrow Systems\\Folyant";
constexpr const char* kMachineKey = "HKLM\\Software\\Vesk Harrow Systems\\Folyant";

class AboutTest : public SimTest {
 protected:
  void SetUp() override {
    ResetInstallContext();
    SetSplashOptions(0, 0);
  }
  sim::WindowModel& windows() { return machine().windows; }

  // The caption the About box's logging button shows when opened with Shift.
  std::string ShiftCaption() {
    windows().shiftDown = true;
    windows().Key(os::kVkReturn);
    EXPECT_EQ(RunProgram(""), 212);
    return windows().dialogs.back().Shown(IDC_ABOUT_LOGGING)->text;
  }
};

}  // namespace

// Without switches the About box shows, then the "Folyant" shortcut is made; exit code 212.
TEST_F(AboutTest, NoSwitchesShowsAboutThenShortcut) {
  windows().Key(os::kVkReturn);
  EXPECT_EQ(RunProgram(""), 212);

  ASSERT_EQ(windows().dialogs.size(), 1u);
  const sim::DialogRecord& about = windows().dialogs[0];
  EXPECT_EQ(about.templateId, 129u);
  EXPECT_EQ(about.caption, "Vesk Harrow Systems LLC");
  EXPECT_EQ(about.style & os::kWsSysMenu, 0u);
  EXPECT_NE(about.style & os::kDsSysModal, 0u);
  EXPECT_FALSE(about.hasOwner);
  EXPECT_EQ(about.Shown(IDC_ABOUT_VERSION)->text, "Folyant Version 10.0.31");
  EXPECT_FALSE(about.Shown(IDC_ABOUT_LOGGING)->visible);
  EXPECT_EQ(about.focusId, os::kIdOk);
  EXPECT_EQ(about.result, os::kIdOk);
  auto ended = std::find(machine().calls.begin(), machine().calls.end(), "EndDialog");
  ASSERT_NE(ended, machine().calls.end());
  EXPECT_NE(std::find(ended, machine().calls.end(), "SHGetSpecialFolderLocation"), machine().calls.end());
}

// The shortcut after the About box exists only for an installed "Folyant", and a stale
// one is written anew.
TEST_F(AboutTest, ShortcutAfterAboutOnlyForInstalledFolyant) {
  const std::string link = machine().shell.sendToFolder + "\\Folyant.lnk";
  windows().Key(os::kVkReturn);
  EXPECT_EQ(RunProgram(""), 212);
  EXPECT_FALSE(machine().files.Exists(link));

  sim::ResetMachine();
  sim::Printer printer;
  printer.name = "Folyant";
  printer.driver = "Folyant-A";
  machine().printers.push_back(printer);
  machine().files.Put(link, "stale bytes");
  windows().Key(os::kVkReturn);
  EXPECT_EQ(RunProgram(""), 212);
  EXPECT_EQ(machine().shell.LinkTargetPrinter(link), "Folyant");
}

// "-quiet" shows nothing and makes no shortcut.
TEST_F(AboutTest, QuietShowsNothing) {
  machine().ForbidCall("DialogBoxParamA");
  machine().ForbidCall("SHGetSpecialFolderLocation");
  EXPECT_EQ(RunProgram("-quiet"), 212);
  EXPECT_TRUE(windows().dialogs.empty());
}

// "-splash" wins over "-quiet": the main dialog still shows.
TEST_F(AboutTest, SplashWinsOverQuiet) {
  EXPECT_EQ(RunProgram("-splash -quiet"), 212);
  ASSERT_EQ(windows().dialogs.size(), 1u);
  EXPECT_EQ(windows().dialogs[0].templateId, 102u);
}

// The box has no close box; Escape ends it with IDCANCEL and the shortcut still follows.
TEST_F(AboutTest, NoCloseBoxEscapeCancels) {
  windows().CloseBox();
  windows().Key(os::kVkEscape);
  EXPECT_EQ(RunProgram(""), 212);
  EXPECT_EQ(windows().dialogs.at(0).result, os::kIdCancel);
  EXPECT_GE(std::count(machine().calls.begin(), machine().calls.end(), "SHGetSpecialFolderLocation"), 1);
}

// With Shift the hidden button appears, captioned by the first key of the chain that answers.
TEST_F(AboutTest, ShiftShowsButtonCaptionedByChain) {
  EXPECT_EQ(ShiftCaption(), "Enable Debugging");
  const sim::ControlSnapshot* button = windows().dialogs.back().Shown(IDC_ABOUT_LOGGING);
  EXPECT_TRUE(button->visible);
  EXPECT_TRUE(button->enabled);

  sim::ResetMachine();
  machine().registry.SetDword(kMachineKey, "EventLogFlags", 1);
  EXPECT_EQ(ShiftCaption(), "Disable Debugging");

  // A 0 in an earlier key hides a non-zero value in a later one.
  sim::ResetMachine();
  machine().registry.SetDword(kLegacyKey, "EventLogFlags", 0);
  machine().registry.SetDword(kMachineKey, "EventLogFlags", 1);
  EXPECT_EQ(ShiftCaption(), "Enable Debugging");
}

// Two presses from nothing: 255 written under the user's key, then deleted; the key stays.
TEST_F(AboutTest, TogglingTwiceWritesThenDeletes) {
  windows().shiftDown = true;
  windows().Click(IDC_ABOUT_LOGGING);
  windows().Click(IDC_ABOUT_LOGGING);
  windows().Key(os::kVkEscape);
  RunProgram("");
  EXPECT_EQ(windows().dialogs.at(0).Final(IDC_ABOUT_LOGGING)->text, "Enable Debugging");
  EXPECT_TRUE(machine().registry.KeyExists(kUserKey));
  EXPECT_EQ(machine().registry.FindValue(kUserKey, "EventLogFlags"), nullptr);

  EXPECT_STREQ(ToggleEventLogFlags(), "Disable Debugging");
  const sim::RegistryValue* flags = machine().registry.FindValue(kUserKey, "EventLogFlags");
  ASSERT_NE(flags, nullptr);
  EXPECT_EQ(flags->data, (std::vector<uint8_t>{255, 0, 0, 0}));
}

// Switching off removes the value only up to the first key where it was found.
TEST_F(AboutTest, SwitchingOffStopsAtFirstKeyFound) {
  machine().registry.SetDword(kUserKey, "EventLogFlags", 255);
  machine().registry.SetDword(kMachineKey, "EventLogFlags", 255);
  EXPECT_STREQ(ToggleEventLogFlags(), "Enable Debugging");
  EXPECT_EQ(machine().registry.FindValue(kUserKey, "EventLogFlags"), nullptr);
  EXPECT_NE(machine().registry.FindValue(kMachineKey, "EventLogFlags"), nullptr);
  EXPECT_STREQ(LoggingCaption(), "Disable Debugging");
}

// A machine value the user may not change: the caption turns, the value stays on.
TEST_F(AboutTest, ReadOnlyMachineValueSurvivesSwitchingOff) {
  machine().registry.SetDword(kMachineKey, "EventLogFlags", 255);
  machine().registry.FindKey(kMachineKey)->grantedAccess = 0x20019;  // KEY_READ
  EXPECT_STREQ(ToggleEventLogFlags(), "Enable Debugging");
  EXPECT_NE(machine().registry.FindValue(kMachineKey, "EventLogFlags"), nullptr);
  EXPECT_STREQ(LoggingCaption(), "Disable Debugging");
}
