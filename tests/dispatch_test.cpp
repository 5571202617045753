// Which operation a command line selects, with which arguments, and how the install
// context and exit code come out of it.
#include "app/dispatch.h"

#include <string>

#include "app/install_context.h"
#include "sim_fixture.h"

namespace {

class DispatchTest : public SimTest {
 protected:
  Dispatch Select(std::string_view commandLine) {
    Dispatch dispatch;
    SelectOperation(commandLine, dispatch);
    return dispatch;
  }
};

struct Row {
  const char* commandLine;
  Operation operation;
};

}  // namespace

// Each operation switch alone selects its own operation.
TEST_F(DispatchTest, EachSwitchSelectsItsOperation) {
  const Row rows[] = {
      {"-stopautoname", Operation::StopAutoName},
      {"-addinstance", Operation::AddPrinterInstance},
      {"-checkinstance", Operation::CheckInstance},
      {"-regaddprinter", Operation::AddMonitor},
      {"-regaddxpsprinter", Operation::AddMonitor},
      {"-addprinter", Operation::AddMonitor},
      {"-addpsprinter", Operation::AddMonitor},
      {"-addxpsprinter", Operation::AddMonitor},
      {"-updatepsdependentfiles", Operation::UpdateDependentFiles},
      {"-updatexpsdependentfiles", Operation::UpdateDependentFiles},
      {"-updatedependentfiles", Operation::UpdateDependentFiles},
      {"-deleteprinterinstance", Operation::DeletePrinterInstance},
      {"-DeleteLodestarInstance", Operation::DeletePrinterInstance},
      {"-deleteprinter", Operation::DeleteAllProductPrinters},
      {"-splash", Operation::SplashHost},
      {"-quiet", Operation::Quiet},
      {"", Operation::AboutBox},
  };
  for (const Row& row : rows) EXPECT_EQ(Select(row.commandLine).operation, row.operation) << row.commandLine;
}

// The fixed order decides between switches given together, whatever order they are written in.
TEST_F(DispatchTest, EarlierStepWins) {
  const Row rows[] = {
      {"-addprinter -stopautoname", Operation::StopAutoName},
      {"-addprinter -addinstance", Operation::AddPrinterInstance},
      {"-addprinter -checkinstance", Operation::CheckInstance},
      {"-addinstance -checkinstance", Operation::AddPrinterInstance},
      {"-deleteprinter -addprinter", Operation::AddMonitor},
      {"-addxpsprinter -regaddprinter", Operation::AddMonitor},
      {"-deleteprinter -updatedependentfiles", Operation::UpdateDependentFiles},
      {"-quiet -splash", Operation::SplashHost},
      {"-splash -deleteprinter", Operation::DeleteAllProductPrinters},
  };
  for (const Row& row : rows) EXPECT_EQ(Select(row.commandLine).operation, row.operation) << row.commandLine;
  // -regadd* runs before -add*: the explicit name is not consulted on that path.
  Dispatch both = Select("-addxpsprinter -regaddprinter -printername=\"Mine\"");
  EXPECT_STREQ(both.printerName, "Folyant");
  EXPECT_EQ(both.xps, 0);
}

// Switches are substrings: a longer switch contains a shorter one, and only the order
// keeps "-deleteprinterinstance" and the -update* variants apart.
TEST_F(DispatchTest, SubstringMatchesFollowTheOrder) {
  Dispatch instance = Select("-deleteprinterinstance");
  EXPECT_EQ(instance.operation, Operation::DeletePrinterInstance);
  EXPECT_STREQ(instance.instanceName, "Folyant");
  EXPECT_STREQ(Select("-DeleteLodestarInstance").instanceName, "Lodestar PDF Writer");

  Dispatch ps = Select("-updatepsdependentfiles");
  EXPECT_EQ(ps.postScript, 1);
  EXPECT_EQ(ps.xps, 0);
  Dispatch xps = Select("-updatexpsdependentfiles");
  EXPECT_EQ(xps.postScript, 0);
  EXPECT_EQ(xps.xps, 1);
  Dispatch native = Select("-updatedependentfiles");
  EXPECT_EQ(native.postScript, 0);
  EXPECT_EQ(native.xps, 0);
  // "-addprinterX" still contains "-addprinter"; "--x64" contains "-x64".
  EXPECT_EQ(Select("-addprinterX").operation, Operation::AddMonitor);
  EXPECT_TRUE(Select("--x64 -quiet").targetX64);
}

