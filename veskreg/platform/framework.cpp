// The backend-independent half of the application framework.
#include "platform/window.h"

namespace os {
namespace {
CWinApp* currentApp = nullptr;
}

// Provided by each backend: the application's own message loop, run only when
// InitInstance asks to continue.
int RunMessageLoop(CWinApp& app);

CWinApp::CWinApp() { currentApp = this; }

CWinApp::~CWinApp() {
  if (currentApp == this) currentApp = nullptr;
}

bool CWinApp::InitInstance() { return false; }

int CWinApp::ExitInstance() { return 0; }

bool CWinApp::PreTranslateMessage(Message&) { return false; }

CWinApp* CWinApp::Current() { return currentApp; }

int RunApplication(CWinApp& app, const char* commandLine) {
  app.commandLine_ = commandLine != nullptr ? commandLine : "";
  if (app.InitInstance()) RunMessageLoop(app);
  return app.ExitInstance();
}

}  // namespace os
