#include "app/veskreg_app.h"

#include "app/dispatch.h"
#include "core/system_paths.h"
#include "platform/kernel.h"
#include "platform/spooler.h"
#include "ui/splash.h"

namespace {

// Installers start the program elevated, often from a temporary folder and in a current
// directory that a user can write to. Before the shell, COM, the spooler or a window can
// load a library by name, libraries come from the system directory only, the current
// directory becomes the system directory (the programs started later inherit it), and the
// spooler library is bound by its full path.
void KeepPlantedFilesOut() {
  if (!os::SetDefaultDllDirectories(os::kLoadLibrarySearchSystem32)) os::SetDllDirectoryA("");
  char system[kSystemPathSize];
  if (SystemFolderPath(SystemFolder::System, system, nullptr, "")) os::SetCurrentDirectoryA(system);
  os::BindSpoolerLibrary();
}

}  // namespace

CVeskregApp::CVeskregApp() = default;

bool CVeskregApp::InitInstance() {
  KeepPlantedFilesOut();
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
