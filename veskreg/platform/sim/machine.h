// The simulated Windows: one in-memory machine that every sim wrapper works on.
// Tests arrange it, run the logic, and assert on what it holds afterwards.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/file_model.h"
#include "platform/sim/registry_model.h"
#include "platform/sim/shell_model.h"
#include "platform/sim/spooler_model.h"
#include "platform/sim/window_model.h"

namespace sim {

// Packed GetVersion values of the Windows versions the tests name.
inline constexpr uint32_t kWindowsNT4 = 0x00000004;    // 4.0
inline constexpr uint32_t kWindows95 = 0x80000004;     // 4.0, non-NT
inline constexpr uint32_t kWindows98 = 0x80000A04;     // 4.10, non-NT
inline constexpr uint32_t kWindows2000 = 0x00000005;   // 5.0
inline constexpr uint32_t kWindowsXP = 0x00000105;     // 5.1
inline constexpr uint32_t kWindowsVista = 0x00000006;  // 6.0
inline constexpr uint32_t kWindows7 = 0x00000106;      // 6.1
inline constexpr uint32_t kWindows8 = 0x00000206;      // 6.2
inline constexpr uint32_t kWindows81 = 0x00000306;     // 6.3
inline constexpr uint32_t kWindows10 = 0x0000000A;     // 10.0

struct EventRecord {
  std::string source;
  uint16_t type = 0;
  uint16_t category = 0;
  uint32_t eventId = 0;
  std::string text;
};

struct MessageBoxRecord {
  bool hasOwner = false;
  std::string text;
  std::string caption;
  uint32_t style = 0;
  int answer = 0;
};

// A program the simulated machine can start, found by the first word of a command line.
struct Program {
  uint32_t runMilliseconds = 0;
  uint32_t exitCode = 0;
  std::function<void(const std::string& commandLine)> onStart;
};

struct ProcessRecord {
  std::string commandLine;
  uint32_t startupSize = 0;
  uint32_t startTick = 0;
  uint32_t endTick = 0;
};

struct Printer {
  std::string name;
  std::string driver;
  std::string port = "PDFFILE:";
  std::string printProcessor = "winprint";
  uint32_t attributes = 0;
};

enum class HandleKind {
  Printer,
  EventSource,
  Process,
  Thread,
  LocalBlock,
  RegistryKey,
  ComObject,
  TaskMemory,
  Window,
  GdiObject
};

class Machine {
 public:
  Machine();

  // --- arrangement ---
  uint32_t version = kWindows7;
  bool is64BitWindows = true;  // a 32-bit process then runs under WOW64
  bool hasIsWow64Process = true;
  std::string systemDirectory = "C:\\WINDOWS\\system32";
  bool spoolerRunning = true;
  std::map<uint32_t, std::string> stringTable;  // the program's own, preloaded
  std::map<std::string, Program> programs;      // keyed by lower-case program name
  std::deque<int> messageBoxAnswers;            // the user's answers, in order; IDOK when empty
  std::vector<Printer> printers;                // in the spooler's enumeration order
  Registry registry;
  FileSystem files;
  SpoolerModel spooler;  // drivers and monitors
  ShellModel shell;
  WindowModel windows;
  std::map<std::string, std::string> environment;  // by upper-case name

  // Makes the named wrapper fail with `error`, after letting `skip` calls pass,
  // for `times` calls (negative: every call from then on).
  void FailCall(std::string call, uint32_t error, int skip = 0, int times = -1);
  // Records a violation when the named wrapper is called at all.
  void ForbidCall(std::string call);

  // --- what happened ---
  std::vector<std::string> calls;  // every wrapper call, in order
  std::vector<std::string> violations;
  std::vector<std::string> debugOutput;
  std::vector<EventRecord> eventLog;
  std::vector<MessageBoxRecord> messageBoxes;
  std::vector<ProcessRecord> processes;
  std::vector<uint32_t> sleeps;
  bool controlContainerEnabled = false;
  uint32_t tickCount = 1000;

  // Simulated children by process handle: when they end and with which code.
  struct ChildState {
    uint32_t endTick = 0;
    uint32_t exitCode = 0;
  };
  std::map<uintptr_t, ChildState> children;
  std::map<uintptr_t, std::string> eventSources;  // source name by handle
  struct OpenKey {
    std::string path;
    uint32_t access = 0;
  };
  std::map<uintptr_t, OpenKey> openKeys;

  int OpenHandles() const;
  int OpenHandles(HandleKind kind) const;
  std::string DescribeOpenHandles() const;

  // --- used by the sim wrappers ---
  // Counts the call; when a fault is armed for it, sets the last error and returns true.
  bool Enter(std::string_view call);
  uintptr_t OpenHandle(HandleKind kind);
  bool CloseHandle(uintptr_t handle, HandleKind kind);
  std::optional<HandleKind> KindOf(uintptr_t handle) const;

 private:
  struct Fault {
    uint32_t error;
    int skip;
    int times;
  };
  std::map<std::string, Fault, std::less<>> faults_;
  std::vector<std::string> forbidden_;
  std::map<uintptr_t, HandleKind> open_;
  uintptr_t nextHandle_ = 0x100;
};

Machine& machine();

// A fresh machine for the scope of a test; the next test starts from a fresh one too.
class ScopedMachine {
 public:
  ScopedMachine();
  ~ScopedMachine();
  ScopedMachine(const ScopedMachine&) = delete;
  ScopedMachine& operator=(const ScopedMachine&) = delete;
  Machine* operator->() { return &machine(); }
  Machine& operator*() { return machine(); }
};

void ResetMachine();

}  // namespace sim
