// The backend-independent half of the application framework.
#include <vector>

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

bool PreTranslateForApp(Message& message) {
  CWinApp* app = CWinApp::Current();
  return app != nullptr && app->PreTranslateMessage(message);
}

int RunApplication(CWinApp& app, const char* commandLine) {
  app.commandLine_ = commandLine != nullptr ? commandLine : "";
  if (app.InitInstance()) RunMessageLoop(app);
  return app.ExitInstance();
}

bool CWnd::OnMessage(uint32_t, uintptr_t, intptr_t, intptr_t*) { return false; }

bool CWnd::Dispatch(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t* result) {
  if (message == kWmNcDestroy) {
    OnMessage(message, wParam, lParam, result);
    window_ = nullptr;
    if (creating_) return false;
    // The object may delete itself here; nothing may touch it afterwards.
    PostNcDestroy();
    return false;
  }
  return OnMessage(message, wParam, lParam, result);
}

bool CWnd::DestroyWindow() {
  if (window_ == nullptr) return false;
  return os::DestroyWindow(window_);
}

void CWnd::CenterWindow(WindowHandle owner) {
  Rect self;
  Rect area;
  if (!GetWindowRect(window_, &self) || !GetMonitorWorkArea(window_, &area)) return;
  Rect around = area;
  if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &around);
  const int width = self.right - self.left;
  const int height = self.bottom - self.top;
  int x = around.left + (around.right - around.left - width) / 2;
  int y = around.top + (around.bottom - around.top - height) / 2;
  if (x + width > area.right) x = area.right - width;
  if (x < area.left) x = area.left;
  if (y + height > area.bottom) y = area.bottom - height;
  if (y < area.top) y = area.top;
  SetWindowPos(window_, nullptr, x, y, 0, 0, kSwpNoSize | kSwpNoZOrder | kSwpNoActivate);
}

bool CWnd::SetDlgItemText(int id, const char* text) { return SetWindowTextA(GetDlgItem(window_, id), text); }

std::string CWnd::GetDlgItemText(int id) const {
  WindowHandle control = GetDlgItem(window_, id);
  if (control == nullptr) return {};
  int length = GetWindowTextLengthA(control);
  if (length <= 0) return {};
  std::vector<char> buffer(static_cast<size_t>(length) + 1);
  int copied = GetWindowTextA(control, buffer.data(), length + 1);
  return std::string(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

void CWnd::SetWindowText(const char* text) { SetWindowTextA(window_, text); }

void DataExchange::Text(int id, std::string& value) {
  if (saveAndValidate_) {
    value = dialog_.GetDlgItemText(id);
  } else {
    dialog_.SetDlgItemText(id, value.c_str());
  }
}

void DataExchange::Control(int id, CWnd& control) {
  if (control.GetSafeHwnd() == nullptr) control.Attach(GetDlgItem(dialog_.GetSafeHwnd(), id));
}

bool CDialog::Dispatch(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t* result) {
  if (message == kWmInitDialog) {
    *result = OnInitDialog() ? 1 : 0;
    return true;
  }
  if (message == kWmCommand && OnCommand(static_cast<int>(wParam & 0xFFFF))) {
    *result = 0;
    return true;
  }
  return CWnd::Dispatch(message, wParam, lParam, result);
}

bool CDialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

bool CDialog::UpdateData(bool saveAndValidate) {
  DataExchange exchange(*this, saveAndValidate);
  DoDataExchange(exchange);
  return true;
}

bool CDialog::OnCommand(int id) {
  if (id == kIdOk) {
    OnOK();
    return true;
  }
  if (id == kIdCancel) {
    OnCancel();
    return true;
  }
  return false;
}

void CDialog::OnOK() {
  if (!UpdateData(true)) return;
  EndDialog(kIdOk);
}

void CDialog::OnCancel() { EndDialog(kIdCancel); }

}  // namespace os
