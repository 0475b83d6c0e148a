// GoogleTest's customisation point, put ahead of its own empty one. The win32 thread model of
// our toolchain has no std::mutex or std::condition_variable, on which GoogleTest builds its
// Notification (the one part of its Windows threading that is not Win32 already); this gives
// it one on a Win32 event.
#ifndef TALVO_GTEST_CUSTOM_PORT_H
#define TALVO_GTEST_CUSTOM_PORT_H

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
 public:
  Notification();
  ~Notification();
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;
  void Notify();
  void WaitForNotification();

 private:
  void* event_;
};

}  // namespace internal
}  // namespace testing

#endif
