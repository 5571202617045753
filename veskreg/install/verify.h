// Checking an installation: the whole of it (-verify alone), or what one operation was
// asked to do (-verify beside an operation switch). Each finding is one line naming the
// object, what is wrong and, where one exists, the switch that repairs it.
#pragma once

#include <string>
#include <vector>

#include "core/target.h"
#include "install/driver_files.h"

enum class VerifyScope {
  Installation,     // -verify alone, -addinstance, -checkinstance
  Printer,          // -add*printer, -regadd*printer: the port monitor and the named printer
  Monitor,          // ... with -addmonitor
  DependentFiles,   // -update*dependentfiles: the driver of the kind
  AllDeleted,       // -deleteprinter
  InstanceDeleted,  // -deleteprinterinstance, -DeleteLodestarInstance
  AutoNameStopped,  // -stopautoname
};

struct VerifyRequest {
  VerifyScope scope = VerifyScope::Installation;
  std::string printerName;                   // Printer, InstanceDeleted
  DriverKind kind = DriverKind::Native;      // Printer: the kind asked for; DependentFiles: the kind updated
  Target target{};                           // the run's
  const char* operationSwitch = "";          // the run's operation, as its report names it
  std::vector<std::string> removedPrinters;  // AllDeleted: what RememberProductPrinters saw
  std::vector<std::string> removedDrivers;
  bool quiet = false;  // no box
};

// The printers -deleteprinter removes, and the product drivers it takes, before it runs.
void RememberProductPrinters(VerifyRequest& request);

// Checks, then reports: what the operation could not do (`runFailures`, each a problem
// named after its switch), every finding, then one summary line of what was checked and
// the counts, always last. Each line goes to standard output when that is a file or a
// pipe, and to the event log as "Verify: <line>" (problems as warnings, notes and a clean
// summary as information); a box lists them unless quiet. True when a problem was found.
bool VerifyInstallation(const VerifyRequest& request, const std::vector<std::string>& runFailures = {});

// The spooler's own environment, as it names that of its monitors (the machine's native
// one: x86 on 32-bit Windows, x64 or ARM64 on 64-bit): what -verify alone checks without
// -x64. x86 when the spooler does not answer.
Target SpoolersOwnTarget();
