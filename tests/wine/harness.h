// The Wine test harness: a scratch prefix per test case (a copy of a cached
// template), programs run in it under wine with a timeout, and readers for
// what they leave behind (exit code, event log, spooler, windows).
//
// Needs the win32 preset built (veskreg.exe and the fixtures in
// build/win32/tests/wine/), wine and Xvfb; without them every case fails.
//   ctest --preset linux -L wine -j2
//   build/linux/tests/wine/veskreg_wine_tests --gtest_filter='CheckInstance.*'
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace wine {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// One ReportEvent string as Wine's eventlog channel printed it.
struct EventLogEntry {
  std::string type;  // "error", "warning" or "information"
  std::string text;
  bool truncated = false;  // Wine cuts texts at about 290 characters
};

std::vector<EventLogEntry> parse_event_log(const std::string& wine_stderr);

struct RunResult {
  std::string command;
  int exit_code = -1;  // as Linux sees it: the Windows exit code modulo 256
  bool timed_out = false;
  std::string out;
  std::string err;

  std::vector<EventLogEntry> events() const { return parse_event_log(err); }
  // For assertion messages: the command, its code and its output.
  std::string describe() const;
};

// What uirobot.exe saw while the target ran.
struct RobotResult {
  RunResult run;
  std::string transcript;

  bool timed_out() const;
  long exit_code() const;                    // the target's full exit code; -1 if it never ended
  std::vector<std::string> windows() const;  // the "window ..." lines
};

// A spooler object listed by spoolctl.exe: the tab-separated fields after the kind.
struct SpoolerListing {
  std::vector<std::vector<std::string>> printers;  // name, driver, port, processor, attributes
  std::vector<std::vector<std::string>> drivers;   // environment, version, name, driver, data, config
  std::vector<std::vector<std::string>> monitors;  // name, environment, dll
};

fs::path veskreg_exe();
fs::path fixture(const std::string& file);  // built by the win32 preset next to each other
fs::path source_dir();
// The placeholder product components scripts/run.sh stages too.
fs::path staged_files_list();
// The path a Wine program sees for a Linux path (drive Z: maps to /).
std::string windows_path(const fs::path& path);

class Prefix {
 public:
  // A fresh copy of the template, named after the running test.
  Prefix();
  // Stops this prefix's wineserver; the folder is kept when the test failed.
  ~Prefix();
  Prefix(const Prefix&) = delete;
  Prefix& operator=(const Prefix&) = delete;

  const fs::path& root() const { return root_; }
  fs::path drive_c() const { return root_ / "drive_c"; }

  // wine ARGS..., with WINEDEBUG=+eventlog unless debug says otherwise.
  RunResult wine(const std::vector<std::string>& args, std::chrono::seconds timeout = 60s,
                 const std::string& debug = "+eventlog");
  RunResult veskreg(const std::vector<std::string>& switches, std::chrono::seconds timeout = 60s);
  // uirobot.exe around a Windows command line; rules as uirobot.exe reads them.
  RobotResult robot(const std::vector<std::string>& command, const std::vector<std::string>& rules = {},
                    std::chrono::seconds timeout = 30s);
  // The same, for a command line given verbatim: wine would escape quotes
  // inside arguments, and installers pass -name="A B" as it stands.
  RobotResult robot_command_line(const std::string& command_line, const std::vector<std::string>& rules = {},
                                 std::chrono::seconds timeout = 30s);
  RunResult spoolctl(const std::vector<std::string>& args);
  SpoolerListing spooler();

  void set_windows_version(const std::string& version);  // winxp, win7, win81, win10, nt40, ...
  void stage_product_files();

 private:
  fs::path root_;
};

}  // namespace wine
