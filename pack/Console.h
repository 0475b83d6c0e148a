#pragma once
// What TalvoPack tells the person who runs it. Lines are wide text: written with
// WriteConsoleW to a console, where they read right whatever its code page, and as UTF-8
// bytes when the stream goes to a file or a pipe. A name may hold any character: control
// characters are written as \xNN, so that no name moves the cursor or colours the console.
#include <string>

#include "pack/Failure.h"

// A text of one or more lines (parted by CR LF).
void Say(const std::wstring& text);       // standard output
void Complain(const std::wstring& text);  // standard error

// The line that says a problem: its path, what is wrong, and the system's reason with its
// number where a call failed: "...: не може да се прочете (5: Access is denied.).".
std::wstring ProblemLine(const TProblem& problem);

// A number with its thousands set apart: "1 457 664".
std::wstring Count(unsigned long long n);
