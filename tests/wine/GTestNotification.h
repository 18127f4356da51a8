// Force-included into GoogleTest and its tests when they are built for Windows with the
// win32-threads compilers, whose standard library has no std::mutex or std::condition_variable.
// GoogleTest needs those for one class only, Notification, which starts the threads of its own
// thread tests; this stands in for it. Every other lock of GoogleTest on Windows is its own
// CRITICAL_SECTION-based Mutex.
#pragma once

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { m_notified.store(true); }
  void WaitForNotification() {
    while (!m_notified.load()) {
    }
  }

 private:
  std::atomic<bool> m_notified{false};
};

}  // namespace testing::internal
