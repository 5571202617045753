// GoogleTest's Notification for the MinGW-w64 win32-threads runtime, which has no
// std::mutex or std::condition_variable. GoogleTest only uses it in its own threading
// helpers, which this single-threaded suite never starts.
#pragma once

#include <atomic>

namespace testing::internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { notified_ = true; }
  void WaitForNotification() {
    while (!notified_) {
    }
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace testing::internal
