// Window-system services: the program's string table, message boxes, and the small
// application framework (application object, start-up, pre-filter, end).
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace os {

// Copies string-table entry `id` of the program's own module, cut to size-1 characters;
// returns the characters copied, 0 when the entry is missing or empty.
int LoadStringA(uint32_t id, char* buffer, int size);

int MessageBoxA(WindowHandle owner, const char* text, const char* caption, uint32_t style);

struct Message {
  WindowHandle window = nullptr;
  uint32_t message = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
};

// The application object. Exactly one exists in the real program; the framework
// calls InitInstance, runs a message loop only when it returns true, then returns
// ExitInstance's value as the process exit code.
class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual bool InitInstance();
  virtual int ExitInstance();
  // Every message of a modal loop is offered here first; true means handled.
  virtual bool PreTranslateMessage(Message& message);

  // The command-line text after the program's own name, as the process received it.
  const char* CommandLine() const { return commandLine_; }

  static CWinApp* Current();

 private:
  friend int RunApplication(CWinApp& app, const char* commandLine);
  const char* commandLine_ = "";
};

// Lets dialogs host ActiveX controls; the first thing the program's start-up does.
void EnableControlContainer();

// Start-up, message loop when asked for, end. Returns the exit code.
int RunApplication(CWinApp& app, const char* commandLine);

}  // namespace os
