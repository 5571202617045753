#include "app/veskreg_app.h"

#include "app/dispatch.h"
#include "ui/splash.h"

CVeskregApp::CVeskregApp() = default;

bool CVeskregApp::InitInstance() {
  os::EnableControlContainer();
  Dispatch dispatch;
  SelectOperation(CommandLine(), dispatch);
  exitCode_ = RunOperation(dispatch);
  return false;
}

int CVeskregApp::ExitInstance() {
  CWinApp::ExitInstance();
  return exitCode_;
}

bool CVeskregApp::PreTranslateMessage(os::Message& message) {
  if (FilterSplashInput(message) != 0) return true;
  return CWinApp::PreTranslateMessage(message);
}
