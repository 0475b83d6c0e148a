// A helper thread for tests (a box answerer and the like). The toolchain's win32 thread model,
// which keeps the shipped files free of winpthread, has no std::thread.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>

class TTestThread {
public:
  explicit TTestThread(std::function<void()> run)
      : Run(std::move(run)), Handle(CreateThread(nullptr, 0, Start, this, 0, nullptr)) {}
  ~TTestThread() { Join(); }
  TTestThread(const TTestThread&) = delete;
  TTestThread& operator=(const TTestThread&) = delete;

  void Join() {
    if (!Handle) return;
    WaitForSingleObject(Handle, INFINITE);
    CloseHandle(Handle);
    Handle = nullptr;
  }

private:
  static DWORD WINAPI Start(void* self) {
    static_cast<TTestThread*>(self)->Run();
    return 0;
  }
  std::function<void()> Run;
  HANDLE Handle;
};
