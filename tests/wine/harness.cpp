#include "harness.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace wine {
namespace {

fs::path wine_dir() { return VESKREG_WINE_DIR; }
fs::path template_dir() { return wine_dir() / "template"; }
fs::path prefix_script() { return source_dir() / "scripts" / "wine_prefix.sh"; }

struct Process {
  int exit_code = -1;
  bool timed_out = false;
  std::string out, err;
};

// fork/exec with both output streams captured; on timeout the whole process
// group is killed.
Process run_process(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                    const fs::path& cwd, std::chrono::milliseconds timeout) {
  Process result;
  int out_pipe[2], err_pipe[2];
  if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0) {
    result.err = "pipe failed";
    return result;
  }
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    int null = open("/dev/null", O_RDONLY);
    dup2(null, 0);
    for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(127);
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    std::fprintf(stderr, "cannot run %s: %s\n", args[0], std::strerror(errno));
    _exit(127);
  }
  close(out_pipe[1]);
  close(err_pipe[1]);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  // wine's helper processes (wineserver, services) inherit the pipes and
  // outlive the program by seconds: read until the program itself has ended,
  // then only what is already there.
  int status = 0;
  bool ended = false;
  for (;;) {
    if (!ended && waitpid(pid, &status, WNOHANG) == pid) ended = true;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (!ended && left.count() <= 0) {
      result.timed_out = true;
      kill(-pid, SIGKILL);
      waitpid(pid, &status, 0);
      ended = true;
    }
    int ready = poll(fds, 2, ended ? 0 : 20);
    if (ready < 0 && errno != EINTR) break;
    bool got = false;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buf[65536];
      ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        sinks[i]->append(buf, static_cast<size_t>(n));
        got = true;
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
      }
    }
    if ((ended && !got) || (fds[0].fd < 0 && fds[1].fd < 0)) break;
  }
  for (auto& fd : fds)
    if (fd.fd >= 0) close(fd.fd);
  if (!ended) waitpid(pid, &status, 0);
  if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  return result;
}

bool on_path(const std::string& program) {
  return run_process({"sh", "-c", "command -v " + program}, {}, {}, 10s).exit_code == 0;
}

std::string test_name() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "no-test";
  for (char& c : name)
    if (c == '/') c = '_';
  return name;
}

// The X server the whole runner shares, on a display number Xvfb picks itself,
// and the template prefix. Set up once per process; a problem here fails every
// case that needs Wine (a fatal failure in an environment would only skip them).
class WineEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { problem = prepare(); }

  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }

  static inline std::string problem = "the Wine test environment was not set up";

 private:
  std::string prepare() {
    for (const char* tool : {"wine", "wineserver", "Xvfb"})
      if (!on_path(tool)) return std::string(tool) + " is not installed: run scripts/install_deps.sh";
    if (!fs::exists(veskreg_exe()))
      return veskreg_exe().string() + " is missing: cmake --preset win32 && cmake --build --preset win32";
    for (const fs::path& file :
         {fixture("spoolctl.exe"), fixture("uirobot.exe"), fixture("uihook.dll"), fixture("flashwin.exe")})
      if (!fs::exists(file)) return file.string() + " is missing: build the win32 preset";

    int display_pipe[2];
    if (pipe(display_pipe) != 0) return "pipe failed";
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGTERM);  // no stray X server when the runner dies
      close(display_pipe[0]);
      int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      std::string fd = std::to_string(display_pipe[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(display_pipe[1]);
    std::string number;
    char c;
    pollfd fds{display_pipe[0], POLLIN, 0};
    while (poll(&fds, 1, 10000) > 0 && read(display_pipe[0], &c, 1) == 1 && c != '\n') number += c;
    close(display_pipe[0]);
    if (number.empty()) return "Xvfb did not start";
    setenv("DISPLAY", (":" + number).c_str(), 1);

    auto made = run_process({prefix_script(), "template", template_dir()}, {}, {}, 300s);
    if (made.exit_code != 0) return "template prefix not made: " + made.err;
    return "";
  }

  pid_t pid_ = -1;
};

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  return parts;
}

void append_utf8(std::string& out, unsigned code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xc0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3f));
  } else {
    out += static_cast<char>(0xe0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
    out += static_cast<char>(0x80 | (code & 0x3f));
  }
}

}  // namespace

