// What the command line alone decides: switches are case-sensitive substrings
// of the text after the program name.
#include <gtest/gtest.h>

#include "harness.h"

namespace wine {
namespace {

class QuietSwitch : public ::testing::TestWithParam<std::vector<std::string>> {
 protected:
  Prefix prefix;
};

// A quiet run ends at once with 212 and shows the user nothing, whatever else
// the command line holds that is not a switch.
TEST_P(QuietSwitch, EndsWith212AndShowsNoWindow) {
  std::vector<std::string> command = {windows_path(veskreg_exe())};
  command.insert(command.end(), GetParam().begin(), GetParam().end());
  auto run = prefix.robot(command);
  ASSERT_FALSE(run.timed_out()) << run.transcript;
  EXPECT_EQ(run.exit_code(), 212) << run.transcript;
  EXPECT_TRUE(run.windows().empty()) << run.transcript;
}

INSTANTIATE_TEST_SUITE_P(CommandLines, QuietSwitch,
                         ::testing::Values(std::vector<std::string>{"-quiet"},
                                           std::vector<std::string>{"-x64", "-quiet"},
                                           // misspelt and capitalised switches are no switches
                                           std::vector<std::string>{"-chekinstance", "-quiet"},
                                           std::vector<std::string>{"-Checkinstance", "-quiet"},
                                           std::vector<std::string>{"-CHECKINSTANCE", "-quiet"},
                                           // a substring anywhere counts
                                           std::vector<std::string>{"x-quietx"}));

class Switches : public ::testing::Test {
 protected:
  // veskreg.exe copied to a folder of the prefix, run by its Windows path.
  std::string copy_to(const std::string& folder) {
    const fs::path target = prefix.drive_c() / folder / "veskreg.exe";
    fs::create_directories(target.parent_path());
    fs::copy_file(veskreg_exe(), target);
    return "C:\\" + folder + "\\veskreg.exe";
  }
  Prefix prefix;
};

// "-Quiet" is no switch: the run is an ordinary one and shows its About box.
TEST_F(Switches, CapitalisedQuietIsNotQuiet) {
  auto run = prefix.robot({windows_path(veskreg_exe()), "-Quiet"}, {"class \"#32770\" click \"OK\""});
  ASSERT_FALSE(run.timed_out()) << run.transcript;
  EXPECT_EQ(run.windows().size(), 1u) << run.transcript;
  EXPECT_EQ(run.exit_code(), 212) << run.transcript;
}

// The exit code reaches whoever started the tool, not only the robot.
TEST_F(Switches, QuietExitCodeReachesTheCaller) {
  auto run = prefix.veskreg({"-quiet"});
  EXPECT_EQ(run.exit_code, 212) << run.describe();
}

// Switches are found inside quoted values too, as an installer writes them.
TEST_F(Switches, QuietInsideAQuotedValueCounts) {
  auto run = prefix.robot_command_line("\"" + windows_path(veskreg_exe()) + "\" -x=\"a -quiet b\"");
  ASSERT_FALSE(run.timed_out()) << run.transcript;
  EXPECT_EQ(run.exit_code(), 212) << run.transcript;
  EXPECT_TRUE(run.windows().empty()) << run.transcript;
}

// A switch in the program's own path (quoted, with a space) is not a switch.
TEST_F(Switches, CheckInstanceInProgramPathIsIgnored) {
  auto run = prefix.wine({copy_to("tools -checkinstance"), "-quiet"});
  EXPECT_EQ(run.exit_code, 212) << run.describe();
}

// Nor is one in an unquoted program path.
TEST_F(Switches, QuietInProgramPathIsIgnored) {
  auto run = prefix.wine({copy_to("x-quiet"), "-checkinstance"});
  EXPECT_EQ(run.exit_code, 0) << run.describe();
}

}  // namespace
}  // namespace wine
