// The diagnostic log, the string-table boxes, child processes and the Windows it runs on.
#include "core/diagnostics.h"

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <tuple>

#include "core/message_places.h"
#include "core/platform_predicates.h"
#include "support/wine_test.h"

namespace {

using Strings = std::vector<std::string>;

// What each call of a name was given, as "subject|detail", with "|number" in hex.
Strings Given(const char* call, bool withNumber = false) {
  Strings given;
  for (const substitute::Call& c : substitute::Calls(call)) {
    given.push_back(c.subject + "|" + c.detail);
    if (withNumber) given.back() += (testing::Message() << "|" << std::showbase << std::hex << c.number).GetString();
  }
  return given;
}

class DiagnosticsTest : public WineTest {};

}  // namespace

// Debugger output and an entry under "Folyant App" (id 100) each, cut at 511; no source: output only.
TEST_F(DiagnosticsTest, LogAppEvent) {
  const std::string cut(511, 'x');
  LogAppEvent(2, "error %d", 3006);
  LogAppEvent(1, "%s", std::string(600, 'x').c_str());
  substitute::FailCall("RegisterEventSourceA", 5);
  LogAppEvent(4, "no source");
  EXPECT_EQ(Given("OutputDebugStringA"), (Strings{"error 3006|", cut + "|", "no source|"}));
  EXPECT_EQ(Given("RegisterEventSourceA"), Strings(3, "Folyant App|"));
  EXPECT_EQ(Given("ReportEventA", true), (Strings{"error 3006||0x640002", cut + "||0x640001"}));
}

// Boxes of string-table texts, answered by the button pressed; a missing entry's box names it.
TEST_F(DiagnosticsTest, ResourceMessagesAndTheirPlaces) {
  const std::string caption = "|Vesk Harrow Systems|", longName(400, 'n');
  // Text and caption entries, style, the argument of the formatted form, button, result, box.
  const std::tuple<uint32_t, uint32_t, uint32_t, const char*, int, int, std::string> rows[] = {
      {19, 2, 0x1011, nullptr, IDCANCEL, IDCANCEL, "Printer named %s already exists." + caption + "0x1011"},
      {19, 2, 0x1010, "Copy 2", IDOK, IDOK, "Printer named Copy 2 already exists." + caption + "0x1010"},
      {20, 2, 0x30, longName.c_str(), IDOK, IDOK, "Printer name " + std::string(242, 'n') + caption + "0x30"},
      {4711, 2, 0x1001, nullptr, IDOK, 0, "LoadString message error 4711" + caption + "0x10"},
      {11, 4712, 0x1001, nullptr, IDOK, 0, "LoadString caption error 4712" + caption + "0x10"},
      {18, 4713, 0x1001, "Mine", IDOK, 0, "LoadString caption error 4713" + caption + "0x10"},
  };
  for (const auto& [textId, captionId, style, argument, button, result, box] : rows) {
    SCOPED_TRACE(box);
    substitute::Reset();
    robot.Then(Robot::Press(button));
    EXPECT_EQ(argument == nullptr ? ShowResourceMessage(nullptr, textId, captionId, style)
                                  : ShowResourceMessageFormatted(nullptr, textId, captionId, style, argument),
              result);
    EXPECT_EQ(Given("MessageBoxA", true), Strings{box});
  }
  // The places of a format: only the first "%s" and, given a number, the first "%d"; "%%" is one "%".
  char out[64];
  const int number = -7;
  FillMessagePlaces(out, sizeof out, "%d %s and %s at 100%% %d %x 5%", "A", &number);
  EXPECT_STREQ(out, "-7 A and %s at 100% %d %x 5%");
  FillMessagePlaces(out, sizeof out, "%s printer created.", nullptr);  // as printf shows no text
  EXPECT_STREQ(out, "(null) printer created.");
}

