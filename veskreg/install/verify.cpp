#include "install/verify.h"

#include <cstring>

#include "core/diagnostics.h"
#include "core/platform_predicates.h"
#include "core/switches.h"
#include "core/system_paths.h"
#include "core/text_buffers.h"
#include "install/driver_files.h"
#include "install/driver_install.h"
#include "install/port_monitor.h"
#include "install/product_printers.h"
#include "install/send_to.h"
#include "install/settings_keys.h"
#include "install/settings_store.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "platform/window.h"
#include "resources/resource.h"

namespace {

constexpr const char* kBoxCaption = "Folyant";
// More findings than this, a few lines each when wrapped, would not fit a box on the
// screen; the rest are in the event log.
constexpr size_t kBoxFindings = 10;
constexpr int kStringTableTextSize = 256;
// What a write that wrote less than asked says, with no error of its own.
constexpr uint32_t kErrorWriteFault = 29;

std::string Text(const char* text) { return text != nullptr ? text : ""; }
std::string Quoted(const std::string& text) { return "\"" + text + "\""; }
bool Same(const char* first, const char* second) {
  return first != nullptr && second != nullptr && os::lstrcmpiA(first, second) == 0;
}
bool Exists(const char* path) {
  const uint32_t attributes = os::GetFileAttributesA(path);
  return attributes != os::kInvalidFileAttributes && (attributes & os::kFileAttributeDirectory) == 0;
}
// The switches that repair a finding, with the run's own -x64.
std::string Repair(const Target& target, const std::string& switches) {
  return "; repair: " + (target.x64 ? std::string(kSwitchX64) + " " : std::string()) + switches;
}

// The adding switches of the kind.
std::string AddSwitches(DriverKind kind) {
  const KindFacts& facts = FactsOf(kind);
  std::string switches = facts.addSwitches[0];
  if (facts.addSwitches[1] != nullptr) switches += std::string(" ") + facts.addSwitches[1];
  return switches;
}

std::string AddPrinterRepair(const Target& target, DriverKind kind, const std::string& printerName) {
  return Repair(target, AddSwitches(kind) + " " + kSwitchPrinterName + Quoted(printerName));
}

using Listing = SpoolerListing;

// True when the driver is installed; `library` is then its driver library.
bool Registered(const Listing& drivers, const char* driverName, const char** library = nullptr) {
  for (uint32_t i = 0; i < drivers.count; ++i) {
    const os::DriverInfo2View driver = os::DriverInfo2At(drivers.data(), i);
    if (!Same(driver.name, driverName)) continue;
    if (library != nullptr) *library = driver.driverPath;
    return true;
  }
  return false;
}

struct Finding {
  bool note;
  std::string text;
};

class Check {
 public:
  explicit Check(const VerifyRequest& request) : request_(request) {}
  std::vector<Finding> Run();
  // What the summary line says was looked at: "monitor ..., N printers, N drivers".
  std::string Checked() const;

 private:
  void Problem(std::string text) { findings_.push_back({false, std::move(text)}); }
  void Note(std::string text) { findings_.push_back({true, std::move(text)}); }
  // False, with the one finding that says so, when the spooler did not answer.
  bool Answered(const Listing& listing, const char* what);
  bool Monitor();
  void ProductPrinters(const std::string* only);
  void Driver(DriverKind kind, bool reportMissing);
  std::string Repair(const std::string& switches) const { return ::Repair(request_.target, switches); }
  std::string AddPrinterRepair(DriverKind kind, const std::string& name) const {
    return ::AddPrinterRepair(request_.target, kind, name);
  }
  void AllDeleted();
  void AutoNameStopped();
  void UnusedDrivers(const Listing& drivers);