// Matching is case-sensitive and never tokenised: capitals or a misspelling fall through.
TEST_F(DispatchTest, OtherCaseOrMisspeltSwitchesAreIgnored) {
  EXPECT_EQ(Select("-ADDPRINTER").operation, Operation::AboutBox);
  EXPECT_EQ(Select("-Checkinstance -quiet").operation, Operation::Quiet);
  EXPECT_EQ(Select("-chekinstance -quiet").operation, Operation::Quiet);
  EXPECT_EQ(Select("-deletelodestarinstance").operation, Operation::AboutBox);
  EXPECT_EQ(Select("/quiet").operation, Operation::AboutBox);
}

// Modifiers alone start nothing.
TEST_F(DispatchTest, ModifiersAloneRunTheNoOperationPath) {
  for (const char* line : {"-x64", "-imageprinter", "-addmonitor", "-printername=\"Folyant\""}) {
    EXPECT_EQ(Select(line).operation, Operation::AboutBox) << line;
  }
}

// The flags AddMonitor receives come from the switches as found, both kinds included.
TEST_F(DispatchTest, AddMonitorFlags) {
  Dispatch both = Select("-addpsprinter -addxpsprinter");
  EXPECT_EQ(both.postScript, 1);
  EXPECT_EQ(both.xps, 1);
  EXPECT_EQ(both.monitorOnly, 0);
  EXPECT_STREQ(both.printerName, "Folyant");

  Dispatch monitor = Select("-addprinter -addmonitor");
  EXPECT_EQ(monitor.monitorOnly, 1);
  EXPECT_EQ(monitor.postScript, 0);
  EXPECT_EQ(monitor.xps, 0);

  Dispatch reg = Select("-regaddxpsprinter -addmonitor -imageprinter");
  EXPECT_EQ(reg.xps, 1);
  EXPECT_EQ(reg.postScript, 0);
  EXPECT_EQ(reg.monitorOnly, 1);
  EXPECT_STREQ(reg.printerName, "Glimmora");

  // -regaddprinter ignores -addpsprinter's flag only if -addpsprinter is absent: it never reads it.
  EXPECT_EQ(Select("-regaddprinter -addpsprinter").postScript, 0);
}

// The name is taken between the quotes, also when more switches follow it.
TEST_F(DispatchTest, PrinterNameBetweenQuotes) {
  EXPECT_STREQ(Select("-x64 -addxpsprinter -printername=\"Folyant\"").printerName, "Folyant");
  EXPECT_STREQ(Select("-addprinter -printername=\"My PDF\" -x64").printerName, "My PDF");
  EXPECT_STREQ(Select("-addprinter -imageprinter").printerName, "Glimmora");
  EXPECT_STREQ(Select("-addprinter -imageprinter -printername=\"Other\"").printerName, "Other");
  EXPECT_STREQ(Select("-addprinter -printername=\"\"").printerName, "");
  // The first occurrence counts.
  EXPECT_STREQ(Select("-addprinter -printername=\"One\" -printername=\"Two\"").printerName, "One");
}

// The character after the equals sign is skipped unseen; an unquoted value loses its first
// letter and runs to the end, or to a later quote.
TEST_F(DispatchTest, UnquotedPrinterName) {
  EXPECT_STREQ(Select("-addprinter -printername=Folyant").printerName, "olyant");
  EXPECT_STREQ(Select("-addprinter -printername=My PDF -x64").printerName, "y PDF -x64");
  EXPECT_STREQ(Select("-printername=ab\"cd\" -addprinter").printerName, "b");
  // One character after the equals sign: it is skipped and nothing is left.
  EXPECT_STREQ(Select("-addprinter -printername=X").printerName, "");
}

