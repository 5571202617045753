// The tests' own tools, checked against things Wine ships, so that "no window"
// and spooler arrangements elsewhere mean what they say.
#include <gtest/gtest.h>

#include "harness.h"

namespace wine {
namespace {

class Fixtures : public ::testing::Test {
 protected:
  Prefix prefix;
};

// The robot sees a dialog, writes down its controls and presses a button.
TEST_F(Fixtures, RobotSeesADialogAndClicksItsButton) {
  auto run = prefix.robot({"winver.exe"}, {"class \"#32770\" click \"OK\""});
  ASSERT_FALSE(run.timed_out()) << run.transcript;
  ASSERT_EQ(run.windows().size(), 1u) << run.transcript;
  EXPECT_NE(run.windows()[0].find("class=\"#32770\" caption=\"About Wine"), std::string::npos);
  EXPECT_NE(run.transcript.find("\n  control id=1 class=\"Button\" text=\"OK\""), std::string::npos) << run.transcript;
  EXPECT_NE(run.transcript.find("\nrule 1 class \"#32770\" click \"OK\" -> ok"), std::string::npos) << run.transcript;
  EXPECT_EQ(run.exit_code(), 0) << run.transcript;
}

// A "close" rule ends a window that has no button to press, found by its class.
TEST_F(Fixtures, RobotClosesAWindowByClass) {
  auto run = prefix.robot({"notepad.exe"}, {"class \"Notepad\" close"});
  ASSERT_FALSE(run.timed_out()) << run.transcript;
  ASSERT_EQ(run.windows().size(), 1u) << run.transcript;
  EXPECT_EQ(run.exit_code(), 0) << run.transcript;
}

// A window closed again at once is still seen, with its class and caption:
// "no window" elsewhere means none was shown.
TEST_F(Fixtures, RobotSeesAWindowShownForAnInstant) {
  auto run = prefix.robot({windows_path(fixture("flashwin.exe"))});
  ASSERT_EQ(run.windows().size(), 1u) << run.transcript;
  EXPECT_NE(run.windows()[0].find("class=\"Static\" caption=\"flash\""), std::string::npos) << run.transcript;
  EXPECT_EQ(run.exit_code(), 5) << run.transcript;
}

// A target that never ends is killed at the timeout, and says so.
TEST_F(Fixtures, RobotEndsATargetAtTheTimeout) {
  auto run = prefix.robot({"notepad.exe"}, {}, 5s);
  EXPECT_TRUE(run.timed_out()) << run.transcript;
  EXPECT_EQ(run.run.exit_code, 250) << run.run.describe();
  EXPECT_EQ(run.windows().size(), 1u) << run.transcript;
}

// spoolctl arranges and lists the spooler as the Wine cases rely on, and reports failures.
TEST_F(Fixtures, SpoolctlAddsListsAndDeletesAPrinter) {
  auto added = prefix.spoolctl(
      {"add-driver", "Folyant-A", "Windows NT x86", "3", ";", "add-printer", "Folyant", "Folyant-A", "FILE:"});
  ASSERT_EQ(added.exit_code, 0) << added.describe();
  auto listing = prefix.spooler();
  ASSERT_EQ(listing.printers.size(), 1u);
  EXPECT_EQ(listing.printers[0], (std::vector<std::string>{"Folyant", "Folyant-A", "FILE:", "winprint", "0x00000040"}));
  ASSERT_FALSE(listing.monitors.empty());

  auto deleted = prefix.spoolctl({"delete-printer", "Folyant"});
  ASSERT_EQ(deleted.exit_code, 0) << deleted.describe();
  EXPECT_TRUE(prefix.spooler().printers.empty());

  // A failing call names its verb and the Win32 error.
  auto missing = prefix.spoolctl({"delete-printer", "Folyant"});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_EQ(missing.out, "error\tdelete-printer\t1801\n");
}

// The emulated Windows version is what programs in the prefix read.
TEST_F(Fixtures, WindowsVersionIsSetPerPrefix) {
  prefix.set_windows_version("winxp");
  auto xp = prefix.wine({"cmd", "/c", "ver"}, 60s, "-all");
  EXPECT_NE(xp.out.find("Windows 5.1."), std::string::npos) << xp.describe();
  prefix.set_windows_version("win10");
  auto ten = prefix.wine({"cmd", "/c", "ver"}, 60s, "-all");
  EXPECT_NE(ten.out.find("Windows 10.0."), std::string::npos) << ten.describe();
}

// Lines as Wine 8 prints them for ReportEventA.
TEST(EventLog, ReadsWineEventlogChannel) {
  auto entries = parse_event_log(
      "00d8:trace:eventlog:ServiceMain starting Event Log Service\n"
      "0024:fixme:advapi:ReportEventW (CAFE4242,0x0004,...): stub\n"
      "0024:trace:eventlog:ReportEventW L\" -quiet\"\n"
      "0024:warn:eventlog:ReportEventW L\"warn \\\"quoted\\\"\\ttab\\nline \\00e9\"\n"
      "0024:err:eventlog:ReportEventW L\"xxxx\"...\n");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].type, "information");
  EXPECT_EQ(entries[0].text, " -quiet");
  EXPECT_EQ(entries[1].type, "warning");
  EXPECT_EQ(entries[1].text, "warn \"quoted\"\ttab\nline \xc3\xa9");
  EXPECT_EQ(entries[2].type, "error");
  EXPECT_TRUE(entries[2].truncated);
  EXPECT_FALSE(entries[1].truncated);
}

}  // namespace
}  // namespace wine
