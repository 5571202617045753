#include "ui/splash.h"

namespace {

int splashEnabled = 0;
int closeHostWithSplash = 0;
CSplashWnd* currentSplash = nullptr;

constexpr uintptr_t kSplashTimer = 1;

}  // namespace

CSplashWnd::~CSplashWnd() {
  inDestructor_ = true;
  if (currentSplash == this) currentSplash = nullptr;
  if (bitmap_ != nullptr) os::DeleteObject(bitmap_);
  if (window_ != nullptr) DestroyWindow();
}

void CSplashWnd::PostNcDestroy() {
  if (!inDestructor_) delete this;
}

bool CSplashWnd::OnMessage(uint32_t message, uintptr_t, intptr_t, intptr_t* result) {
  if (message == os::kWmPaint) {
    Paint();
    *result = 0;
    return true;
  }
  if (message == os::kWmTimer) {
    // The timer dies with the window, so it is never stopped here.
    HideSplashWindow();
    *result = 0;
    return true;
  }
  return false;
}

void CSplashWnd::Paint() {
  os::PaintInfo paint;
  os::DeviceContext dc = os::BeginPaint(window_, &paint);
  if (dc == nullptr) return;
  os::DeviceContext memory = os::CreateCompatibleDC(dc);
  if (memory != nullptr) {
    os::BitmapHandle previous = os::SelectObject(memory, bitmap_);
    os::BitBlt(dc, 0, 0, size_.width, size_.height, memory, 0, 0, os::kSrcCopy);
    if (previous != nullptr) os::SelectObject(memory, previous);
    os::DeleteDC(memory);
  }
  os::EndPaint(window_, paint);
}

void SetSplashOptions(int enabled, int closeHost) {
  splashEnabled = enabled;
  closeHostWithSplash = closeHost;
}

CSplashWnd* CurrentSplash() { return currentSplash; }

int ShowSplashWindow(uint32_t displayMilliseconds, uint32_t bitmapId, os::CWnd* host) {
  if (splashEnabled == 0 || currentSplash != nullptr) return 0;
  currentSplash = new CSplashWnd();
  CSplashWnd* splash = currentSplash;
  splash->bitmap_ = os::LoadBitmapA(bitmapId);
  if (splash->bitmap_ == nullptr || !os::GetObjectA(splash->bitmap_, &splash->size_)) {
    delete splash;
    return 0;
  }
  const char* windowClass = os::RegisterWindowClass(0, os::LoadCursorA(os::kIdcArrow));
  splash->host_ = host != nullptr ? host->GetSafeHwnd() : nullptr;
  if (!splash->CreateEx(0, windowClass, nullptr, os::kWsPopup | os::kWsVisible, 0, 0, splash->size_.width,
                        splash->size_.height, splash->host_, 0)) {
    delete splash;
    return 0;
  }
  splash->CenterWindow(splash->host_);
  os::UpdateWindow(splash->GetSafeHwnd());
  os::SetTimer(splash->GetSafeHwnd(), kSplashTimer, displayMilliseconds);
  return 1;
}

void HideSplashWindow() {
  CSplashWnd* splash = currentSplash;
  if (splash == nullptr) return;
  os::WindowHandle host = splash->host_;
  const bool closeHost = closeHostWithSplash == 1 && host != nullptr;
  // Shrunk and sent to the back first, so the host does not flash into view as it goes.
  if (closeHost) os::SetWindowPos(host, os::HwndBottom(), 0, 0, 1, 1, os::kSwpNoMove);
  // The window's last message deletes the object, which clears currentSplash.
  splash->DestroyWindow();
  if (host != nullptr) os::UpdateWindow(host);
  if (closeHost) os::SendMessageA(host, os::kWmClose, 0, 0);
}

int FilterSplashInput(const os::Message& message) {
  if (currentSplash == nullptr) return 0;
  switch (message.message) {
    case os::kWmKeyDown:
    case os::kWmSysKeyDown:
    case os::kWmLButtonDown:
    case os::kWmRButtonDown:
    case os::kWmMButtonDown:
    case os::kWmNcLButtonDown:
    case os::kWmNcRButtonDown:
    case os::kWmNcMButtonDown:
      HideSplashWindow();
      return 1;
    default:
      return 0;
  }
}