// A switch inside the quoted name still counts.
TEST_F(DispatchTest, SwitchInsideTheNameCounts) {
  Dispatch d = Select("-addprinter -printername=\"Printer -x64\"");
  EXPECT_STREQ(d.printerName, "Printer -x64");
  EXPECT_TRUE(d.targetX64);
  EXPECT_EQ(Select("-addprinter -printername=\"-deleteprinter\"").operation, Operation::AddMonitor);
  EXPECT_EQ(Select("-printername=\"-stopautoname\" -addprinter").operation, Operation::StopAutoName);
}

// "-printername=" at the very end has no value at all: the default name stands and nothing
// is read past the text.
TEST_F(DispatchTest, PrinterNameSwitchAtTheEnd) {
  std::string line = "-addprinter -printername=";
  // A text that is not terminated where it ends: only its own characters may be read.
  std::string padded = line + "\"Beyond\"";
  EXPECT_STREQ(Select(std::string_view(padded.data(), line.size())).printerName, "Folyant");
  EXPECT_STREQ(Select("-addprinter -imageprinter -printername=").printerName, "Glimmora");
}

// A name that does not fit 259 characters is refused whole; one that just fits is kept.
TEST_F(DispatchTest, OverlongPrinterName) {
  std::string fits(259, 'n');
  Dispatch ok = Select("-addprinter -printername=\"" + fits + "\"");
  EXPECT_EQ(ok.overlongNameLength, 0u);
  EXPECT_EQ(std::string(ok.printerName), fits);

  std::string tooLong(260, 'n');
  Dispatch refused = Select("-addprinter -printername=\"" + tooLong + "\"");
  EXPECT_EQ(refused.overlongNameLength, 260u);
  EXPECT_STREQ(refused.printerName, "");

  std::string huge(100000, 'h');
  EXPECT_EQ(Select("-addprinter -printername=\"" + huge).overlongNameLength, 100000u);
}

// -x64 is read after -stopautoname only; it sets both values of the install context.
TEST_F(DispatchTest, InstallContext) {
  EXPECT_FALSE(Select("-stopautoname -x64").targetX64);
  EXPECT_TRUE(Select("-checkinstance -x64").targetX64);

  RunProgram("-x64 -quiet");
  EXPECT_TRUE(TargetX64);
  EXPECT_STREQ(SpoolerEnvironment, "Windows x64");

  RunProgram("-quiet");
  EXPECT_FALSE(TargetX64);
  EXPECT_STREQ(SpoolerEnvironment, "Windows NT x86");
}

// The no-operation runs end with 212, the framework's control-container call comes first,
// and -quiet shows nothing.
TEST_F(DispatchTest, NoOperationRunsEndWith212) {
  EXPECT_EQ(RunProgram("-quiet"), 212);
  EXPECT_TRUE(machine().controlContainerEnabled);
  EXPECT_EQ(machine().calls.front(), "EnableControlContainer");
  EXPECT_TRUE(machine().messageBoxes.empty());
  EXPECT_TRUE(machine().eventLog.empty());
  EXPECT_EQ(RunProgram("-x64 -quiet"), 212);
  EXPECT_EQ(RunProgram("-Quiet -CHECKINSTANCE -quiet"), 212);
}

// The refusal of an overlong name is logged and nothing is installed; the exit code stays 0.
TEST_F(DispatchTest, OverlongNameIsRefusedWithALogLine) {
  std::string line = "-addprinter -printername=\"" + std::string(300, 'x') + "\"";
  EXPECT_EQ(RunProgram(line.c_str()), 0);
  ASSERT_EQ(machine().eventLog.size(), 1u);
  EXPECT_EQ(machine().eventLog[0].type, 1);
  EXPECT_EQ(machine().eventLog[0].text,
            "InitInstance: printer name of 300 characters is longer than 259, no printer added");
  EXPECT_TRUE(machine().printers.empty());
}
