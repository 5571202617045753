#include "app/dispatch.h"

#include "app/printer_instances.h"
#include "core/diagnostics.h"
#include "core/target.h"
#include "install/driver_files.h"
#include "install/port_monitor.h"
#include "install/product_printers.h"
#include "install/removal.h"
#include "install/send_to.h"
#include "install/settings_store.h"
#include "install/verify.h"
#include "platform/types.h"
#include "ui/about.h"
#include "ui/main_dialog.h"
#include "ui/splash.h"

namespace {

bool IsNoOperation(Operation operation) {
  return operation == Operation::SplashHost || operation == Operation::Quiet || operation == Operation::AboutBox;
}

// What the run works on, chosen once from the switches.
struct Run {
  Target target;
  DriverKind kind;
  int32_t exitCode = 0;
};

// What the check after the operation looks at; taken before the operation runs, which may
// lengthen the printer name or remove what the check must find gone.
VerifyRequest VerifyRequestFor(const Dispatch& dispatch, const Run& run) {
  VerifyRequest request;
  request.quiet = dispatch.quiet;
  request.kind = run.kind;
  request.target = run.target;
  request.operationSwitch = dispatch.operationSwitch;
  switch (dispatch.operation) {
    case Operation::InstallPrinter:
      request.scope = dispatch.monitorOnly ? VerifyScope::Monitor : VerifyScope::Printer;
      request.printerName = dispatch.printerName;
      break;
    case Operation::UpdateDependentFiles:
      request.scope = VerifyScope::DependentFiles;
      break;
    case Operation::DeletePrinterInstance:
      request.scope = VerifyScope::InstanceDeleted;
      request.printerName = dispatch.instanceName;
      break;
    case Operation::DeleteAllProductPrinters:
      request.scope = VerifyScope::AllDeleted;
      RememberProductPrinters(request);
      break;
    case Operation::StopAutoName:
      request.scope = VerifyScope::AutoNameStopped;
      break;
    default:
      request.scope = VerifyScope::Installation;
      break;
  }
  return request;
}

void RunSelected(Dispatch& dispatch, Run& run) {
  switch (dispatch.operation) {
    case Operation::StopAutoName:
      StopAutoName();
      break;
    case Operation::AddPrinterInstance:
      AddPDFPrinterInstance(run.target);
      break;
    case Operation::CheckInstance:
      if (HasMultipleProductPrinters()) run.exitCode = kExitMultipleProductPrinters;
      break;
    case Operation::InstallPrinter:
      if (dispatch.overlongNameLength != 0) {
        LogAppEvent(os::kEventlogErrorType,
                    "InitInstance: printer name of %u characters is longer than 259, no printer added",
                    dispatch.overlongNameLength);
        break;
      }
      AddMonitor(dispatch.printerName, run.kind, dispatch.monitorOnly, run.target);
      break;
    case Operation::UpdateDependentFiles:
      UpdateDependentFiles(run.kind, run.target);
      break;
    case Operation::DeletePrinterInstance:
      DeletePDFPrinterInstance(dispatch.instanceName);
      break;
    case Operation::DeleteAllProductPrinters:
      DeleteAllProductPrinters(run.target);
      break;
    case Operation::SplashHost: {
      run.exitCode = kExitNoOperation;
      CVeskregDlg host;
      SetSplashOptions(1, 1);
      host.DoModal();
      break;
    }
    case Operation::Quiet:
      run.exitCode = kExitNoOperation;
      break;
    case Operation::AboutBox: {
      run.exitCode = kExitNoOperation;
      VeskRegAbout about;
      about.DoModal();
      CreateSendToShortcut(kDefaultPrinterName);
      break;
    }
  }
}

}  // namespace

int32_t RunOperation(Dispatch& dispatch) {
  Run run{TargetFor(dispatch.targetX64), KindFromSwitches(dispatch.postScript != 0, dispatch.xps != 0)};
  if (!dispatch.verify) {
    RunSelected(dispatch, run);
    return run.exitCode;
  }
  // Alone, -verify is the run's operation: no About box, no splash, no exit code 212. It
  // checks the spooler's own environment unless -x64 names the 64-bit one.
  if (IsNoOperation(dispatch.operation) && !dispatch.targetX64) run.target = SpoolersOwnTarget();
  const VerifyRequest request = VerifyRequestFor(dispatch, run);
  // With -quiet the run may be a fleet tool's in session 0: no box may wait for a click.
  RunFailures failures(dispatch.quiet);
  if (!IsNoOperation(dispatch.operation)) RunSelected(dispatch, run);
  if (VerifyInstallation(request, failures.Texts())) run.exitCode = kExitProblemFound;
  return run.exitCode;
}
