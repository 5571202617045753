// The "-splash" run: the main dialog hosting the splash window, and how the splash goes.
#include <algorithm>
#include <string>
#include <vector>

#include "app/install_context.h"
#include "platform/sim/machine.h"
#include "platform/window.h"
#include "resources/resource.h"
#include "sim_fixture.h"
#include "ui/main_dialog.h"
#include "ui/splash.h"

namespace {

constexpr const char* kMachineKey = "HKLM\\Software\\Vesk Harrow Systems\\Folyant";
constexpr const char* kUserKey = "HKCU\\Software\\Vesk Harrow Systems\\Folyant";
constexpr const char* kSplashClass = "window VeskregWindow";

class SplashTest : public SimTest {
 protected:
  void SetUp() override {
    ResetInstallContext();
    SetSplashOptions(0, 0);
  }
  void TearDown() override {
    EXPECT_EQ(CurrentSplash(), nullptr);
    SimTest::TearDown();
  }

  sim::WindowModel& windows() { return machine().windows; }

  // The window-system log from `first` on, as one text per line.
  bool LogHasInOrder(const std::vector<std::string>& lines) {
    auto at = windows().log.begin();
    for (const std::string& line : lines) {
      at = std::find(at, windows().log.end(), line);
      if (at == windows().log.end()) return false;
      ++at;
    }
    return true;
  }

  // Runs "-splash" and returns how long, on the virtual clock, the run took.
  uint32_t RunSplash() {
    uint32_t start = machine().tickCount;
    EXPECT_EQ(RunProgram("-splash"), 212);
    return machine().tickCount - start;
  }
};

}  // namespace

// Without "splashdelay" the splash shows for the shortest timer and takes the host with it.
TEST_F(SplashTest, DefaultDelayPaintsOnceAndClosesHostWithSplash) {
  uint32_t elapsed = RunSplash();

  ASSERT_EQ(windows().dialogs.size(), 1u);
  const sim::DialogRecord& host = windows().dialogs[0];
  EXPECT_EQ(host.templateId, 102u);
  EXPECT_EQ(host.result, os::kIdCancel);
  ASSERT_EQ(windows().timerLog.size(), 1u);
  EXPECT_EQ(windows().timerLog[0].requested, 1u);
  EXPECT_EQ(windows().timerLog[0].id, 1u);
  EXPECT_EQ(elapsed, 10u);  // USER_TIMER_MINIMUM
  ASSERT_EQ(windows().blits.size(), 1u);
  const sim::Blit& blit = windows().blits[0];
  EXPECT_EQ(blit.window, kSplashClass);
  EXPECT_EQ(blit.bitmap, 151u);
  EXPECT_EQ(blit.width, 393);
  EXPECT_EQ(blit.height, 293);
  EXPECT_EQ(blit.rop, os::kSrcCopy);
  EXPECT_TRUE(
      LogHasInOrder({"CreateWindowExA VeskregWindow ex 0x0 style 0x90000000 393x293 owner dialog 102",
                     "SetWindowPos dialog 102 HWND_BOTTOM 0,0 1x1 0x2", "DestroyWindow " + std::string(kSplashClass),
                     "UpdateWindow dialog 102", "WM_CLOSE dialog 102", "EndDialog dialog 102 2"}));
  ASSERT_EQ(windows().registeredClasses.size(), 1u);
  EXPECT_EQ(windows().registeredClasses[0], "style 0x0 cursor arrow brush none icon none");
}

// "splashdelay" under HKEY_LOCAL_MACHINE sets the time; the user's key is not read.
TEST_F(SplashTest, DelayComesFromMachineKeyOnly) {
  machine().registry.SetDword(kUserKey, "splashdelay", 9000);
  EXPECT_EQ(RunSplash(), 10u);

  sim::ResetMachine();
  SetSplashOptions(0, 0);
  machine().registry.SetDword(kMachineKey, "splashdelay", 3000);
  EXPECT_EQ(RunSplash(), 3000u);
  EXPECT_EQ(windows().timerLog.at(0).requested, 3000u);
}

// The display time is any value of at most four bytes, of whatever type; longer ones leave 1.
TEST_F(SplashTest, DelayOfOtherTypesAndSizes) {
  machine().registry.SetValue(kMachineKey, "splashdelay", 3, {0xE8, 0x03});  // REG_BINARY 1000
  EXPECT_EQ(ReadSplashDelay(), 1000u);
  machine().registry.SetValue(kMachineKey, "splashdelay", 3, {1, 2, 3, 4, 5});
  EXPECT_EQ(ReadSplashDelay(), 1u);
  machine().registry.SetDword(kMachineKey, "splashdelay", 0);
  EXPECT_EQ(ReadSplashDelay(), 0u);
  machine().FailCall("RegOpenKeyExA", 5);
  EXPECT_EQ(ReadSplashDelay(), 1u);
}

