#pragma once
// What TalvoPack tells the person who runs it. Lines are wide text: written with
// WriteConsoleW to a console, where they read right whatever its code page, and as UTF-8
// bytes when the stream goes to a file or a pipe.
#include <string>

void Say(const std::wstring& line);       // standard output
void Complain(const std::wstring& line);  // standard error

// The system's reason for the call that just failed: " (5: Access is denied.)".
std::wstring SystemReason();
// A failed system call, said with its reason: what + SystemReason() + ".".
void ComplainFailed(const std::wstring& what);

// A number with its thousands set apart: "1 457 664".
std::wstring Count(unsigned long long n);
