// The main dialog: in the "-splash" run, the host of the splash window.
#pragma once

#include <cstdint>

#include "platform/window.h"

class CVeskregDlg : public os::CDialog {
 public:
  CVeskregDlg();

  bool OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t* result) override;

 protected:
  void DoDataExchange(os::DataExchange& exchange) override;
  bool OnInitDialog() override;
  bool OnCommand(int id) override;
  void OnCancel() override;

 private:
  void PaintMinimized();

  os::IconHandle icon_ = nullptr;
  os::CWnd cancelButton_;
};

// 1 when the last main dialog opened with Shift down: button 1060 then switches logging.
int LoggingToggleMode();
// The splash display time from "splashdelay" under HKEY_LOCAL_MACHINE, 1 without it.
uint32_t ReadSplashDelay();