// Each of the eight presses removes the splash at once, closes the host and reaches no window.
TEST_F(SplashTest, EveryPressRemovesSplashAndIsSwallowed) {
  struct Press {
    sim::Target target;
    uint32_t message;
  };
  const Press presses[] = {
      {sim::Target::Focus, os::kWmKeyDown},        {sim::Target::Focus, os::kWmSysKeyDown},
      {sim::Target::Splash, os::kWmLButtonDown},   {sim::Target::Dialog, os::kWmRButtonDown},
      {sim::Target::Splash, os::kWmMButtonDown},   {sim::Target::Dialog, os::kWmNcLButtonDown},
      {sim::Target::Dialog, os::kWmNcRButtonDown}, {sim::Target::Dialog, os::kWmNcMButtonDown},
  };
  for (const Press& press : presses) {
    sim::ResetMachine();
    SetSplashOptions(0, 0);
    machine().registry.SetDword(kMachineKey, "splashdelay", 60000);
    windows().Send(press.target, 0, {press.message}, 2);
    EXPECT_EQ(RunSplash(), windows().userThinkMilliseconds) << press.message;
    EXPECT_EQ(windows().dialogs.at(0).result, os::kIdCancel) << press.message;
    EXPECT_TRUE(windows().inputDelivered.empty()) << press.message;
    EXPECT_TRUE(LogHasInOrder({"SetWindowPos dialog 102 HWND_BOTTOM 0,0 1x1 0x2", "WM_CLOSE dialog 102"}));
  }
}

// Moves and releases reach their windows and leave the splash to its timer.
TEST_F(SplashTest, MovesAndReleasesDoNotRemoveSplash) {
  machine().registry.SetDword(kMachineKey, "splashdelay", 60000);
  windows().Send(sim::Target::Splash, 0, {os::kWmMouseMove, os::kWmLButtonUp, os::kWmRButtonUp});
  windows().Send(sim::Target::Focus, 0, {os::kWmKeyUp, os::kWmSysKeyUp}, 'A');
  EXPECT_EQ(RunSplash(), 60000u);
  EXPECT_EQ(windows().inputDelivered.size(), 5u);
  EXPECT_EQ(windows().dialogs.at(0).result, os::kIdCancel);
}

// The host is centred on the whole desktop and topmost; the splash on the work area.
TEST_F(SplashTest, HostCentredOnDesktopSplashOnWorkArea) {
  RunSplash();
  const sim::DialogRecord& host = windows().dialogs.at(0);
  // 250 x 162 dialog units make a 381 x 288 window.
  EXPECT_EQ(host.rect.left, (1024 - 381) / 2);
  EXPECT_EQ(host.rect.top, (768 - 288) / 2);
  EXPECT_TRUE(host.topmost);
  EXPECT_TRUE(LogHasInOrder({"SetWindowPos dialog 102 HWND_TOPMOST 321,240 0x0 0x1",
                             "SetWindowPos " + std::string(kSplashClass) + " - 315,217 0x0 0x15"}));
}

// A host larger than the desktop takes the negative position as computed.
TEST_F(SplashTest, HostLargerThanDesktopGetsNegativePosition) {
  windows().desktop = os::Rect{0, 0, 300, 200};
  windows().workArea = os::Rect{0, 0, 300, 170};
  RunSplash();
  EXPECT_EQ(windows().dialogs.at(0).rect.left, -40);
  EXPECT_EQ(windows().dialogs.at(0).rect.top, -44);
}

// The main dialog shows the version line, carries icon 128 and draws it while minimised.
TEST_F(SplashTest, HostShowsVersionIconAndMinimisedPainting) {
  machine().FailCall("LoadBitmapA", 1814);  // no splash: the dialog stays for the user
  windows().Minimize();
  windows().Key(os::kVkEscape);
  RunSplash();

  const sim::DialogRecord& host = windows().dialogs.at(0);
  EXPECT_EQ(host.caption, "Vesk Harrow Systems LLC");
  EXPECT_EQ(host.Shown(IDC_MAIN_VERSION)->text, "Folyant Version 10.0.31");
  EXPECT_EQ(host.bigIcon, 128u);
  EXPECT_EQ(host.smallIcon, 128u);
  EXPECT_EQ(host.result, os::kIdCancel);
  ASSERT_EQ(windows().iconDrawings.size(), 1u);
  // Client area 375 x 263, icon 32 x 32.
  EXPECT_EQ(windows().iconDrawings[0].x, 172);
  EXPECT_EQ(windows().iconDrawings[0].y, 116);
  EXPECT_EQ(windows().iconDrawings[0].icon, 128u);
}

