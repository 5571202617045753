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
#include "platform/types.h"
#include "ui/about.h"
#include "ui/main_dialog.h"
#include "ui/splash.h"

void RunOperation(Dispatch& dispatch) {
  if (dispatch.targetX64) {
    TargetX64 = true;
    SpoolerEnvironment = kEnvironmentX64;
  }
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
