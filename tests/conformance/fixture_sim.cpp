// The conformance fixture on the simulated Windows: the machine's own arranging helpers.
// Each case gets a fresh machine, so there is nothing to clean up.
#include <cctype>

#include "conformance.h"
#include "platform/sim/machine.h"
#include "platform/sim/spooler_model.h"

namespace conformance {

bool RunningOnWine() { return false; }

std::string PrinterDriverEnvironment() { return sim::NativeEnvironment(sim::machine()); }

DriverFiles StageDriverFiles(const std::string& environment) {
  sim::Machine& m = sim::machine();
  sim::StageProductFiles(m);
  const std::string directory = sim::DriverDirectory(m, environment, 3) + "\\";
  return DriverFiles{directory + "folyant.dll", directory + "folyant.ppd", directory + "folyantd.dll",
                     directory + "folyant.chm"};
}

void InstallDriver(const std::string& name, const std::string& environment) {
  sim::InstallDriver(sim::machine(), name, environment, 3, "folyant.dll");
}

void InstallPrinter(const std::string& name, const std::string& driver) {
  sim::AddPrinter(sim::machine(), name, driver, "FILE:");
}

std::string StageMonitorLibrary() {
  sim::StageProductFiles(sim::machine());
  return "folyantm7.dll";
}

void PutFile(const std::string& path, const std::string& content) { sim::machine().files.Put(path, content); }

bool FileOnDisk(const std::string& path) { return sim::machine().files.Exists(path); }

void SetProcessVariable(const std::string& name, const std::string& value) {
  std::string key = name;
  for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  sim::machine().environment[key] = value;
}

void CleanUp() {}

}  // namespace conformance