  const VerifyRequest& request_;
  std::vector<Finding> findings_;
  Listing printers_;
  char sendTo_[kSendToPathSize] = {};
  bool haveSendTo_ = false;
  // LocalSystem's own Send To folder and HKEY_CURRENT_USER are nobody's: a fleet tool's
  // run checks neither.
  bool perUser_ = true;
  bool monitorChecked_ = false;
  size_t printersChecked_ = 0, driversChecked_ = 0, settingsChecked_ = 0;
};

std::vector<Finding> Check::Run() {
  printers_ = ListPrinters();
  if (!Answered(printers_, "printers")) return findings_;
  perUser_ = !os::ProcessRunsAsLocalSystem();
  haveSendTo_ = perUser_ && GetSendToFolder(sendTo_);
  switch (request_.scope) {
    case VerifyScope::Installation:
      if (Monitor()) ProductPrinters(nullptr);
      break;
    case VerifyScope::Printer:
      if (request_.printerName.empty()) {
        Problem("printer name: empty or longer than 259 characters, so no printer was installed");
      } else if (Monitor()) {
        ProductPrinters(&request_.printerName);
      }
      break;
    case VerifyScope::Monitor:
      Monitor();
      break;
    case VerifyScope::DependentFiles:
      Driver(request_.kind, true);
      break;
    case VerifyScope::AllDeleted:
      AllDeleted();
      break;
    case VerifyScope::InstanceDeleted:
      printersChecked_ = 1;
      for (uint32_t i = 0; i < printers_.count; ++i) {
        if (Same(os::PrinterInfo2At(printers_.data(), i).printerName, request_.printerName.c_str())) {
          Problem("printer " + Quoted(request_.printerName) + ": still installed after " + request_.operationSwitch +
                  Repair(request_.operationSwitch));
        }
      }
      break;
    case VerifyScope::AutoNameStopped:
      if (perUser_) AutoNameStopped();
      break;
  }
  const bool hasPerUserChecks = request_.scope == VerifyScope::Installation || request_.scope == VerifyScope::Printer ||
                                request_.scope == VerifyScope::AllDeleted ||
                                request_.scope == VerifyScope::AutoNameStopped;
  if (!perUser_ && hasPerUserChecks) {
    Note(
        "per-user checks: left out, the check runs as LocalSystem (Send To shortcuts, settings under "
        "HKEY_CURRENT_USER)");
  }
  return findings_;
}

// A string-table text with its places filled.
std::string StringTableText(uint32_t id, const char* text = nullptr, const int* number = nullptr) {
  char format[kStringTableTextSize] = {};
  if (os::LoadStringA(id, format, sizeof format) == 0) return "LoadString message error " + std::to_string(id);
  char filled[kStringTableTextSize];
  FillMessagePlaces(filled, sizeof filled, format, text, number);
  return filled;
}

std::string Counted(size_t count, const char* what) {
  return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

std::string Check::Checked() const {
  std::string checked;
  const auto add = [&checked](const std::string& item) { checked += (checked.empty() ? "" : ", ") + item; };
  if (monitorChecked_) add("monitor " + Quoted(kMonitorName));
  if (printersChecked_ != 0) add(Counted(printersChecked_, "printer"));
  if (driversChecked_ != 0) add(Counted(driversChecked_, "driver"));
  if (settingsChecked_ != 0) add(Counted(settingsChecked_, "settings key"));
  return checked.empty() ? "nothing" : checked;
}

bool Check::Answered(const Listing& listing, const char* what) {
  if (listing.error == 0) return true;
  if (listing.error == os::kRpcServerUnavailable) {
    Problem("spooler: the spooler service is not running (error 1722); start it and run the check again");
  } else {
    Problem(std::string("spooler: the ") + what + " cannot be listed, error " + std::to_string(listing.error));
  }
  return false;
}

}  // namespace

Target SpoolersOwnTarget() {
  Listing monitors = ListSpooler([](uint8_t* block, uint32_t size, uint32_t* needed, uint32_t* returned) {
    return os::EnumMonitorsA(nullptr, 2, block, size, needed, returned);
  });
  if (monitors.error != 0 || monitors.count == 0) return TargetFor(false);
  return TargetForEnvironment(os::MonitorInfo2At(monitors.data(), 0).environment);
}

namespace {

// "Folyant Port" on "folyantm7.dll", the library where the spooler loads it from, and
// the port it serves.
bool Check::Monitor() {
  Listing monitors = ListSpooler([](uint8_t* block, uint32_t size, uint32_t* needed, uint32_t* returned) {
    return os::EnumMonitorsA(nullptr, 2, block, size, needed, returned);
  });
  if (!Answered(monitors, "port monitors")) return false;
  monitorChecked_ = true;
  bool current = false;
  const char* other = nullptr;
  for (uint32_t i = 0; i < monitors.count; ++i) {
    const os::MonitorInfo2 monitor = os::MonitorInfo2At(monitors.data(), i);
    if (monitor.name == nullptr || std::strcmp(monitor.name, kMonitorName) != 0) continue;
    if (Same(monitor.dllName, kMonitorLibrary)) {
      current = true;
    } else {
      other = monitor.dllName != nullptr ? monitor.dllName : "";
    }
  }
  const std::string object = std::string("port monitor ") + Quoted(kMonitorName) + ": ";
  // The spooler loads it from the machine's own system directory, which a 32-bit program
  // under WOW64 sees as "Sysnative" (its system32 is SysWOW64; Windows XP x64 has no such
  // name without an update).
  char library[kSystemPathSize] = {}, native[kSystemPathSize];
  SystemFolderPath(SystemFolder::System, library, nullptr, "\\", kMonitorLibrary);
  const bool libraryThere =
      IsWow64() != 0
          ? SystemFolderPath(SystemFolder::Windows, native, nullptr, "\\Sysnative\\", kMonitorLibrary) && Exists(native)
          : Exists(library);
  if (!libraryThere) Problem(object + "library " + library + " missing (the product's files must be installed again)");
  if (!current) {
    Problem(object + (other == nullptr ? "not installed" : "on " + Quoted(other) + ", not " + Quoted(kMonitorLibrary)) +
            Repair(std::string(kSwitchRegAddPrinter) + " " + kSwitchAddMonitor));
    return true;
  }
  if (!libraryThere) return true;
  Listing ports = ListSpooler([](uint8_t* block, uint32_t size, uint32_t* needed, uint32_t* returned) {
    return os::EnumPortsA(2, block, size, needed, returned);
  });
  if (!Answered(ports, "ports")) return false;
  bool served = false;
  for (uint32_t i = 0; i < ports.count && !served; ++i) {
    const os::PortInfo2View port = os::PortInfo2At(ports.data(), i);
    served = Same(port.portName, kProductPort) && (port.monitorName == nullptr || Same(port.monitorName, kMonitorName));
  }
  if (!served) Problem(std::string("port ") + Quoted(kProductPort) + ": not served by " + Quoted(kMonitorName));
  return true;
}

// Every product printer (or only the named one) in the one enumeration; the files of
// each driver kind in use once, however many printers use it.
void Check::ProductPrinters(const std::string* only) {
  Listing drivers = ListDrivers(request_.target);
  if (!Answered(drivers, "drivers")) return;
  constexpr int kKindCount = 4;
  bool kindInUse[kKindCount] = {};
  bool seen = false;
  for (uint32_t i = 0; i < printers_.count; ++i) {
    const os::PrinterInfo2View printer = os::PrinterInfo2At(printers_.data(), i);
    if (only != nullptr ? !Same(printer.printerName, only->c_str()) : !IsProductPrinter(printer)) continue;
    seen = true;
    ++printersChecked_;
    const char* library = nullptr;
    const bool registered = Registered(drivers, printer.driverName, &library);
    DriverKind kind{};
    const bool ours = KindOfInstalledDriver(printer.driverName, library, &kind);
    const std::string name = Text(printer.printerName);
    const std::string object = "printer " + Quoted(name) + ": ";
    const std::string repair = ours ? AddPrinterRepair(kind, name) : "";
    if (!Same(printer.portName, kProductPort)) {
      Problem(object + "on " +
              (Same(printer.portName, kFilePort) ? kFilePort + (", not " + std::string(kProductPort)) +
                                                       " (the port monitor was missing when it was created)"
                                                 : Quoted(Text(printer.portName)) + ", not " + kProductPort) +
              repair);
    }
    if (!Same(printer.printProcessor, kPrintProcessor)) {
      Problem(object + "print processor " + Quoted(Text(printer.printProcessor)) + ", not " + Quoted(kPrintProcessor) +
              repair);
    }
    if (!registered) {
      Problem(object + "driver " + Quoted(Text(printer.driverName)) + " not installed for " +
              request_.target.environment + repair);
    } else if (ours) {
      kindInUse[static_cast<int>(kind)] = true;
    }
    char link[kSendToPathSize + 1];
    if (haveSendTo_ && ShortcutPathIn(sendTo_, printer.printerName, link) && !Exists(link)) {
      Note(object + "no Send To shortcut" + repair);
    }
    // The spooler, as SYSTEM, trusts what its printer keys hold. Before Windows 10 the
    // installation closes them to other accounts; a key an earlier release left with no
    // access list at all is open on any Windows.
    for (const bool driverData : {false, true}) {
      KeyRights judged = KeyRights::Closed;
      if (!ReadPrinterKeyRights(printer.printerName, driverData, &judged)) continue;
      const std::string key = driverData ? "registry key PrinterDriverData" : "registry key";
      if (judged == KeyRights::NullDacl) {
        Problem(object + key + " has no access list, every account may change it" + repair);
      } else if (judged == KeyRights::OpenToOthers && !IsWindows10OrLater()) {
        Problem(object + key + " lets other accounts change it" + repair);
      }
    }
  }
  if (!seen && only != nullptr) {
    Problem("printer " + Quoted(*only) + ": not installed" + AddPrinterRepair(request_.kind, *only));
  } else if (!seen) {
    Problem("printers: no product printer is installed" + AddPrinterRepair(DriverKind::Xps, kDefaultPrinterName));
  }
  for (int kind = 0; kind < kKindCount; ++kind) {
    if (kindInUse[kind]) Driver(static_cast<DriverKind>(kind), false);
  }
  if (only == nullptr) UnusedDrivers(drivers);
}

// A product driver no printer uses: left by a removal that failed after its last printer.
// Nothing is broken; -deleteprinter finishes it, but takes every product printer with it.
void Check::UnusedDrivers(const Listing& drivers) {
  bool productPrinters = false;
  for (uint32_t i = 0; i < printers_.count; ++i) {
    productPrinters = productPrinters || IsProductDriverName(os::PrinterInfo2At(printers_.data(), i).driverName);
  }
  for (uint32_t i = 0; i < drivers.count; ++i) {
    const char* name = os::DriverInfo2At(drivers.data(), i).name;
    if (!IsProductDriverName(name) || IsDriverInUse(printers_, name)) continue;
    ++driversChecked_;
    Note("driver " + Quoted(name) + ": installed for " + request_.target.environment + ", no printer uses it" +
         (productPrinters ? std::string(" (") + kSwitchDeletePrinter + " removes it with every product printer)"
                          : Repair(kSwitchDeletePrinter)));
  }
}

// The driver's files in the driver directory, and "Dependent Files" as the installation
// writes it for the kind on this Windows.
void Check::Driver(DriverKind kind, bool reportMissing) {
  const KindFacts& facts = FactsOf(kind);
  const Target& target = request_.target;
  const std::string object = "driver " + Quoted(facts.driverName) + ": ";
  ++driversChecked_;
  char keyPath[kKeyPathSize];
  DriverKeyPath(keyPath, kind, target);
  os::OwnedRegistryKey key;
  if (os::RegOpenKeyExA(os::HkeyLocalMachine(), keyPath, 0, os::kKeyRead, key.put()) != 0) {
    if (reportMissing) Problem(object + "not installed for " + target.environment + Repair(AddSwitches(kind)));
    return;
  }
  static uint8_t merged[kMergeCapacity];
  const DependentFileList expected = DependentFilesToWrite(key.get(), kind, merged);

  char directory[kSystemPathSize];
  if (SystemFolderPath(SystemFolder::System, directory, nullptr, target.driverDirectory)) {
    const DriverFileNames files = DriverFilesFor(kind, target);
    const char* names[] = {files.driverLibrary, files.dataFile, files.configFile, files.helpFile};
    auto present = [&](const char* name) {
      char path[kSystemPathSize];
      if (!JoinWhole(path, directory, name) || !Exists(path)) Problem(object + "file missing: " + directory + name);
    };
    for (const char* name : names) present(name);
    for (uint32_t at = 0; at < expected.length && expected.data[at] != '\0';
         at += static_cast<uint32_t>(strnlen(expected.data + at, expected.length - at)) + 1) {
      present(ResolvedDependentFile(expected.data + at));
    }
  }

  static uint8_t stored[kMergeCapacity];
  uint32_t size = sizeof stored;
  uint32_t type = 0;
  if (os::RegQueryValueExA(key.get(), "Dependent Files", &type, stored, &size) != 0 || type != os::kRegMultiSz ||
      !SameDependentFiles(stored, size, reinterpret_cast<const uint8_t*>(expected.data), expected.length)) {
    Problem(object + "\"Dependent Files\" is not the list this Windows needs" + Repair(facts.updateSwitch));
  }
}

void Check::AllDeleted() {
  printersChecked_ = request_.removedPrinters.size();
  for (uint32_t i = 0; i < printers_.count; ++i) {
    const os::PrinterInfo2View printer = os::PrinterInfo2At(printers_.data(), i);
    if (IsProductDriverName(printer.driverName)) {
      Problem("printer " + Quoted(Text(printer.printerName)) + ": still installed after " + kSwitchDeletePrinter +
              Repair(kSwitchDeletePrinter));
    }
  }
  Listing drivers = ListDrivers(request_.target);
  if (!Answered(drivers, "drivers")) return;
  driversChecked_ = request_.removedDrivers.size();
  for (uint32_t i = 0; i < drivers.count; ++i) {
    const char* name = os::DriverInfo2At(drivers.data(), i).name;
    if (IsProductDriverName(name)) {
      Problem("driver " + Quoted(Text(name)) + ": still installed for " + request_.target.environment + " after " +
              kSwitchDeletePrinter + Repair(kSwitchDeletePrinter));
    }
  }
  for (const std::string& name : request_.removedPrinters) {
    char link[kSendToPathSize + 1];
    if (haveSendTo_ && ShortcutPathIn(sendTo_, name.c_str(), link) && Exists(link)) {
      Note("printer " + Quoted(name) + ": Send To shortcut left after " + kSwitchDeletePrinter);
    }
  }
}

// The default file name as -stopautoname writes it in the user keys of "Folyant",
// "Glimmora" and every printer with settings of its own.
void Check::AutoNameStopped() {
  std::vector<std::string> names = {kDefaultPrinterName, kImagePrinterName};
  for (uint32_t i = 0; i < printers_.count; ++i) {
    const os::PrinterInfo2View printer = os::PrinterInfo2At(printers_.data(), i);
    if (HasOwnSettings(printer)) names.push_back(printer.printerName);
  }
  constexpr uint32_t kWritten = std::char_traits<char>::length(kStoppedDefaultFileName) + 1;
  settingsChecked_ = names.size();
  for (const std::string& name : names) {
    char path[kKeyPathSize];
    char value[kWritten + 1] = {};
    uint32_t size = sizeof value;
    uint32_t type = 0;
    os::OwnedRegistryKey key;
    if (!JoinWhole(path, kSettingsKeyPrefix, name.c_str()) ||
        os::RegOpenKeyExA(os::HkeyCurrentUser(), path, 0, os::kKeyRead, key.put()) != 0 ||
        os::RegQueryValueExA(key.get(), kDefaultFileNameValue, &type, reinterpret_cast<uint8_t*>(value), &size) != 0) {
      size = 0;
    }
    if (type != os::kRegSz || size != kWritten || std::memcmp(value, kStoppedDefaultFileName, kWritten) != 0) {
      Problem("settings " + Quoted(name) + ": " + Quoted(kDefaultFileNameValue) + " is not the blank " +
              kSwitchStopAutoName + " writes" + Repair(kSwitchStopAutoName));
    }
  }
}

}  // namespace

void RememberProductPrinters(VerifyRequest& request) {
  const auto remember = [&request](const char* driverName) {
    bool known = false;
    for (const std::string& driver : request.removedDrivers) known = known || Same(driver.c_str(), driverName);
    if (!known) request.removedDrivers.push_back(Text(driverName));
  };
  const Listing printers = ListPrinters();
  for (uint32_t i = 0; i < printers.count; ++i) {
    const os::PrinterInfo2View printer = os::PrinterInfo2At(printers.data(), i);
    if (!IsProductDriverName(printer.driverName)) continue;
    request.removedPrinters.push_back(Text(printer.printerName));
    remember(printer.driverName);
  }
  const Listing drivers = ListDrivers(request.target);
  for (uint32_t i = 0; i < drivers.count; ++i) {
    const char* name = os::DriverInfo2At(drivers.data(), i).name;
    if (IsProductDriverName(name)) remember(name);
  }
}

bool VerifyInstallation(const VerifyRequest& request, const std::vector<std::string>& runFailures) {
  Check check(request);
  std::vector<Finding> findings;
  for (const std::string& failure : runFailures) {
    findings.push_back({false, std::string(request.operationSwitch) + ": " + failure});
  }
  for (Finding& finding : check.Run()) findings.push_back(std::move(finding));
  size_t problems = 0;
  for (const Finding& finding : findings) problems += finding.note ? 0 : 1;
  const size_t notes = findings.size() - problems;

  // Written to standard output only where an installer can capture it: a GUI program
  // started from a console has none, and a console window is never opened for it.
  const os::KernelHandle output = os::GetStdHandle(os::kStdOutputHandle);
  const uint32_t outputType = output != nullptr ? os::GetFileType(output) : 0;
  const bool captured = outputType == os::kFileTypeDisk || outputType == os::kFileTypePipe;
  uint32_t writeError = 0;
  const auto report = [&](const std::string& line, uint16_t eventType) {
    if (captured && writeError == 0) {
      const std::string text = line + "\r\n";
      if (!os::WriteFile(output, text.c_str(), static_cast<uint32_t>(text.size()))) {
        writeError = os::GetLastError();
        if (writeError == 0) writeError = kErrorWriteFault;
      }
    }
    LogAppEvent(eventType, "Verify: %s", line.c_str());
  };
  std::string listed;
  for (size_t i = 0; i < findings.size(); ++i) {
    std::string line = (findings[i].note ? "note: " : "") + findings[i].text;
    // A spooler string with a line break in it must not make a line of its own.
    MaskControlCharacters(line.data());
    report(line, findings[i].note ? os::kEventlogInformationType : os::kEventlogWarningType);
    if (i < kBoxFindings) listed += "\n\n" + line;
  }
  // Always the last line: what fleet consoles show of a run.
  report("checked: " + check.Checked() + ": " + Counted(problems, "problem") + ", " + Counted(notes, "note"),
         problems != 0 ? os::kEventlogWarningType : os::kEventlogInformationType);
  if (writeError != 0) {
    LogAppEvent(os::kEventlogErrorType, "Verify: the report could not be written to standard output, error %u",
                writeError);
  }

  if (!request.quiet) {
    const int more = static_cast<int>(findings.size() > kBoxFindings ? findings.size() - kBoxFindings : 0);
    if (more != 0) listed += "\n\n" + StringTableText(IDS_VERIFY_MORE, nullptr, &more);
    const std::string counts = (problems != 0 ? Counted(problems, "problem") : "no problem") +
                               (notes != 0 ? ", " + Counted(notes, "note") : "");
    const std::string text = findings.empty() ? StringTableText(IDS_VERIFY_CLEAN)
                                              : StringTableText(IDS_VERIFY_FOUND, counts.c_str()) + listed;
    os::MessageBoxA(nullptr, text.c_str(), kBoxCaption,
                    os::kMbSystemModal | (problems != 0 ? os::kMbIconWarning : os::kMbIconInformation));
  }
  return problems != 0;
}
