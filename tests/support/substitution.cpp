// The substitution layer behind the seam's substitution points, for test programs only.
#include "support/substitution.h"

#include <objbase.h>
#include <shlobj.h>

#include <array>
#include <cstring>
#include <map>

#include "support/spooler_listing.h"

namespace substitute {
namespace {

using os::substitution::Resource;

struct Fault {
  uint32_t error;
  int skip;
  int times;
  bool fired = false;
};

// The faults chosen and dropped (by Reset or another choice for the call) before they
// failed any call: a case that chose one proves nothing of it.
std::string& Unfired() {
  static std::string unfired;
  return unfired;
}
void NoteIfUnfired(const std::string& call, const Fault& fault) {
  // times 0 takes an earlier choice back; it is no fault of its own.
  if (!fault.fired && fault.times != 0) Unfired() += call + "\n";
}

struct State {
  std::vector<Call> journal;
  std::map<std::string, Fault> faults;
  std::array<int, 9> open{};
  bool answersVersion = false;
  uint32_t version = 0;
  bool is64Bit = false;
  bool hasIsWow64Process = true;
  bool windowsRules = true;
  bool localSystem = false;
  uint32_t fileAttributes = 0;
  int nativeMachine = -1;  // IsWow64Process2's answer; -1: the system's
  uint32_t nameForm = STRRET_WSTR;
  uint32_t tick = 1000;
  std::vector<uint32_t> sleeps;
};

State& state() {
  static State s;
  return s;
}

std::string Text(const char* text) { return text != nullptr ? text : ""; }

bool SameName(const char* a, const char* b) { return a != nullptr && b != nullptr && ::lstrcmpiA(a, b) == 0; }

// --- where Wine is not Windows -------------------------------------------------------

using listing::Printers;

bool DriverKnown(const char* name, const char* environment) {
  for (const std::string& known : listing::DriverNames(environment)) {
    if (SameName(known.c_str(), name)) return true;
  }
  return false;
}

bool Refuse(uint32_t error) {
  ::SetLastError(error);
  return true;
}

// Windows refuses to add a printer whose name is taken (1802; Wine hands back a handle to
// the existing one) and to add one on a driver it does not know (1797; Wine says 87).
bool AddPrinterRule(const char* name, const char* driver) {
  HANDLE existing = nullptr;
  if (::OpenPrinterA(const_cast<char*>(name), &existing, nullptr)) {
    ::ClosePrinter(existing);
    return Refuse(ERROR_PRINTER_ALREADY_EXISTS);
  }
  // A driver known for x64 only is left to the system: Wine cannot put a 32-bit
  // process's printer on it (87), where 64-bit Windows would.
  if (driver != nullptr && !DriverKnown(driver, nullptr) && !DriverKnown(driver, "Windows x64")) {
    return Refuse(ERROR_UNKNOWN_PRINTER_DRIVER);
  }
  return false;
}

// Windows keeps a driver that a printer still uses (3001; Wine deletes it) and answers
// 1797 for one it does not know (Wine: 2, at times with the last error untouched).
bool DeletePrinterDriverRule(const char* driver, const char* environment) {
  std::vector<BYTE> block;
  for (const PRINTER_INFO_2A& printer : Printers(block)) {
    if (SameName(printer.pDriverName, driver)) return Refuse(ERROR_PRINTER_DRIVER_IN_USE);
  }
  if (!DriverKnown(driver, environment)) return Refuse(ERROR_UNKNOWN_PRINTER_DRIVER);
  return false;
}

bool Runs64Bit() {
  if (state().answersVersion) return state().is64Bit;
  BOOL wow64 = FALSE;
  return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

// The Printers folder as Windows lists it: one item per printer. Wine's folder cannot
// enumerate (E_NOTIMPL), so its items are made here, each carrying the printer's name
// behind a mark of ours.
constexpr char kItemMark[4] = {'V', 'K', 'P', 'R'};
constexpr uint16_t kNameOffset = 2 + sizeof kItemMark;

class PrinterListing : public IEnumIDList {
 public:
  PrinterListing() {
    std::vector<BYTE> block;
    for (const PRINTER_INFO_2A& printer : Printers(block)) names_.push_back(Text(printer.pPrinterName));
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IEnumIDList) {
      *object = this;
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE Next(ULONG count, LPITEMIDLIST* items, ULONG* fetched) override {
    ULONG given = 0;
    for (; given < count && next_ < names_.size(); ++given, ++next_) {
      // An overlong name's place runs on over 260 bytes, inside its item.
      const std::string name = names_[next_] + std::string(state().nameForm == kOffsetOverlong ? 300 : 0, ' ');
      const auto size = static_cast<uint16_t>(kNameOffset + name.size() + 1);
      auto* item = static_cast<BYTE*>(::CoTaskMemAlloc(size + 2u));
      std::memcpy(item, &size, 2);
      std::memcpy(item + 2, kItemMark, sizeof kItemMark);
      std::memcpy(item + kNameOffset, name.c_str(), name.size() + 1);
      item[size] = item[size + 1] = 0;
      items[given] = reinterpret_cast<LPITEMIDLIST>(item);
    }
    if (fetched != nullptr) *fetched = given;
    return given == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    next_ += count;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    next_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumIDList** copy) override {
    *copy = nullptr;
    return E_NOTIMPL;
  }

 private:
  virtual ~PrinterListing() = default;
  ULONG references_ = 1;
  std::vector<std::string> names_;
  size_t next_ = 0;
};

}  // namespace

void Reset() {
  for (const auto& [call, fault] : state().faults) NoteIfUnfired(call, fault);
  state() = State{};
}

void FailCall(const std::string& call, uint32_t error, int skip, int times) {
  auto chosen = state().faults.find(call);
  if (chosen != state().faults.end()) NoteIfUnfired(call, chosen->second);
  state().faults[call] = Fault{error, skip, times};
}

std::string UnfiredFaults() {
  for (const auto& [call, fault] : state().faults) NoteIfUnfired(call, fault);
  for (auto& [call, fault] : state().faults) fault.fired = true;
  std::string unfired;
  unfired.swap(Unfired());
  return unfired;
}

void AnswerAsWindows(uint32_t version, bool is64Bit, bool hasIsWow64Process) {
  state().answersVersion = true;
  state().version = version;
  state().is64Bit = is64Bit;
  state().hasIsWow64Process = hasIsWow64Process;
}

void UseWindowsRules(bool on) { state().windowsRules = on; }
void RunAsLocalSystem(bool on) { state().localSystem = on; }
void AnswerFileAttributes(uint32_t attributes) { state().fileAttributes = attributes; }
void AnswerNativeMachine(uint16_t machine) { state().nativeMachine = machine; }
void PrintersFolderNameForm(uint32_t form) { state().nameForm = form; }

const std::vector<Call>& Journal() { return state().journal; }

std::vector<Call> Calls(const std::string& call) {
  std::vector<Call> found;
  for (const Call& c : state().journal) {
    if (c.call == call) found.push_back(c);
  }
  return found;
}

bool Called(const std::string& call) { return !Calls(call).empty(); }

const std::vector<uint32_t>& Sleeps() { return state().sleeps; }

std::string DescribeOpen() {
  static const char* const kNames[] = {"printer handles", "registry keys",  "event sources",
                                       "kernel handles",  "COM references", "task-memory blocks",
                                       "local blocks",    "windows",        "GDI objects"};
  std::string described;
  for (size_t i = 0; i < state().open.size(); ++i) {
    if (state().open[i] != 0) described += std::to_string(state().open[i]) + " " + kNames[i] + "\n";
  }
  return described;
}

}  // namespace substitute

namespace os::substitution {

using substitute::state;

bool Fails(const char* call, const char* subject, const char* detail, uint32_t number) {
  state().journal.push_back(substitute::Call{call, substitute::Text(subject), substitute::Text(detail), number});
  auto fault = state().faults.find(call);
  if (fault != state().faults.end() && fault->second.times != 0) {
    if (fault->second.skip > 0) {
      --fault->second.skip;
    } else {
      if (fault->second.times > 0) --fault->second.times;
      fault->second.fired = true;
      return substitute::Refuse(fault->second.error);
    }
  }
  if (!state().windowsRules) return false;
  if (std::strcmp(call, "AddPrinterA") == 0) return substitute::AddPrinterRule(subject, detail);
  if (std::strcmp(call, "DeletePrinterDriverA") == 0) return substitute::DeletePrinterDriverRule(subject, detail);
  return false;
}

void Count(Resource resource, int delta) { state().open[static_cast<size_t>(resource)] += delta; }

bool Answers(const char* call, uint32_t* value) {
  if (std::strcmp(call, "GetTickCount") == 0) {
    *value = state().tick;
    return true;
  }
  if (std::strcmp(call, "IsWow64Process2") == 0 && state().nativeMachine >= 0) {
    *value = static_cast<uint32_t>(state().nativeMachine);
    return true;
  }
  if (std::strcmp(call, "GetFileAttributesA") == 0 && state().fileAttributes != 0) {
    *value = state().fileAttributes;
    return true;
  }
  // Wine runs every program as the desktop's user.
  if (std::strcmp(call, "ProcessRunsAsLocalSystem") == 0) {
    *value = state().localSystem ? 1 : 0;
    return state().localSystem;
  }
  if (!state().answersVersion) return false;
  if (std::strcmp(call, "GetVersion") == 0) {
    *value = state().version;
  } else if (std::strcmp(call, "LookupIsWow64Process") == 0) {
    *value = state().hasIsWow64Process ? 1 : 0;
  } else if (std::strcmp(call, "IsWow64Process") == 0) {
    *value = state().is64Bit ? 1 : 0;
  } else {
    return false;
  }
  return true;
}

bool Sleeps(uint32_t milliseconds) {
  state().sleeps.push_back(milliseconds);
  state().tick += milliseconds;
  return true;
}

// Windows names the monitor's own environment, the machine's native one; Wine says
// "Windows NT x86" for every monitor.
const char* MonitorEnvironment(const char* reported) {
  if (!state().windowsRules || reported == nullptr) return reported;
  if (!substitute::Runs64Bit()) return "Windows NT x86";
  return state().nativeMachine == IMAGE_FILE_MACHINE_ARM64 ? "Windows ARM64" : "Windows x64";
}

bool ListsPrinters(HResult reported, EnumIdListHandle* enumerator) {
  if (!state().windowsRules || reported != E_NOTIMPL) return false;
  *enumerator = reinterpret_cast<EnumIdListHandle>(static_cast<IEnumIDList*>(new substitute::PrinterListing));
  Count(Resource::ComReference, 1);
  return true;
}

bool NamesListedPrinter(ConstItemIdList item, StrRet* name) {
  if (item == nullptr || std::memcmp(item + 2, substitute::kItemMark, sizeof substitute::kItemMark) != 0) return false;
  const char* text = reinterpret_cast<const char*>(item) + substitute::kNameOffset;
  name->type = state().nameForm;
  switch (state().nameForm) {
    case STRRET_WSTR: {
      int units = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
      auto* wide = static_cast<wchar_t*>(::CoTaskMemAlloc(units * sizeof(wchar_t)));
      ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide, units);
      name->oleStr = reinterpret_cast<char16_t*>(wide);
      Count(Resource::TaskMemory, 1);
      break;
    }
    case STRRET_OFFSET:
      name->offset = substitute::kNameOffset;
      break;
    case substitute::kOffsetUnterminated:  // the item ends right before the name's NUL
      name->type = STRRET_OFFSET;
      name->offset = substitute::kNameOffset;
      *reinterpret_cast<uint16_t*>(const_cast<uint8_t*>(item)) -= 1;
      break;
    case substitute::kOffsetOverlong:
      name->type = STRRET_OFFSET;
      name->offset = substitute::kNameOffset;
      break;
    default:
      std::strncpy(name->cStr, text, sizeof name->cStr - 1);
      break;
  }
  return true;
}

}  // namespace os::substitution
