#pragma once

// Read by GoogleTest before its own port header (the Windows test builds force-include it).
// The Windows builds use the toolchain's win32 thread model, whose C++ library has no
// std::mutex or std::condition_variable; GoogleTest's own locks are Win32 critical sections
// there, and only its Notification, which lets its internal threads start, is built on those
// two. This one waits on an atomic flag instead. Our tests never start GoogleTest's threads.

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { notified_.store(true); }
  void WaitForNotification() {
    while (!notified_.load()) {
    }
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace testing::internal