// System programs start by full path, never a planted copy, waited for when asked; one that
// cannot start is an error entry.
TEST_F(DiagnosticsTest, RunCommand) {
  const std::string windows = "C:\\windows", in = windows + "\\system32\\";
  const std::string standIn = std::string(std::getenv("VESKREG_TEST_FIXTURES")) + "\\rundll32_standin.exe";
  ::CopyFileA(standIn.c_str(), (in + "rundll32_standin.exe").c_str(), FALSE);
  for (const char* planted : {"rundll32.exe", "hh.exe"}) ::CopyFileA(standIn.c_str(), planted, FALSE);
  std::string waited = "rundll32_standin /b \"Folyant\"", inf = "rundll32 printui.dll,PrintUIEntry /? ",
              help = "hh.exe nosuch.chm", missing = "nosuchprogram /x";
  RunCommand(SystemFolder::System, "rundll32_standin.exe", waited.data(), true);
  RunCommand(SystemFolder::System, "rundll32.exe", inf.data(), true);
  RunCommand(SystemFolder::Windows, "hh.exe", help.data(), false);
  RunCommand(SystemFolder::System, "nosuchprogram.exe", missing.data(), true);
  ::Sleep(500);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(std::ifstream("C:\\rundll32_standin.txt").rdbuf()), {}),
            waited + "\n");
  EXPECT_FALSE(FileExists("C:\\rundll32.txt") || FileExists("C:\\hh.txt")) << "a planted program ran";
  for (const char* file : {"C:\\rundll32_standin.txt", "C:\\rundll32.txt", "C:\\hh.txt", "rundll32.exe", "hh.exe"})
    ::DeleteFileA(file);
  EXPECT_EQ(Given("CreateProcessA", true),
            (Strings{waited + "|" + in + "rundll32_standin.exe|0x44", inf + "|" + in + "rundll32.exe|0x44",
                     help + "|" + windows + "\\hh.exe|0x44", missing + "|" + in + "nosuchprogram.exe|0x44"}));
  EXPECT_EQ(substitute::Calls("WaitForSingleObject").size(), 2u);
  EXPECT_EQ(Logged(), (Events{{kError, "Unable to create process nosuchprogram /x, last error 0x2"}}));
}

// The predicates for each Windows; WOW64 is false where IsWow64Process is missing or fails.
TEST_F(DiagnosticsTest, PlatformPredicates) {
  EXPECT_EQ(IsWow64(), 1) << "Wine's 64-bit prefix, asked for real";
  // NT 4, Vista or later, 8 or later, 10 or later, WOW64.
  const std::tuple<uint32_t, bool, bool, std::vector<int>> rows[] = {
      {substitute::kWindowsNT4, true, false, {1, 0, 0, 0, 0}}, {substitute::kWindows98, false, false, {0, 0, 0, 0, 0}},
      {substitute::kWindowsXP, true, false, {0, 0, 0, 0, 0}},  {substitute::kWindowsXP, false, true, {0, 0, 0, 0, 0}},
      {substitute::kWindows7, true, true, {0, 1, 0, 0, 1}},    {substitute::kWindows8, false, true, {0, 1, 1, 0, 0}},
      {substitute::kWindows81, true, true, {0, 1, 1, 0, 1}},   {substitute::kWindows10, true, true, {0, 1, 0, 1, 1}},
  };
  for (const auto& [version, is64Bit, hasIsWow64Process, answers] : rows) {
    SCOPED_TRACE(testing::Message() << std::hex << version << (is64Bit ? " 64-bit" : " 32-bit"));
    substitute::AnswerAsWindows(version, is64Bit, hasIsWow64Process);
    const int got[] = {IsWindowsNT4(), IsWindowsVistaOrLater(), IsWindows8OrLater(), IsWindows10OrLater(), IsWow64()};
    EXPECT_EQ(std::vector<int>(got, got + 5), answers);
  }
  substitute::FailCall("IsWow64Process", 5);
  EXPECT_EQ(IsWow64(), 0);
}
