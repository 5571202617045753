#include "app/dispatch.h"

#include "core/diagnostics.h"
#include "core/install_context.h"
#include "install/driver_files.h"
#include "install/port_monitor.h"
#include "install/printer_instances.h"
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

// What the check after the operation looks at; taken before the operation runs, which may
// lengthen the printer name or remove what the check must find gone.
VerifyRequest VerifyRequestFor(const Dispatch& dispatch) {
  VerifyRequest request;
  request.quiet = dispatch.quiet;
  request.postScript = dispatch.postScript;
  request.xps = dispatch.xps;
  switch (dispatch.operation) {
    case Operation::AddMonitor:
      request.scope = dispatch.monitorOnly ? VerifyScope::Monitor : VerifyScope::Printer;
      request.printerName = dispatch.printerName;
      break;
    case Operation::UpdateDependentFiles:
      request.scope = VerifyScope::DependentFiles;
      break;
    case Operation::DeletePrinterInstance:
      request.scope = VerifyScope::InstanceDeleted;
      request.printerName = dispatch.instanceName;
      request.operationSwitch = dispatch.instanceName == std::string(kDefaultPrinterName) ? "-deleteprinterinstance"
                                                                                          : "-DeleteLodestarInstance";
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

void RunSelected(Dispatch& dispatch) {
  switch (dispatch.operation) {
    case Operation::StopAutoName:
      StopAutoName();
      break;
    case Operation::AddPrinterInstance:
      AddPDFPrinterInstance();
      break;
    case Operation::CheckInstance:
      if (HasMultipleProductPrinters()) ProcessExitCode = kExitMultipleProductPrinters;
      break;
    case Operation::AddMonitor:
      if (dispatch.overlongNameLength != 0) {
        LogAppEvent(os::kEventlogErrorType,
                    "InitInstance: printer name of %u characters is longer than 259, no printer added",
                    dispatch.overlongNameLength);
        break;
      }
      AddMonitor(dispatch.printerName, dispatch.postScript, dispatch.xps, dispatch.monitorOnly);
      break;
    case Operation::UpdateDependentFiles:
      UpdateDependentFiles(dispatch.postScript, dispatch.xps);
      break;
    case Operation::DeletePrinterInstance:
      DeletePDFPrinterInstance(dispatch.instanceName);
      break;
    case Operation::DeleteAllProductPrinters:
      DeleteAllProductPrinters();
      break;
    case Operation::SplashHost: {
      ProcessExitCode = kExitNoOperation;
      CVeskregDlg host;
      SetSplashOptions(1, 1);
      host.DoModal();
      break;
    }
    case Operation::Quiet:
      ProcessExitCode = kExitNoOperation;
      break;
    case Operation::AboutBox: {
      ProcessExitCode = kExitNoOperation;
      VeskRegAbout about;
      about.DoModal();
      CreateSendToShortcut(kDefaultPrinterName);
      break;
    }
  }
}

}  // namespace

void RunOperation(Dispatch& dispatch) {
  if (dispatch.targetX64) {
    TargetX64 = true;
    SpoolerEnvironment = kEnvironmentX64;
  }
  if (!dispatch.verify) {
    RunSelected(dispatch);
    return;
  }
  // Alone, -verify is the run's operation: no About box, no splash, no exit code 212.
  const VerifyRequest request = VerifyRequestFor(dispatch);
  if (!IsNoOperation(dispatch.operation)) RunSelected(dispatch);
  if (VerifyInstallation(request)) ProcessExitCode = kExitProblemFound;
}
