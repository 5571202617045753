#include "ui/about.h"

#include "install/settings_store.h"
#include "resources/resource.h"
#include "resources/strings.h"

namespace {

constexpr const char* kEventLogFlags = "EventLogFlags";
constexpr uint32_t kLoggingOn = 255;

}  // namespace

std::string GetProductVersionText() { return std::string(VESKREG_PRODUCT_NAME) + " Version " VESKREG_VERSION_TEXT; }

const char* LoggingCaption() {
  uint32_t flags = 0;
  ReadSettingDword(VESKREG_PRODUCT_NAME, kEventLogFlags, &flags, false);
  return flags != 0 ? "Disable Debugging" : "Enable Debugging";
}

const char* ToggleEventLogFlags() {
  uint32_t flags = 0;
  ReadSettingDword(VESKREG_PRODUCT_NAME, kEventLogFlags, &flags, false);
  if (flags != 0) {
    uint32_t removed = 0;
    ReadSettingDword(VESKREG_PRODUCT_NAME, kEventLogFlags, &removed, true);
    return "Enable Debugging";
  }
  SaveDwordReg(kProductSettingsKey, kEventLogFlags, kLoggingOn);
  return "Disable Debugging";
}

VeskRegAbout::VeskRegAbout() : CDialog(IDD_ABOUTBOX, nullptr) {}

bool VeskRegAbout::OnInitDialog() {
  SetDlgItemText(IDC_ABOUT_VERSION, GetProductVersionText().c_str());
  if (os::GetKeyState(os::kVkShift) < 0) {
    os::WindowHandle logging = os::GetDlgItem(GetSafeHwnd(), IDC_ABOUT_LOGGING);
    os::EnableWindow(logging, true);
    os::ShowWindow(logging, os::kSwShow);
    os::SetWindowTextA(logging, LoggingCaption());
  }
  CDialog::OnInitDialog();
  return true;
}

bool VeskRegAbout::OnCommand(int id) {
  if (id == IDC_ABOUT_LOGGING) {
    SetDlgItemText(IDC_ABOUT_LOGGING, ToggleEventLogFlags());
    return true;
  }
  return CDialog::OnCommand(id);
}