fs::path source_dir() { return VESKREG_SOURCE_DIR; }
fs::path veskreg_exe() { return fs::path(VESKREG_WIN32_BUILD_DIR) / "veskreg.exe"; }
fs::path fixture(const std::string& file) { return fs::path(VESKREG_WIN32_BUILD_DIR) / "tests" / "wine" / file; }
fs::path staged_files_list() { return source_dir() / "tests" / "wine" / "staged_files.txt"; }

std::string windows_path(const fs::path& path) {
  std::string text = "Z:" + fs::absolute(path).lexically_normal().string();
  for (char& c : text)
    if (c == '/') c = '\\';
  return text;
}

// Wine prints each string as "<tid>:<class>:eventlog:ReportEventW L"<text>"",
// escaping like debugstr_w: \n \r \t \" \\ and \XXXX for anything else.
std::vector<EventLogEntry> parse_event_log(const std::string& wine_stderr) {
  static const std::map<std::string, std::string> types = {
      {":err:eventlog:", "error"}, {":warn:eventlog:", "warning"}, {":trace:eventlog:", "information"}};
  std::vector<EventLogEntry> entries;
  for (const auto& line : split(wine_stderr, '\n')) {
    for (const auto& [marker, type] : types) {
      auto at = line.find(marker);
      if (at == std::string::npos) continue;
      // "<function> L"...": other lines on the channel are the service's own.
      auto space = line.find(' ', at);
      if (space == std::string::npos || line.compare(space + 1, 2, "L\"") != 0) continue;
      auto open = space + 1;
      EventLogEntry entry{type, "", false};
      size_t i = open + 2;
      for (; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] != '\\' || i + 1 >= line.size()) {
          entry.text += line[i];
          continue;
        }
        char next = line[++i];
        if (next == 'n')
          entry.text += '\n';
        else if (next == 'r')
          entry.text += '\r';
        else if (next == 't')
          entry.text += '\t';
        else if (next == '"' || next == '\\')
          entry.text += next;
        else {
          append_utf8(entry.text, static_cast<unsigned>(std::stoul(line.substr(i, 4), nullptr, 16)));
          i += 3;
        }
      }
      entry.truncated = line.compare(i, 4, "\"...") == 0;
      entries.push_back(entry);
    }
  }
  return entries;
}

std::string RunResult::describe() const {
  std::ostringstream text;
  text << "command: " << command << "\nexit code: " << exit_code << (timed_out ? " (timed out)" : "")
       << "\n--- stdout ---\n"
       << out << "--- stderr ---\n"
       << err << "---";
  return text.str();
}

bool RobotResult::timed_out() const { return transcript.find("\ntimeout ms=") != std::string::npos; }

long RobotResult::exit_code() const {
  auto at = transcript.rfind("\nexit code=");
  return at == std::string::npos ? -1 : std::stol(transcript.substr(at + 11));
}

std::vector<std::string> RobotResult::windows() const {
  std::vector<std::string> lines;
  for (const auto& line : split(transcript, '\n'))
    if (line.rfind("window ", 0) == 0) lines.push_back(line);
  return lines;
}

