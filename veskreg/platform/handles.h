// Small owners for the handles the logic opens, so every handle is closed on every path.
#pragma once

#include <utility>

#include "platform/eventlog.h"
#include "platform/kernel.h"

namespace os {

template <typename Handle, auto Close>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Handle handle) : handle_(handle) {}
  ~Owned() { reset(); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, Handle{});
    }
    return *this;
  }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Handle{}; }
  Handle release() { return std::exchange(handle_, Handle{}); }
  // For a call that hands a handle out through a pointer: what was held is closed first.
  Handle* put() {
    reset();
    return &handle_;
  }
  void reset() {
    if (handle_ != Handle{}) Close(std::exchange(handle_, Handle{}));
  }

 private:
  Handle handle_{};
};

using OwnedEventSource = Owned<EventSourceHandle, DeregisterEventSource>;
using OwnedKernelHandle = Owned<KernelHandle, CloseHandle>;
using OwnedLocalBlock = Owned<void*, LocalFree>;

}  // namespace os
