// Whatever text an installer passes, the program ends with one of its three exit codes,
// reads nothing past the text and leaves nothing open. The expected exit code is taken
// from the dispatcher's own selection, so this is a crash, overrun and leak check under
// the sanitizers, not an oracle for the dispatch: that is tests/dispatch_test.cpp.
#include <random>
#include <string>
#include <vector>

#include "app/dispatch.h"
#include "sim_fixture.h"

namespace {

class CommandLineRobustnessTest : public SimTest {};

const std::vector<std::string> kFragments = {
    "-stopautoname",
    "-x64",
    "-addinstance",
    "-checkinstance",
    "-regaddprinter",
    "-regaddxpsprinter",
    "-addprinter",
    "-addpsprinter",
    "-addxpsprinter",
    "-imageprinter",
    "-addmonitor",
    "-printername=",
    "-updatepsdependentfiles",
    "-updatexpsdependentfiles",
    "-updatedependentfiles",
    "-deleteprinterinstance",
    "-DeleteLodestarInstance",
    "-deleteprinter",
    "-splash",
    "-quiet",
    "\"",
    "\"\"",
    " ",
    "=",
    "-",
    "Folyant",
    "Glimmora",
    "-QUIET",
    "/quiet",
    "\t",
    "\xe9\xff",
    "%s%n%d",
    "\\",
    ",",
};

// A command line of random fragments, sometimes with a long run of one character.
std::string RandomCommandLine(std::mt19937& random) {
  std::string line;
  int pieces = std::uniform_int_distribution<int>(0, 8)(random);
  for (int i = 0; i < pieces; ++i) {
    if (std::uniform_int_distribution<int>(0, 9)(random) == 0) {
      line.append(std::uniform_int_distribution<size_t>(1, 700)(random), 'n');
    } else {
      line += kFragments[std::uniform_int_distribution<size_t>(0, kFragments.size() - 1)(random)];
    }
  }
  return line;
}

int32_t ExpectedExitCodeFamily(Operation operation) {
  switch (operation) {
    case Operation::SplashHost:
    case Operation::Quiet:
    case Operation::AboutBox:
      return kExitNoOperation;
    default:
      return 0;
  }
}

}  // namespace

// A fixed seed keeps a failure reproducible; the command line is in the failure message.
TEST_F(CommandLineRobustnessTest, RandomCommandLinesEndWithTheirExitCode) {
  std::mt19937 random(20261206);
  for (int run = 0; run < 400; ++run) {
    std::string line = RandomCommandLine(random);
    Dispatch dispatch;
    SelectOperation(line, dispatch);
    int code = RunProgram(line.c_str());
    if (dispatch.operation == Operation::CheckInstance) {
      EXPECT_TRUE(code == 0 || code == 1) << line;
    } else {
      EXPECT_EQ(code, ExpectedExitCodeFamily(dispatch.operation)) << line;
    }
    ASSERT_EQ(machine().OpenHandles(), 0) << line << "\n" << machine().DescribeOpenHandles();
    ASSERT_TRUE(machine().violations.empty()) << line << ": " << machine().violations.front();
    EXPECT_LT(std::string(dispatch.printerName).size(), static_cast<size_t>(kPrinterNameSize)) << line;
  }
}
