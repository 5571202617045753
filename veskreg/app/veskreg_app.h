// The application object: its start-up routine is the dispatcher.
#pragma once

#include <cstdint>

#include "platform/window.h"

class CVeskregApp : public os::CWinApp {
 public:
  CVeskregApp();
  // Runs one operation or one dialog and returns false: the program has no message
  // loop of its own.
  bool InitInstance() override;
  // The process exit code: what the operation run at start-up returned.
  int ExitInstance() override;
  bool PreTranslateMessage(os::Message& message) override;

 private:
  int32_t exitCode_ = 0;
};
