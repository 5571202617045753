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

// A top-level window and its controls as uirobot.exe wrote them down, in the
// order the windows were shown.
struct SeenControl {
  int id = 0;
  std::string window_class;
  std::string text;
  unsigned long style = 0;
  std::string icon;  // "yes" or "no" for an icon control, else empty
};

struct SeenWindow {
  std::string window_class;
  std::string caption;
  unsigned long style = 0;
  unsigned long exstyle = 0;
  std::vector<SeenControl> controls;

  const SeenControl* control(int id) const;  // nullptr when it has none of that id
};

std::vector<SeenWindow> seen_windows(const RobotResult& result);

// A spooler object listed by spoolctl.exe: the tab-separated fields after the kind.
// A registry value as the 32-bit ANSI view reads it (spoolctl reg-value).
struct RegistryValue {
  bool present = false;
  unsigned long type = 0;  // REG_SZ 1, REG_EXPAND_SZ 2, REG_DWORD 4, REG_MULTI_SZ 7
  std::string data;        // the raw bytes
  long error = 0;          // why it could not be read
};

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
  // robot() with the Shift key held down in the target's threads as its
  // windows are created (uirobot --shift).
  RobotResult robot_holding_shift(const std::vector<std::string>& command, const std::vector<std::string>& rules = {},
                                  std::chrono::seconds timeout = 30s);
  RunResult spoolctl(const std::vector<std::string>& args);
  SpoolerListing spooler();

  void set_windows_version(const std::string& version);  // winxp, win7, win81, win10, nt40, ...
  void stage_product_files();

  // The port-monitor fixture as DLL in the system folder of the 32-bit view.
  void stage_port_monitor(const std::string& dll = "folyantm7.dll");
  // rundll32_standin.exe in place of the system program NAME.exe ("rundll32",
  // "hh"); create_printer makes it install the printer as an INF installation
  // would.
  void stage_standin(const std::string& program, bool create_printer = false);
  // The command lines the stand-in for NAME was started with, each ended by "\n".
  std::string standin_commands(const std::string& program) const;
  // Waits until every program of this prefix has ended: the tool starts some
  // (hh.exe) without waiting for them.
  void wait_for_programs(std::chrono::seconds timeout = 30s);
  // root: "HKLM" or "HKCU".
  RegistryValue registry_value(const std::string& root, const std::string& path, const std::string& name);

 private:
  fs::path root_;
};

}  // namespace wine
