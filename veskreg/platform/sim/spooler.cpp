// The print spooler on the simulated machine.
#include "platform/spooler.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/kernel.h"
#include "platform/sim/machine.h"

namespace os {
namespace {

// Field slots of a 32-bit PRINTER_INFO_2 record (4 bytes each).
enum PrinterInfo2Slot : uint32_t {
  kServerName,
  kPrinterName,
  kShareName,
  kPortName,
  kDriverName,
  kComment,
  kLocation,
  kDevMode,
  kSepFile,
  kPrintProcessor,
  kDatatype,
  kParameters,
  kSecurityDescriptor,
  kAttributes,
  kPriority,
  kDefaultPriority,
  kStartTime,
  kUntilTime,
  kStatus,
  kJobs,
  kAveragePpm
};
static_assert((kAveragePpm + 1) * 4 == kPrinterInfo2Size);

// Only the running spooler answers; a stopped one fails every call with 1722.
bool SpoolerDown(sim::Machine& m) {
  if (m.spoolerRunning) return false;
  SetLastError(kRpcServerUnavailable);
  return true;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

// The ANSI calls are answered from the spooler's UTF-16 records and converted in place,
// so the size they ask for is the UTF-16 one: two bytes a character, terminator included.
uint32_t WideSize(std::string_view text) { return static_cast<uint32_t>(2 * (text.size() + 1)); }

std::string BaseName(std::string_view path) {
  size_t slash = path.find_last_of("\\/");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool Empty(const char* text) { return text == nullptr || *text == '\0'; }

// Only the local spooler is modelled; a named server is one the machine cannot reach.
bool RemoteServer(const char* serverName) {
  if (Empty(serverName)) return false;
  SetLastError(kErrorInvalidPrinterName);
  return true;
}

// The environment a call names, spelled as the spooler spells it; no environment is
// the caller's own, and this program is a 32-bit process. Empty when unknown (1805 set).
std::string ResolveEnvironment(const char* environment) {
  if (Empty(environment) || SameText(environment, sim::kEnvironmentX86)) return sim::kEnvironmentX86;
  if (SameText(environment, sim::kEnvironmentX64)) return sim::kEnvironmentX64;
  SetLastError(kErrorInvalidEnvironment);
  return {};
}

// Names are unique, so the direction of the search is free: from the back, where the
// program's walks (last entry first) find what they ask for at once.
std::vector<sim::Printer>::iterator FindPrinterEntry(sim::Machine& m, std::string_view name) {
  for (auto it = m.printers.end(); it != m.printers.begin();) {
    --it;
    if (SameText(it->name, name)) return it;
  }
  return m.printers.end();
}

sim::Printer* FindPrinter(sim::Machine& m, std::string_view name) {
  auto it = FindPrinterEntry(m, name);
  return it == m.printers.end() ? nullptr : &*it;
}

// The open, not yet deleted printer behind a handle; null with the error set otherwise.
sim::SpoolerModel::OpenPrinter* Opened(sim::Machine& m, PrinterHandle printer) {
  auto id = reinterpret_cast<uintptr_t>(printer);
  auto it = m.spooler.openPrinters.find(id);
  if (it == m.spooler.openPrinters.end() || m.KindOf(id) != sim::HandleKind::Printer) {
    SetLastError(kErrorInvalidHandle);
    return nullptr;
  }
  if (it->second.deleted) {
    SetLastError(kErrorPrinterDeleted);
    return nullptr;
  }
  return &it->second;
}

PrinterHandle OpenPrinterHandle(sim::Machine& m, const std::string& name, uint32_t access) {
  uintptr_t id = m.OpenHandle(sim::HandleKind::Printer);
  m.spooler.openPrinters[id] = sim::SpoolerModel::OpenPrinter{name, access, false};
  return reinterpret_cast<PrinterHandle>(id);
}

// Lays out 32-bit records of pointer slots followed by their strings, packed from the
// end of the block backwards as Windows does; a slot holds the string's offset from
// the block's start (0 for none).
class BlockWriter {
 public:
  BlockWriter(uint8_t* block, uint32_t size) : block_(block), end_(size) {}
  void Put(uint32_t recordOffset, uint32_t slot, const std::string* text) {
    uint32_t offset = 0;
    if (text != nullptr) {
      end_ -= static_cast<uint32_t>(text->size() + 1);
      std::memcpy(block_ + end_, text->c_str(), text->size() + 1);
      offset = end_;
    }
    std::memcpy(block_ + recordOffset + slot * 4, &offset, 4);
  }
  void PutValue(uint32_t recordOffset, uint32_t slot, uint32_t value) {
    std::memcpy(block_ + recordOffset + slot * 4, &value, 4);
  }

 private:
  uint8_t* block_;
  uint32_t end_;
};

const char* TextAt(const uint8_t* block, uint32_t offset) {
  return offset == 0 ? nullptr : reinterpret_cast<const char*>(block + offset);
}

uint32_t ReadSlot(const uint8_t* record, uint32_t slot) {
  uint32_t value;
  std::memcpy(&value, record + slot * 4, 4);
  return value;
}

}  // namespace

// The block is laid out as 32-bit Windows lays it out: the records first, the strings
// packed from the end of the needed size backwards (in ANSI within a UTF-16 sized block,
// so some room stays unused). Where Windows stores a pointer, the sim stores the
// string's offset from the block's start (0 for none).
bool EnumPrintersA(uint32_t flags, const char* name, uint32_t level, uint8_t* buffer, uint32_t bufferSize,
                   uint32_t* needed, uint32_t* returned) {
  sim::Machine& m = sim::machine();
  if (m.Enter("EnumPrintersA") || SpoolerDown(m)) return false;
  if (needed == nullptr || returned == nullptr || (flags & kPrinterEnumLocal) == 0 ||
      (name != nullptr && *name != '\0')) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  // Only level 2 is modelled; the program asks for nothing else.
  if (level != 2) {
    SetLastError(kErrorInvalidLevel);
    return false;
  }
  *returned = 0;
  const std::string datatype = "RAW";
  uint32_t size = 0;
  for (const sim::Printer& p : m.printers) {
    size += kPrinterInfo2Size;
    for (const std::string* s : {&p.name, &p.port, &p.driver, &p.printProcessor, &datatype}) size += WideSize(*s);
  }
  *needed = size;
  if (bufferSize < size) {
    SetLastError(kErrorInsufficientBuffer);
    return false;
  }
  if (size != 0) std::memset(buffer, 0, size);
  BlockWriter writer(buffer, size);
  for (uint32_t i = 0; i < m.printers.size(); ++i) {
    const sim::Printer& p = m.printers[i];
    const uint32_t record = i * kPrinterInfo2Size;
    writer.Put(record, kPrinterName, &p.name);
    writer.Put(record, kPortName, &p.port);
    writer.Put(record, kDriverName, &p.driver);
    writer.Put(record, kPrintProcessor, &p.printProcessor);
    writer.Put(record, kDatatype, &datatype);
    writer.PutValue(record, kAttributes, p.attributes);
  }
  *returned = static_cast<uint32_t>(m.printers.size());
  return true;
}

PrinterInfo2View PrinterInfo2At(const uint8_t* block, uint32_t index) {
  const uint8_t* record = block + index * kPrinterInfo2Size;
  return PrinterInfo2View{TextAt(block, ReadSlot(record, kPrinterName)), TextAt(block, ReadSlot(record, kDriverName)),
                          TextAt(block, ReadSlot(record, kPortName)), ReadSlot(record, kAttributes)};
}

bool OpenPrinterA(const char* printerName, PrinterHandle* printer, uint32_t desiredAccess) {
  sim::Machine& m = sim::machine();
  if (printer != nullptr) *printer = nullptr;
  if (m.Enter("OpenPrinterA") || SpoolerDown(m)) return false;
  if (printer == nullptr) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  const sim::Printer* found = Empty(printerName) ? nullptr : FindPrinter(m, printerName);
  if (found == nullptr) {
    SetLastError(kErrorInvalidPrinterName);
    return false;
  }
  *printer = OpenPrinterHandle(m, found->name, desiredAccess);
  return true;
}

bool ClosePrinter(PrinterHandle printer) {
  sim::Machine& m = sim::machine();
  if (m.Enter("ClosePrinter")) return false;
  auto id = reinterpret_cast<uintptr_t>(printer);
  if (m.spooler.openPrinters.erase(id) == 0 || !m.CloseHandle(id, sim::HandleKind::Printer)) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  return true;
}

bool DeletePrinter(PrinterHandle printer) {
  sim::Machine& m = sim::machine();
  if (m.Enter("DeletePrinter") || SpoolerDown(m)) return false;
  sim::SpoolerModel::OpenPrinter* open = Opened(m, printer);
  if (open == nullptr) return false;
  constexpr uint32_t kDelete = 0x00010000;
  if ((open->access & kDelete) == 0) {
    SetLastError(kErrorAccessDenied);
    return false;
  }
  const std::string name = open->name;
  auto entry = FindPrinterEntry(m, name);
  if (entry != m.printers.end()) m.printers.erase(entry);
  m.registry.DeleteKey(sim::PrinterKeyPath(name));
  for (auto& [id, other] : m.spooler.openPrinters) {
    if (SameText(other.name, name)) other.deleted = true;
  }
  return true;
}

// The printer is the local spooler's: its driver must be installed in the spooler's own
// environment ("Windows x64" on 64-bit Windows, whatever the caller's bitness).
PrinterHandle AddPrinterA(const char* serverName, uint32_t level, const PrinterInfo2& printer) {
  sim::Machine& m = sim::machine();
  if (m.Enter("AddPrinterA") || SpoolerDown(m) || RemoteServer(serverName)) return nullptr;
  if (level != 2) {
    SetLastError(kErrorInvalidLevel);
    return nullptr;
  }
  if (Empty(printer.printerName) || std::strpbrk(printer.printerName, ",\\") != nullptr) {
    SetLastError(kErrorInvalidPrinterName);
    return nullptr;
  }
  if (FindPrinter(m, printer.printerName) != nullptr) {
    SetLastError(kErrorPrinterAlreadyExists);
    return nullptr;
  }
  if (Empty(printer.driverName) || m.spooler.FindDriver(printer.driverName, sim::NativeEnvironment(m)) == nullptr) {
    SetLastError(kErrorUnknownPrinterDriver);
    return nullptr;
  }
  if (Empty(printer.portName) || !m.spooler.PortExists(printer.portName)) {
    SetLastError(kErrorUnknownPort);
    return nullptr;
  }
  if (Empty(printer.printProcessor) || !SameText(printer.printProcessor, "winprint")) {
    SetLastError(kErrorUnknownPrintProcessor);
    return nullptr;
  }
  sim::AddPrinter(m, printer.printerName, m.spooler.FindDriver(printer.driverName, sim::NativeEnvironment(m))->name,
                  printer.portName, printer.attributes);
  return OpenPrinterHandle(m, printer.printerName, kPrinterAllAccess);
}

// The files are looked for where the record names them; dependent files, named bare,
// in the driver file's directory and then in the environment directory. Entries marked
// "ntprint|" come from the system's own driver store, which always has them.
bool AddPrinterDriverA(const char* serverName, uint32_t level, const DriverInfo3& driver) {
  sim::Machine& m = sim::machine();
  if (m.Enter("AddPrinterDriverA") || SpoolerDown(m) || RemoteServer(serverName)) return false;
  if (level != 2 && level != 3) {
    SetLastError(kErrorInvalidLevel);
    return false;
  }
  const std::string environment = ResolveEnvironment(driver.environment);
  if (environment.empty()) return false;
  if (Empty(driver.name) || Empty(driver.driverPath) || Empty(driver.dataFile) || Empty(driver.configFile) ||
      (driver.version != 2 && driver.version != 3)) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  std::vector<const char*> files = {driver.driverPath, driver.dataFile, driver.configFile};
  if (level == 3 && !Empty(driver.helpFile)) files.push_back(driver.helpFile);
  for (const char* file : files) {
    if (!m.files.Exists(file)) {
      SetLastError(kErrorFileNotFound);
      return false;
    }
  }
  std::vector<std::string> dependents;
  if (level == 3 && driver.dependentFiles != nullptr) {
    std::string_view source(driver.driverPath);
    std::string sourceDirectory(source.substr(0, source.find_last_of('\\') + 1));
    std::string environmentDirectory = sim::EnvironmentDirectory(m, environment) + "\\";
    for (const char* entry = driver.dependentFiles; *entry != '\0'; entry += std::strlen(entry) + 1) {
      dependents.emplace_back(entry);
      if (std::strncmp(entry, "ntprint|", 8) == 0) continue;
      if (!m.files.Exists(sourceDirectory + entry) && !m.files.Exists(environmentDirectory + entry)) {
        SetLastError(kErrorFileNotFound);
        return false;
      }
    }
  }
  // The files are copied into the driver directory unless they already lie there.
  const std::string directory = sim::DriverDirectory(m, environment, driver.version) + "\\";
  auto place = [&](const char* file) {
    std::string target = directory + BaseName(file);
    if (!m.files.Exists(target)) m.files.Put(target, m.files.Read(file).value_or(""));
    return target;
  };
  sim::Driver installed;
  installed.name = driver.name;
  installed.environment = environment;
  installed.version = driver.version;
  installed.driverPath = place(driver.driverPath);
  installed.dataFile = place(driver.dataFile);
  installed.configFile = place(driver.configFile);
  if (level == 3 && !Empty(driver.helpFile)) installed.helpFile = place(driver.helpFile);
  installed.dependentFiles = std::move(dependents);
  if (level == 3) {
    installed.monitorName = driver.monitorName != nullptr ? driver.monitorName : "";
    installed.defaultDataType = driver.defaultDataType != nullptr ? driver.defaultDataType : "";
  }
  sim::RegisterDriver(m, installed);
  if (sim::Driver* existing = m.spooler.FindDriver(installed.name, environment, installed.version)) {
    *existing = std::move(installed);
  } else {
    m.spooler.drivers.push_back(std::move(installed));
  }
  return true;
}

bool DeletePrinterDriverA(const char* serverName, const char* environment, const char* driverName) {
  sim::Machine& m = sim::machine();
  if (m.Enter("DeletePrinterDriverA") || SpoolerDown(m) || RemoteServer(serverName)) return false;
  const std::string env = ResolveEnvironment(environment);
  if (env.empty()) return false;
  if (Empty(driverName) || m.spooler.FindDriver(driverName, env) == nullptr) {
    SetLastError(kErrorUnknownPrinterDriver);
    return false;
  }
  // Only the spooler's own environment serves printers; other environments' drivers
  // are extra drivers for clients and can go while printers exist.
  if (env == sim::NativeEnvironment(m)) {
    bool inUse = std::any_of(m.printers.rbegin(), m.printers.rend(),
                             [&](const sim::Printer& p) { return SameText(p.driver, driverName); });
    if (inUse) {
      SetLastError(kErrorPrinterDriverInUse);
      return false;
    }
  }
  for (const sim::Driver& d : m.spooler.drivers) {
    if (SameText(d.name, driverName) && d.environment == env) {
      m.registry.DeleteKey(sim::DriverKeyPath(d.environment, d.version, d.name));
    }
  }
  std::erase_if(m.spooler.drivers,
                [&](const sim::Driver& d) { return SameText(d.name, driverName) && d.environment == env; });
  return true;
}

bool GetPrinterDriverA(PrinterHandle printer, const char* environment, uint32_t level, uint8_t* buffer,
                       uint32_t bufferSize, uint32_t* needed) {
  sim::Machine& m = sim::machine();
  if (m.Enter("GetPrinterDriverA") || SpoolerDown(m)) return false;
  sim::SpoolerModel::OpenPrinter* open = Opened(m, printer);
  if (open == nullptr) return false;
  if (level != 1 && level != 2) {
    SetLastError(kErrorInvalidLevel);
    return false;
  }
  if (needed == nullptr) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  const std::string env = ResolveEnvironment(environment);
  if (env.empty()) return false;
  const sim::Printer* p = FindPrinter(m, open->name);
  const sim::Driver* driver = p == nullptr ? nullptr : m.spooler.FindDriver(p->driver, env);
  if (driver == nullptr) {
    SetLastError(kErrorUnknownPrinterDriver);
    return false;
  }
  std::vector<const std::string*> texts = {&driver->name};
  if (level == 2) {
    texts.insert(texts.end(), {&driver->environment, &driver->driverPath, &driver->dataFile, &driver->configFile});
  }
  uint32_t size = level == 1 ? 4 : kDriverInfo2Size;
  for (const std::string* text : texts) size += WideSize(*text);
  *needed = size;
  if (buffer == nullptr || bufferSize < size) {
    SetLastError(kErrorInsufficientBuffer);
    return false;
  }
  std::memset(buffer, 0, size);
  BlockWriter writer(buffer, size);
  if (level == 1) {
    writer.Put(0, 0, texts[0]);
  } else {
    writer.PutValue(0, 0, driver->version);
    for (uint32_t i = 0; i < texts.size(); ++i) writer.Put(0, i + 1, texts[i]);
  }
  return true;
}

const char* DriverInfo1Name(const uint8_t* block) { return TextAt(block, ReadSlot(block, 0)); }

DriverInfo2View DriverInfo2At(const uint8_t* block) {
  return DriverInfo2View{ReadSlot(block, 0),
                         TextAt(block, ReadSlot(block, 1)),
                         TextAt(block, ReadSlot(block, 2)),
                         TextAt(block, ReadSlot(block, 3)),
                         TextAt(block, ReadSlot(block, 4)),
                         TextAt(block, ReadSlot(block, 5))};
}

bool EnumMonitorsA(const char* serverName, uint32_t level, uint8_t* buffer, uint32_t bufferSize, uint32_t* needed,
                   uint32_t* returned) {
  sim::Machine& m = sim::machine();
  if (m.Enter("EnumMonitorsA") || SpoolerDown(m) || RemoteServer(serverName)) return false;
  if (level != 1 && level != 2) {
    SetLastError(kErrorInvalidLevel);
    return false;
  }
  if (needed == nullptr || returned == nullptr) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  *returned = 0;
  const std::string native = sim::NativeEnvironment(m);
  auto environmentOf = [&](const sim::Monitor& monitor) -> const std::string& {
    return monitor.environment.empty() ? native : monitor.environment;
  };
  const uint32_t recordSize = level == 1 ? 4 : kMonitorInfo2Size;
  uint32_t size = 0;
  for (const sim::Monitor& monitor : m.spooler.monitors) {
    size += recordSize + WideSize(monitor.name);
    if (level == 2) size += WideSize(environmentOf(monitor)) + WideSize(monitor.dllName);
  }
  *needed = size;
  if (buffer == nullptr || bufferSize < size) {
    SetLastError(kErrorInsufficientBuffer);
    return false;
  }
  std::memset(buffer, 0, size);
  BlockWriter writer(buffer, size);
  uint32_t record = 0;
  for (const sim::Monitor& monitor : m.spooler.monitors) {
    writer.Put(record, 0, &monitor.name);
    if (level == 2) {
      writer.Put(record, 1, &environmentOf(monitor));
      writer.Put(record, 2, &monitor.dllName);
    }
    record += recordSize;
  }
  *returned = static_cast<uint32_t>(m.spooler.monitors.size());
  return true;
}

MonitorInfo2 MonitorInfo2At(const uint8_t* block, uint32_t index) {
  const uint8_t* record = block + index * kMonitorInfo2Size;
  return MonitorInfo2{TextAt(block, ReadSlot(record, 0)), TextAt(block, ReadSlot(record, 1)),
                      TextAt(block, ReadSlot(record, 2))};
}

// The monitor library is loaded by the spooler from the system directory.
bool AddMonitorA(const char* serverName, uint32_t level, const MonitorInfo2& monitor) {
  sim::Machine& m = sim::machine();
  if (m.Enter("AddMonitorA") || SpoolerDown(m) || RemoteServer(serverName)) return false;
  if (level != 2) {
    SetLastError(kErrorInvalidLevel);
    return false;
  }
  if (Empty(monitor.name)) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  if (Empty(monitor.environment)) {
    SetLastError(kErrorInvalidEnvironment);
    return false;
  }
  const std::string environment = ResolveEnvironment(monitor.environment);
  if (environment.empty()) return false;
  if (Empty(monitor.dllName)) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  if (m.spooler.FindMonitor(monitor.name) != nullptr) {
    SetLastError(kErrorPrintMonitorAlreadyInstalled);
    return false;
  }
  if (std::strpbrk(monitor.dllName, "\\/:") != nullptr || !m.files.Exists(m.systemDirectory + "\\" + monitor.dllName)) {
    SetLastError(kErrorModNotFound);
    return false;
  }
  sim::AddMonitor(m, monitor.name, environment, monitor.dllName);
  return true;
}

bool DeleteMonitorA(const char* serverName, const char* environment, const char* monitorName) {
  sim::Machine& m = sim::machine();
  if (m.Enter("DeleteMonitorA") || SpoolerDown(m) || RemoteServer(serverName)) return false;
  if (ResolveEnvironment(environment).empty()) return false;
  sim::Monitor* monitor = Empty(monitorName) ? nullptr : m.spooler.FindMonitor(monitorName);
  if (monitor == nullptr) {
    SetLastError(kErrorUnknownPrintMonitor);
    return false;
  }
  for (const sim::Printer& p : m.printers) {
    for (const std::string& port : monitor->ports) {
      if (SameText(p.port, port)) {
        SetLastError(kErrorPrintMonitorInUse);
        return false;
      }
    }
  }
  m.registry.DeleteKey("HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\" + monitor->name);
  std::erase_if(m.spooler.monitors, [&](const sim::Monitor& other) { return SameText(other.name, monitorName); });
  return true;
}

}  // namespace os
