// The diagnostic log, the string-table boxes and child processes.
#include "app/diagnostics.h"

#include <string>

#include "sim_fixture.h"

namespace {
class DiagnosticsTest : public SimTest {};
}  // namespace

// One entry: debugger output first, then the event under "Folyant App", id 100, category 0.
TEST_F(DiagnosticsTest, LogWritesDebuggerOutputThenOneEvent) {
  LogAppEvent(2, "AddMonitor: already installed, error %d", 3006);
  ASSERT_EQ(machine().debugOutput.size(), 1u);
  EXPECT_EQ(machine().debugOutput[0], "AddMonitor: already installed, error 3006");
  ASSERT_EQ(machine().eventLog.size(), 1u);
  const sim::EventRecord& entry = machine().eventLog[0];
  EXPECT_EQ(entry.source, "Folyant App");
  EXPECT_EQ(entry.type, 2);
  EXPECT_EQ(entry.category, 0);
  EXPECT_EQ(entry.eventId, 100u);
  EXPECT_EQ(entry.text, "AddMonitor: already installed, error 3006");
  // The debugger hears it before the event source is even opened.
  auto debug = std::find(machine().calls.begin(), machine().calls.end(), "OutputDebugStringA");
  auto source = std::find(machine().calls.begin(), machine().calls.end(), "RegisterEventSourceA");
  EXPECT_LT(debug, source);
}

// A long message is cut at 511 characters in both places.
TEST_F(DiagnosticsTest, LongMessageIsCutAt511) {
  std::string long600(600, 'a');
  for (size_t i = 0; i < long600.size(); ++i) long600[i] = static_cast<char>('a' + i % 26);
  LogAppEvent(1, "%s", long600.c_str());
  EXPECT_EQ(machine().debugOutput.at(0), long600.substr(0, 511));
  EXPECT_EQ(machine().eventLog.at(0).text, long600.substr(0, 511));
}

// Without an event source the debugger output is still written, and nothing else fails.
TEST_F(DiagnosticsTest, NoEventSourceStillWritesDebuggerOutput) {
  machine().FailCall("RegisterEventSourceA", 5);
  LogAppEvent(4, "InstallPrinter: INF install successful");
  EXPECT_EQ(machine().debugOutput, std::vector<std::string>{"InstallPrinter: INF install successful"});
  EXPECT_TRUE(machine().eventLog.empty());
}

// A box with the string-table text and caption, and the caller's style and owner.
TEST_F(DiagnosticsTest, ResourceMessageShowsTheEntries) {
  machine().messageBoxAnswers = {2};
  EXPECT_EQ(ShowResourceMessage(nullptr, 12, 2, 0x1010), 2);
  ASSERT_EQ(machine().messageBoxes.size(), 1u);
  const sim::MessageBoxRecord& box = machine().messageBoxes[0];
  EXPECT_EQ(box.text,
            "The Folyant installation failed because the spooler service is not running.\n"
            "Start the spooler service and run the installation again.");
  EXPECT_EQ(box.caption, "Vesk Harrow Systems");
  EXPECT_EQ(box.style, 0x1010u);
  EXPECT_FALSE(box.hasOwner);
}

// A missing text or caption entry still gives the user a box that names it.
TEST_F(DiagnosticsTest, MissingEntriesGiveTheFallbackBox) {
  EXPECT_EQ(ShowResourceMessage(nullptr, 4711, 2, 0x1000), 0);
  machine().stringTable.erase(2);
  EXPECT_EQ(ShowResourceMessageFormatted(nullptr, 18, 2, 0x1000, "Mine"), 0);
  machine().stringTable[2] = "";
  EXPECT_EQ(ShowResourceMessage(nullptr, 11, 2, 0x1000), 0);

  ASSERT_EQ(machine().messageBoxes.size(), 3u);
  EXPECT_EQ(machine().messageBoxes[0].text, "LoadString message error 4711");
  EXPECT_EQ(machine().messageBoxes[1].text, "LoadString caption error 2");
  EXPECT_EQ(machine().messageBoxes[2].text, "LoadString caption error 2");
  for (const sim::MessageBoxRecord& box : machine().messageBoxes) {
    EXPECT_EQ(box.caption, "Vesk Harrow Systems");
    EXPECT_EQ(box.style, 0x10u) << "the error icon, whatever style was asked for";
  }
}

// The formatted form fills the one text place; a long argument is cut within 255 characters.
TEST_F(DiagnosticsTest, FormattedMessage) {
  ShowResourceMessageFormatted(nullptr, 19, 2, 0x1010, "Folyant (Copy 2)");
  EXPECT_EQ(machine().messageBoxes.at(0).text, "Printer named Folyant (Copy 2) already exists.");

  std::string name(400, 'n');
  ShowResourceMessageFormatted(nullptr, 20, 2, 0x1010, name.c_str());
  EXPECT_EQ(machine().messageBoxes.at(1).text, "Printer name " + std::string(255 - 13, 'n'));
}

// Only the one "%s" is filled; other percent signs in an entry are left alone.
TEST_F(DiagnosticsTest, FormattedMessageFillsOnlyOnePlace) {
  machine().stringTable[18] = "%s and %s at 100%% %d";
  ShowResourceMessageFormatted(nullptr, 18, 2, 0x1000, "A");
  EXPECT_EQ(machine().messageBoxes.at(0).text, "A and %s at 100% %d");
}

// The child is started with a start-up record of size 68 and waited for on the virtual clock.
TEST_F(DiagnosticsTest, RunCommandWaitsForTheChild) {
  machine().programs["hh"] = sim::Program{5000, 0, nullptr};
  char line[] = "hh.exe C:\\help.chm";
  uint32_t before = machine().tickCount;
  RunCommand(line, true);
  ASSERT_EQ(machine().processes.size(), 1u);
  EXPECT_EQ(machine().processes[0].commandLine, "hh.exe C:\\help.chm");
  EXPECT_EQ(machine().processes[0].startupSize, 68u);
  EXPECT_EQ(machine().tickCount - before, 5000u);

  RunCommand(line, false);
  EXPECT_EQ(machine().tickCount - before, 5000u) << "no wait without the flag";
  EXPECT_TRUE(machine().eventLog.empty());
}

// A program that cannot be started is one error entry, no box, no wait.
TEST_F(DiagnosticsTest, RunCommandForAMissingProgram) {
  char line[] = "nosuchprogram.exe /x";
  uint32_t before = machine().tickCount;
  RunCommand(line, true);
  ASSERT_EQ(machine().eventLog.size(), 1u);
  EXPECT_EQ(machine().eventLog[0].type, 1);
  EXPECT_EQ(machine().eventLog[0].text, "Unable to create process nosuchprogram.exe /x, last error 0x2");
  EXPECT_TRUE(machine().messageBoxes.empty());
  EXPECT_EQ(machine().tickCount, before);
}