namespace {

// The value of NAME=... in a transcript line: a quoted text (escaped as
// uirobot.exe writes it) or a word.
std::string field(const std::string& line, const std::string& name) {
  auto at = line.find(" " + name + "=");
  if (at == std::string::npos) return "";
  size_t i = at + name.size() + 2;
  std::string value;
  if (i >= line.size() || line[i] != '"') {
    auto end = line.find(' ', i);
    return line.substr(i, end == std::string::npos ? std::string::npos : end - i);
  }
  for (++i; i < line.size() && line[i] != '"'; ++i) {
    if (line[i] != '\\' || i + 1 >= line.size()) {
      value += line[i];
      continue;
    }
    char next = line[++i];
    if (next == 'n')
      value += '\n';
    else if (next == 'r')
      value += '\r';
    else if (next == 't')
      value += '\t';
    else if (next == 'x' && i + 2 < line.size()) {
      value += static_cast<char>(std::stoul(line.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else
      value += next;
  }
  return value;
}

unsigned long hex_field(const std::string& line, const std::string& name) {
  std::string text = field(line, name);
  return text.empty() ? 0 : std::stoul(text, nullptr, 16);
}

}  // namespace

const SeenControl* SeenWindow::control(int id) const {
  for (const auto& each : controls)
    if (each.id == id) return &each;
  return nullptr;
}

std::vector<SeenWindow> seen_windows(const RobotResult& result) {
  std::vector<SeenWindow> windows;
  for (const auto& line : split(result.transcript, '\n')) {
    if (line.rfind("window ", 0) == 0) {
      SeenWindow window;
      window.window_class = field(line, "class");
      window.caption = field(line, "caption");
      window.style = hex_field(line, "style");
      window.exstyle = hex_field(line, "exstyle");
      windows.push_back(window);
    } else if (line.rfind("  control ", 0) == 0 && !windows.empty()) {
      SeenControl control;
      control.id = std::stoi(field(line, "id"));
      control.window_class = field(line, "class");
      control.text = field(line, "text");
      control.style = hex_field(line, "style");
      control.icon = field(line, "icon");
      windows.back().controls.push_back(control);
    }
  }
  return windows;
}

Prefix::Prefix() : root_(wine_dir() / "cases" / test_name()) {
  // Thrown, so the case stops here and is reported as failed, never skipped.
  if (!WineEnvironment::problem.empty()) throw std::runtime_error(WineEnvironment::problem);
  auto copied = run_process({prefix_script(), "copy", template_dir(), root_}, {}, {}, 120s);
  if (copied.exit_code != 0) throw std::runtime_error("prefix copy failed: " + copied.err);
}

Prefix::~Prefix() {
  run_process({prefix_script(), "stop", root_}, {}, {}, 60s);
  if (::testing::Test::HasFailure()) {
    std::printf("prefix kept for a look: %s\n", root_.c_str());
  } else {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
}

RunResult Prefix::wine(const std::vector<std::string>& args, std::chrono::seconds timeout, const std::string& debug) {
  std::vector<std::string> argv = {"wine"};
  argv.insert(argv.end(), args.begin(), args.end());
  RunResult result;
  for (const auto& arg : argv) result.command += (result.command.empty() ? "" : " ") + arg;
  auto done =
      run_process(argv, {{"WINEPREFIX", root_.string()}, {"WINEDEBUG", debug}, {"WINEDLLOVERRIDES", "mscoree,mshtml="}},
                  drive_c(), timeout);
  if (done.timed_out) run_process({prefix_script(), "stop", root_}, {}, {}, 60s);
  result.exit_code = done.exit_code;
  result.timed_out = done.timed_out;
  result.out = std::move(done.out);
  result.err = std::move(done.err);
  return result;
}

RunResult Prefix::veskreg(const std::vector<std::string>& switches, std::chrono::seconds timeout) {
  std::vector<std::string> args = {windows_path(veskreg_exe())};
  args.insert(args.end(), switches.begin(), switches.end());
  return wine(args, timeout);
}

namespace {

RobotResult run_robot(Prefix& prefix, std::vector<std::string> target, const std::vector<std::string>& rules,
                      std::chrono::seconds timeout, const std::vector<std::string>& options = {}) {
  const fs::path transcript = prefix.root() / "uirobot.txt";
  std::vector<std::string> args = {windows_path(fixture("uirobot.exe")), "--timeout",
                                   std::to_string(std::chrono::milliseconds(timeout).count()), "--out",
                                   windows_path(transcript)};
  args.insert(args.end(), options.begin(), options.end());
  for (const auto& rule : rules) args.insert(args.end(), {"--rule", rule});
  args.insert(args.end(), target.begin(), target.end());
  RobotResult result;
  result.run = prefix.wine(args, timeout + 30s);
  std::ifstream in(transcript, std::ios::binary);
  result.transcript = "\n" + std::string(std::istreambuf_iterator<char>(in), {});
  return result;
}

}  // namespace

RobotResult Prefix::robot(const std::vector<std::string>& command, const std::vector<std::string>& rules,
                          std::chrono::seconds timeout) {
  std::vector<std::string> target = {"--"};
  target.insert(target.end(), command.begin(), command.end());
  return run_robot(*this, target, rules, timeout);
}

RobotResult Prefix::robot_holding_shift(const std::vector<std::string>& command, const std::vector<std::string>& rules,
                                        std::chrono::seconds timeout) {
  std::vector<std::string> target = {"--"};
  target.insert(target.end(), command.begin(), command.end());
  return run_robot(*this, target, rules, timeout, {"--shift"});
}

RobotResult Prefix::robot_command_line(const std::string& command_line, const std::vector<std::string>& rules,
                                       std::chrono::seconds timeout) {
  const fs::path file = root_ / "command.txt";
  std::ofstream(file, std::ios::binary) << command_line;
  return run_robot(*this, {"--command-file", windows_path(file)}, rules, timeout);
}

RunResult Prefix::spoolctl(const std::vector<std::string>& args) {
  std::vector<std::string> all = {windows_path(fixture("spoolctl.exe"))};
  all.insert(all.end(), args.begin(), args.end());
  return wine(all, 60s, "-all");
}

SpoolerListing Prefix::spooler() {
  SpoolerListing listing;
  auto run = spoolctl({"list-printers", ";", "list-drivers", ";", "list-monitors"});
  EXPECT_EQ(run.exit_code, 0) << run.describe();
  for (const auto& line : split(run.out, '\n')) {
    auto fields = split(line, '\t');
    if (fields.empty()) continue;
    std::string kind = fields.front();
    fields.erase(fields.begin());
    if (kind == "printer")
      listing.printers.push_back(fields);
    else if (kind == "driver")
      listing.drivers.push_back(fields);
    else if (kind == "monitor")
      listing.monitors.push_back(fields);
  }
  return listing;
}

void Prefix::set_windows_version(const std::string& version) {
  auto set = run_process({prefix_script(), "winver", root_, version}, {}, {}, 60s);
  EXPECT_EQ(set.exit_code, 0) << "Windows version " << version << ": " << set.err;
}

void Prefix::stage_product_files() {
  std::ifstream list(staged_files_list());
  ASSERT_TRUE(list) << "cannot read " << staged_files_list();
  const fs::path drivers = drive_c() / "windows" / "system32" / "spool" / "drivers";
  std::vector<std::string> dirs, files;
  for (std::string line; std::getline(list, line);) {
    auto words = split(line, ' ');
    if (words.size() != 2) continue;
    if (words[0] == "dir") dirs.push_back(words[1]);
    if (words[0] == "file") files.push_back(words[1]);
  }
  ASSERT_FALSE(dirs.empty() || files.empty()) << staged_files_list() << " lists nothing";
  for (const auto& dir : dirs) {
    for (const auto& file : files) {
      const fs::path target = drivers / dir / file;
      fs::create_directories(target.parent_path());
      // A fresh inode: never write through a link into the template.
      fs::remove(target);
      std::ofstream(target, std::ios::binary) << "placeholder " << file << "\n";
    }
  }
}

void Prefix::stage_port_monitor(const std::string& dll) {
  const fs::path target = drive_c() / "windows" / "syswow64" / dll;
  fs::remove(target);
  fs::copy_file(fixture("portmonitor.dll"), target);
}

void Prefix::stage_standin(const std::string& program, bool create_printer) {
  // Wherever Windows keeps the program; a 32-bit caller finds syswow64's first.
  for (const char* dir : {"windows/system32", "windows/syswow64", "windows"}) {
    const fs::path target = drive_c() / dir / (program + ".exe");
    if (!fs::exists(target)) continue;
    fs::remove(target);  // may be a hard link into the template: never write through it
    fs::copy_file(fixture("rundll32_standin.exe"), target);
  }
  if (create_printer) std::ofstream(drive_c() / (program + ".create")) << "create\n";
}

std::string Prefix::standin_commands(const std::string& program) const {
  std::ifstream in(drive_c() / (program + ".txt"), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Prefix::wait_for_programs(std::chrono::seconds timeout) {
  auto waited = run_process({"wineserver", "-w"}, {{"WINEPREFIX", root_.string()}}, {}, timeout);
  EXPECT_FALSE(waited.timed_out) << "programs still running in " << root_ << " after " << timeout.count() << " s";
}

RegistryValue Prefix::registry_value(const std::string& root, const std::string& path, const std::string& name) {
  RegistryValue value;
  auto run = spoolctl({"reg-value", root, path, name});
  EXPECT_EQ(run.exit_code, 0) << run.describe();
  auto fields = split(run.out.substr(0, run.out.find('\n')), '\t');
  if (fields.size() != 3 || fields[0] != "value") {
    ADD_FAILURE() << "unexpected reg-value answer: " << run.describe();
  } else if (fields[1] == "missing") {
    value.error = std::stol(fields[2]);
  } else {
    value.present = true;
    value.type = std::stoul(fields[1]);
    for (size_t i = 0; i + 1 < fields[2].size(); i += 2)
      value.data += static_cast<char>(std::stoul(fields[2].substr(i, 2), nullptr, 16));
  }
  return value;
}

}  // namespace wine

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new wine::WineEnvironment);
  return RUN_ALL_TESTS();
}
