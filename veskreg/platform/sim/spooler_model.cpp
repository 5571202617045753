#include "platform/sim/spooler_model.h"

#include <algorithm>
#include <cctype>

#include "platform/sim/machine.h"

namespace sim {
namespace {

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

// Every file the product's installer places beside the drivers, as the lists name them.
constexpr const char* kProductFiles[] = {
    "folyant.dll",
    "folyant.ppd",
    "folyantd.dll",
    "folyantp.dll",
    "folyantx.dll",
    "folyant.gpd",
    "folyant.gpc",
    "folyant.chm",
    "PSCRIPT5.DLL",
    "mxdwdrv.dll",
    "FOLYANT.EXE",
    "FOLYANTS.DLL",
    "FOLYANTM.EXE",
    "FOLYANTE.EXE",
    "FOLYANT.CHM",
    "FOLYANTT.GPD",
    "FOLYANTJ.EXE",
    "FOLYANTU.EXE",
    "folyant-pipelineconfig.xml",
    "MXDWDUI.INI",
    "NIXPS.DLL",
    "PSCRIPT.NTF",
    "PS5UI.DLL",
    "UNIDRV.DLL",
    "UNIRES.DLL",
    "UNIDRVUI.DLL",
    "MXDWDUI.DLL",
    "STDNAMES.GPD",
    "STDDTYPE.GDL",
    "STDSCHEM.GDL",
    "STDSCHMX.GDL",
    "XPSSVCS.DLL",
    "MSXPSINC.GPD",
    "FLYNTINF\\folyant.inf",
};

std::string BaseName(std::string_view path) {
  size_t slash = path.find_last_of("\\/");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace

SpoolerModel::SpoolerModel()
    : monitors{Monitor{"Local Port", "", "localspl.dll", {}}},
      portsByLibrary{{"folyantm7.dll", {"PDFFILE:"}}},
      localPorts{"FILE:", "LPT1:"} {}

Driver* SpoolerModel::FindDriver(std::string_view name, std::string_view environment, uint32_t version) {
  for (Driver& d : drivers) {
    if (SameText(d.name, name) && SameText(d.environment, environment) && (version == 0 || d.version == version)) {
      return &d;
    }
  }
  return nullptr;
}

const Driver* SpoolerModel::FindDriver(std::string_view name, std::string_view environment, uint32_t version) const {
  return const_cast<SpoolerModel*>(this)->FindDriver(name, environment, version);
}

Monitor* SpoolerModel::FindMonitor(std::string_view name) {
  for (Monitor& monitor : monitors) {
    if (SameText(monitor.name, name)) return &monitor;
  }
  return nullptr;
}

bool SpoolerModel::PortExists(std::string_view port) const {
  for (const std::string& p : localPorts) {
    if (SameText(p, port)) return true;
  }
  for (const Monitor& monitor : monitors) {
    for (const std::string& p : monitor.ports) {
      if (SameText(p, port)) return true;
    }
  }
  return false;
}

std::string NativeEnvironment(const Machine& m) { return m.is64BitWindows ? kEnvironmentX64 : kEnvironmentX86; }

std::string EnvironmentDirectory(const Machine& m, std::string_view environment) {
  if (SameText(environment, kEnvironmentX86)) return m.systemDirectory + "\\spool\\DRIVERS\\W32X86";
  if (SameText(environment, kEnvironmentX64)) return m.systemDirectory + "\\spool\\DRIVERS\\x64";
  return {};
}

std::string DriverDirectory(const Machine& m, std::string_view environment, uint32_t version) {
  std::string directory = EnvironmentDirectory(m, environment);
  if (directory.empty()) return directory;
  return directory + "\\" + std::to_string(version);
}

std::string DriverKeyPath(std::string_view environment, uint32_t version, std::string_view name) {
  return "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\" + std::string(environment) +
         "\\Drivers\\Version-" + std::to_string(version) + "\\" + std::string(name);
}

std::string PrinterKeyPath(std::string_view name) {
  return "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + std::string(name);
}

std::vector<uint8_t> MultiStringBytes(const std::vector<std::string>& entries) {
  std::vector<uint8_t> bytes;
  for (const std::string& entry : entries) {
    bytes.insert(bytes.end(), entry.begin(), entry.end());
    bytes.push_back(0);
  }
  bytes.push_back(0);
  return bytes;
}

void StageProductFiles(Machine& m) {
  for (const char* environment : {kEnvironmentX86, kEnvironmentX64}) {
    for (const std::string& directory : {DriverDirectory(m, environment, 3), DriverDirectory(m, environment, 2),
                                         EnvironmentDirectory(m, environment)}) {
      for (const char* file : kProductFiles) m.files.Put(directory + "\\" + file, "placeholder");
    }
  }
  m.files.Put(m.systemDirectory + "\\folyantm7.dll", "placeholder");
}

Driver& InstallDriver(Machine& m, std::string_view name, std::string_view environment, uint32_t version,
                      std::string_view driverFile, std::vector<std::string> dependentFiles) {
  const std::string directory = DriverDirectory(m, environment, version) + "\\";
  Driver driver;
  driver.name = std::string(name);
  driver.environment = SameText(environment, kEnvironmentX64) ? kEnvironmentX64 : kEnvironmentX86;
  driver.version = version;
  driver.driverPath = directory + BaseName(driverFile);
  driver.dataFile = directory + "folyant.ppd";
  driver.configFile = directory + "folyantd.dll";
  driver.helpFile = directory + "folyant.chm";
  driver.dependentFiles = std::move(dependentFiles);
  driver.defaultDataType = "RAW";
  for (const std::string* path : {&driver.driverPath, &driver.dataFile, &driver.configFile, &driver.helpFile}) {
    if (!m.files.Exists(*path)) m.files.Put(*path, "placeholder");
  }
  RegisterDriver(m, driver);
  Driver* existing = m.spooler.FindDriver(driver.name, driver.environment, version);
  if (existing != nullptr) {
    *existing = std::move(driver);
    return *existing;
  }
  m.spooler.drivers.push_back(std::move(driver));
  return m.spooler.drivers.back();
}

void RegisterDriver(Machine& m, const Driver& driver) {
  const std::string key = DriverKeyPath(driver.environment, driver.version, driver.name);
  m.registry.DeleteKey(key);
  m.registry.CreateKey(key);
  m.registry.SetString(key, "Driver", BaseName(driver.driverPath));
  m.registry.SetString(key, "Data File", BaseName(driver.dataFile));
  m.registry.SetString(key, "Configuration File", BaseName(driver.configFile));
  m.registry.SetString(key, "Help File", BaseName(driver.helpFile));
  m.registry.SetValue(key, "Dependent Files", 7, MultiStringBytes(driver.dependentFiles));
  m.registry.SetString(key, "Monitor", driver.monitorName);
  m.registry.SetString(key, "Datatype", driver.defaultDataType);
  m.registry.SetDword(key, "Version", driver.version);
}

Monitor& AddMonitor(Machine& m, std::string_view name, std::string_view environment, std::string_view dllName) {
  Monitor monitor{std::string(name), std::string(environment), std::string(dllName), {}};
  auto ports = m.spooler.portsByLibrary.find(Lower(dllName));
  if (ports != m.spooler.portsByLibrary.end()) monitor.ports = ports->second;
  const std::string key = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\" + monitor.name;
  m.registry.CreateKey(key);
  m.registry.SetString(key, "Driver", monitor.dllName);
  m.spooler.monitors.push_back(std::move(monitor));
  return m.spooler.monitors.back();
}

void AddPrinter(Machine& m, std::string_view name, std::string_view driver, std::string_view port,
                uint32_t attributes) {
  Printer printer;
  printer.name = std::string(name);
  printer.driver = std::string(driver);
  printer.port = std::string(port);
  printer.attributes = attributes;
  const std::string key = PrinterKeyPath(name);
  m.registry.CreateKey(key);
  m.registry.SetString(key, "Name", printer.name);
  m.registry.SetString(key, "Printer Driver", printer.driver);
  m.registry.SetString(key, "Port", printer.port);
  m.registry.SetString(key, "Print Processor", printer.printProcessor);
  m.registry.SetString(key, "Datatype", "RAW");
  m.registry.SetDword(key, "Attributes", attributes);
  m.registry.CreateKey(key + "\\PrinterDriverData");
  m.printers.push_back(std::move(printer));
}

}  // namespace sim
