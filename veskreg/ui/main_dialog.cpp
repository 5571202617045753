#include "ui/main_dialog.h"

#include "install/settings_store.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "resources/resource.h"
#include "ui/about.h"
#include "ui/splash.h"

namespace {

int loggingToggleMode = 0;

}  // namespace

int LoggingToggleMode() { return loggingToggleMode; }

uint32_t ReadSplashDelay() {
  uint32_t delay = 1;
  os::OwnedRegistryKey key;
  if (os::RegOpenKeyExA(os::HkeyLocalMachine(), kProductSettingsKey, 0, os::kKeyRead, key.put()) != 0) return delay;
  // Zeroed first: a shorter value of another type fills only its own bytes.
  uint8_t data[4] = {};
  uint32_t size = sizeof data;
  uint32_t type = 0;
  if (os::RegQueryValueExA(key.get(), "splashdelay", &type, data, &size) == 0) {
    delay = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
            static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
  }
  return delay;
}

CVeskregDlg::CVeskregDlg() : CDialog(IDD_VESKREG_DIALOG, nullptr), icon_(os::LoadIconA(IDR_MAINFRAME)) {}

void CVeskregDlg::DoDataExchange(os::DataExchange& exchange) { exchange.Control(IDC_MAIN_CANCEL, cancelButton_); }

bool CVeskregDlg::OnInitDialog() {
  if (os::GetKeyState(os::kVkShift) < 0) {
    loggingToggleMode = 1;
    SetDlgItemText(IDC_MAIN_LOGGING, LoggingCaption());
  } else {
    loggingToggleMode = 0;
  }
  SetDlgItemText(IDC_MAIN_VERSION, GetProductVersionText().c_str());
  CDialog::OnInitDialog();

  os::SendMessageA(GetSafeHwnd(), os::kWmSetIcon, os::kIconBig, reinterpret_cast<intptr_t>(icon_));
  os::SendMessageA(GetSafeHwnd(), os::kWmSetIcon, os::kIconSmall, reinterpret_cast<intptr_t>(icon_));

  // Centred on the whole desktop, taskbar included, and above ordinary windows.
  os::Rect desktop;
  os::Rect self;
  if (os::GetWindowRect(os::GetDesktopWindow(), &desktop) && os::GetWindowRect(GetSafeHwnd(), &self)) {
    const int width = self.right - self.left;
    const int height = self.bottom - self.top;
    const int x = desktop.left + (desktop.right - desktop.left - width) / 2;
    const int y = desktop.top + (desktop.bottom - desktop.top - height) / 2;
    os::SetWindowPos(GetSafeHwnd(), os::HwndTopmost(), x, y, 0, 0, os::kSwpNoSize);
  }

  ShowSplashWindow(ReadSplashDelay(), IDB_SPLASH, this);
  return true;
}

bool CVeskregDlg::OnCommand(int id) {
  if (id == IDC_MAIN_CANCEL) {
    OnCancel();
    return true;
  }
  if (id == IDC_MAIN_LOGGING) {
    if (loggingToggleMode == 1) {
      SetDlgItemText(IDC_MAIN_LOGGING, ToggleEventLogFlags());
    } else {
      OnCancel();
    }
    return true;
  }
  return CDialog::OnCommand(id);
}

void CVeskregDlg::OnCancel() { CDialog::OnCancel(); }

bool CVeskregDlg::OnMessage(uint32_t message, uintptr_t, intptr_t, intptr_t* result) {
  if (message == os::kWmQueryDragIcon) {
    *result = reinterpret_cast<intptr_t>(icon_);
    return true;
  }
  if (message == os::kWmPaint && os::IsIconic(GetSafeHwnd())) {
    PaintMinimized();
    *result = 0;
    return true;
  }
  return false;
}

void CVeskregDlg::PaintMinimized() {
  os::PaintInfo paint;
  os::DeviceContext dc = os::BeginPaint(GetSafeHwnd(), &paint);
  if (dc == nullptr) return;
  os::SendMessageA(GetSafeHwnd(), os::kWmIconEraseBkgnd, reinterpret_cast<uintptr_t>(dc), 0);
  os::Rect client;
  os::GetClientRect(GetSafeHwnd(), &client);
  const int x = (client.right - client.left - os::GetSystemMetrics(os::kSmCxIcon) + 1) / 2;
  const int y = (client.bottom - client.top - os::GetSystemMetrics(os::kSmCyIcon) + 1) / 2;
  if (icon_ != nullptr) os::DrawIcon(dc, x, y, icon_);
  os::EndPaint(GetSafeHwnd(), paint);
}