// Without Shift, button 1060 just ends the dialog and touches no setting.
TEST_F(SplashTest, ButtonWithoutShiftEndsDialog) {
  machine().FailCall("LoadBitmapA", 1814);
  windows().Click(IDC_MAIN_LOGGING);
  RunSplash();
  EXPECT_EQ(windows().dialogs.at(0).result, os::kIdCancel);
  EXPECT_EQ(windows().dialogs.at(0).Shown(IDC_MAIN_LOGGING)->text, "www.veskharrow.example");
  EXPECT_EQ(LoggingToggleMode(), 0);
  EXPECT_FALSE(machine().registry.KeyExists(kUserKey));
}

// With Shift and no splash, button 1060 switches logging on and off and the dialog stays.
TEST_F(SplashTest, ButtonWithShiftTogglesLogging) {
  machine().FailCall("LoadBitmapA", 1814);
  windows().shiftDown = true;
  windows().Click(IDC_MAIN_LOGGING);
  windows().Click(IDC_MAIN_LOGGING);
  windows().Click(IDC_MAIN_LOGGING);
  windows().Click(IDC_MAIN_CANCEL);
  RunSplash();
  const sim::DialogRecord& host = windows().dialogs.at(0);
  EXPECT_EQ(host.Shown(IDC_MAIN_LOGGING)->text, "Enable Debugging");
  EXPECT_EQ(host.Final(IDC_MAIN_LOGGING)->text, "Disable Debugging");
  EXPECT_EQ(host.result, os::kIdCancel);
  EXPECT_EQ(LoggingToggleMode(), 1);
  const sim::RegistryValue* flags = machine().registry.FindValue(kUserKey, "EventLogFlags");
  ASSERT_NE(flags, nullptr);
  EXPECT_EQ(flags->type, 4u);
  EXPECT_EQ(flags->data, (std::vector<uint8_t>{255, 0, 0, 0}));
}

// While the splash is up, the first press on 1060 only removes the splash and closes the host.
TEST_F(SplashTest, ButtonWhileSplashUpOnlyClosesHost) {
  machine().registry.SetDword(kMachineKey, "splashdelay", 60000);
  windows().shiftDown = true;
  windows().Click(IDC_MAIN_LOGGING);
  RunSplash();
  EXPECT_EQ(windows().dialogs.at(0).result, os::kIdCancel);
  EXPECT_FALSE(machine().registry.KeyExists(kUserKey));
}

// Enter ends the host through the OK operation.
TEST_F(SplashTest, EnterEndsHostWithOk) {
  machine().FailCall("LoadBitmapA", 1814);
  windows().Key(os::kVkReturn);
  RunSplash();
  EXPECT_EQ(windows().dialogs.at(0).result, os::kIdOk);
}

// Only one splash at a time, none while disabled, and a failed one leaves nothing behind.
TEST_F(SplashTest, ShowSplashWindowRefusals) {
  EXPECT_EQ(ShowSplashWindow(1, IDB_SPLASH, nullptr), 0);
  EXPECT_EQ(std::count(machine().calls.begin(), machine().calls.end(), "LoadBitmapA"), 0);

  SetSplashOptions(1, 0);
  ASSERT_EQ(ShowSplashWindow(1, IDB_SPLASH, nullptr), 1);
  EXPECT_EQ(ShowSplashWindow(1, IDB_SPLASH, nullptr), 0);
  EXPECT_EQ(machine().OpenHandles(sim::HandleKind::Window), 1);
  HideSplashWindow();
  EXPECT_EQ(CurrentSplash(), nullptr);

  machine().FailCall("CreateWindowExA", 1400);
  EXPECT_EQ(ShowSplashWindow(1, IDB_SPLASH, nullptr), 0);
  EXPECT_EQ(CurrentSplash(), nullptr);
  machine().FailCall("CreateWindowExA", 0, 0, 0);

  EXPECT_EQ(ShowSplashWindow(1, 999, nullptr), 0);
  EXPECT_EQ(CurrentSplash(), nullptr);
}

// Without a memory device context the splash is left unpainted, and nothing leaks.
TEST_F(SplashTest, NoMemoryContextLeavesSplashUnpainted) {
  machine().FailCall("CreateCompatibleDC", 8);
  RunSplash();
  EXPECT_TRUE(windows().blits.empty());
  EXPECT_EQ(windows().dialogs.at(0).result, os::kIdCancel);
}
