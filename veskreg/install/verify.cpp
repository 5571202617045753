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

namespace {

constexpr const char* kBoxCaption = "Folyant";
// More findings than this, a few lines each when wrapped, would not fit a box on the
// screen; the rest are in the event log.
constexpr size_t kBoxFindings = 10;

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

// The drivers of the target's environment, with their libraries.
Listing ListDrivers(const Target& target) {
  return ListSpooler([&target](uint8_t* block, uint32_t size, uint32_t* needed, uint32_t* returned) {
    return os::EnumPrinterDriversA(target.environment, 2, block, size, needed, returned);
  });
}

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

  const VerifyRequest& request_;
  std::vector<Finding> findings_;
  Listing printers_;
  char sendTo_[kSendToPathSize] = {};
  bool haveSendTo_ = false;
};

std::vector<Finding> Check::Run() {
  printers_ = ListPrinters();
  if (!Answered(printers_, "printers")) return findings_;
  haveSendTo_ = GetSendToFolder(sendTo_);
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
      for (uint32_t i = 0; i < printers_.count; ++i) {
        if (Same(os::PrinterInfo2At(printers_.data(), i).printerName, request_.printerName.c_str())) {
          Problem("printer " + Quoted(request_.printerName) + ": still installed after " + request_.operationSwitch +
                  Repair(request_.operationSwitch));
        }
      }
      break;
    case VerifyScope::AutoNameStopped:
      AutoNameStopped();
      break;
  }
  return findings_;
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
}

// The driver's files in the driver directory, and "Dependent Files" as the installation
// writes it for the kind on this Windows.
void Check::Driver(DriverKind kind, bool reportMissing) {
  const KindFacts& facts = FactsOf(kind);
  const Target& target = request_.target;
  const std::string object = "driver " + Quoted(facts.driverName) + ": ";
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
  for (uint32_t i = 0; i < printers_.count; ++i) {
    const os::PrinterInfo2View printer = os::PrinterInfo2At(printers_.data(), i);
    if (IsProductDriverName(printer.driverName)) {
      Problem("printer " + Quoted(Text(printer.printerName)) + ": still installed after " + kSwitchDeletePrinter +
              Repair(kSwitchDeletePrinter));
    }
  }
  Listing drivers = ListDrivers(request_.target);
  if (!Answered(drivers, "drivers")) return;
  for (const std::string& driver : request_.removedDrivers) {
    if (Registered(drivers, driver.c_str())) {
      Problem("driver " + Quoted(driver) + ": still installed for " + request_.target.environment + " after " +
              kSwitchDeletePrinter);
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

std::string Counted(size_t count, const char* what) {
  return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

}  // namespace

void RememberProductPrinters(VerifyRequest& request) {
  const Listing printers = ListPrinters();
  for (uint32_t i = 0; i < printers.count; ++i) {
    const os::PrinterInfo2View printer = os::PrinterInfo2At(printers.data(), i);
    if (!IsProductDriverName(printer.driverName)) continue;
    request.removedPrinters.push_back(Text(printer.printerName));
    bool known = false;
    for (const std::string& driver : request.removedDrivers) known = known || Same(driver.c_str(), printer.driverName);
    if (!known) request.removedDrivers.push_back(Text(printer.driverName));
  }
}

bool VerifyInstallation(const VerifyRequest& request) {
  const std::vector<Finding> findings = Check(request).Run();
  size_t problems = 0;
  for (const Finding& finding : findings) problems += finding.note ? 0 : 1;

  // Written to standard output only where an installer can capture it: a GUI program
  // started from a console has none, and a console window is never opened for it.
  const os::KernelHandle output = os::GetStdHandle(os::kStdOutputHandle);
  const uint32_t outputType = output != nullptr ? os::GetFileType(output) : 0;
  const bool captured = outputType == os::kFileTypeDisk || outputType == os::kFileTypePipe;
  std::string listed;
  for (size_t i = 0; i < findings.size(); ++i) {
    std::string line = (findings[i].note ? "note: " : "") + findings[i].text;
    // A spooler string with a line break in it must not make a line of its own.
    MaskControlCharacters(line.data());
    if (captured) {
      const std::string text = line + "\r\n";
      os::WriteFile(output, text.c_str(), static_cast<uint32_t>(text.size()));
    }
    LogAppEvent(os::kEventlogWarningType, "%s", line.c_str());
    if (i < kBoxFindings) listed += "\n\n" + line;
  }
  if (findings.size() > kBoxFindings) {
    listed += "\n\n... and " + std::to_string(findings.size() - kBoxFindings) + " more in the event log";
  }
  if (!request.quiet) {
    const size_t notes = findings.size() - problems;
    std::string text = "The check found " + (problems != 0 ? Counted(problems, "problem") : "no problem") +
                       (notes != 0 ? ", " + Counted(notes, "note") : "") + (findings.empty() ? "." : ":" + listed);
    os::MessageBoxA(nullptr, text.c_str(), kBoxCaption,
                    os::kMbSystemModal | (problems != 0 ? os::kMbIconWarning : os::kMbIconInformation));
  }
  return problems != 0;
}
