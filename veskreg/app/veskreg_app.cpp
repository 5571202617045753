#include "app/veskreg_app.h"

#include "app/dispatch.h"
#include "core/install_context.h"
#include "ui/splash.h"

CVeskregApp::CVeskregApp() { ResetInstallContext(); }

bool CVeskregApp::InitInstance() {
  os::EnableControlContainer();
  Dispatch dispatch;
  SelectOperation(CommandLine(), dispatch);
  RunOperation(dispatch);
  return false;
}

int CVeskregApp::ExitInstance() {
  CWinApp::ExitInstance();
  return ProcessExitCode;
}

bool CVeskregApp::PreTranslateMessage(os::Message& message) {
  if (FilterSplashInput(message) != 0) return true;
  return CWinApp::PreTranslateMessage(message);
}
