// The splash window over the main dialog, and the filter that removes it on the first
// key or mouse press.
#pragma once

#include <cstdint>

#include "platform/window.h"

class CSplashWnd : public os::CWnd {
 public:
  CSplashWnd() = default;
  ~CSplashWnd() override;

  bool OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t* result) override;
  // The object lives as long as its window.
  void PostNcDestroy() override;

 private:
  friend int ShowSplashWindow(uint32_t displayMilliseconds, uint32_t bitmapId, os::CWnd* host);
  friend void HideSplashWindow();
  void Paint();

  os::BitmapHandle bitmap_ = nullptr;
  os::BitmapInfo size_;
  os::WindowHandle host_ = nullptr;
  bool inDestructor_ = false;
};

// `enabled`: ShowSplashWindow shows anything at all; `closeHost`: the host dialog
// closes together with the splash.
void SetSplashOptions(int enabled, int closeHost);
// 1 when the splash is shown, 0 when not (disabled, already up, or it failed).
int ShowSplashWindow(uint32_t displayMilliseconds, uint32_t bitmapId, os::CWnd* host);
void HideSplashWindow();
// 1 when `message` was a key or mouse press that removed the splash; the message is
// then swallowed.
int FilterSplashInput(const os::Message& message);
// The one splash window that exists, or null.
CSplashWnd* CurrentSplash();
