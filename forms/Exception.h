#pragma once
// The form layer's exception and the standard report that shows it, or a system fault that
// nothing handled. Messages are Windows-1251.
#include <windows.h>

#include <exception>

// The framework's exception; its message is what the standard report shows.
class Exception : public std::exception {
public:
  explicit Exception(const char* message);
  const char* what() const noexcept override { return Message; }

private:
  char Message[256];
};

// The silent abort: unwinds to the message loop and shows nothing.
class EAbort : public Exception {
public:
  EAbort() : Exception("") {}
};

// Shows the exception in flight (call it inside a catch block) by the standard report.
void HandleException();

// Reports system faults (access violation and the like) that nothing handled by the standard
// report, then ends the process with this exit code.
void InstallFaultReport(UINT exitCode);
