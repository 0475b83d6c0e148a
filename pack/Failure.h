#pragma once
// How TalvoPack ends, and what went wrong on the way as each step returns it: every problem
// names what it concerns and, where a call of the system failed, the system's error. The steps
// say nothing of it themselves; main.cpp says each problem on a line of its own and ends with
// the failure's exit code.
#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

enum TPackExit {
  Made = 0,
  BadCommandLine = 1,
  Refused = 2,     // the edition breaks a rule of the updater's, or OUT is a link
  DoesNotFit = 3,  // on the three disks, or in one archive
  NotMade = 4,     // writing or verification failed
};

struct TProblem {
  std::wstring Path;  // what it concerns (a file, a folder); empty when it names none
  std::wstring What;  // the rest of its line, after the path
  std::optional<DWORD> Error =
      std::nullopt;  // the system's error, when a call of the system failed
};

struct TFailure {
  TPackExit Code = Made;
  std::vector<TProblem> Problems;

  // Whether anything went wrong.
  explicit operator bool() const { return Code != Made; }

  // Adds a problem; the failure's code is the first one's.
  TFailure& Add(TPackExit code, TProblem problem) {
    if (Code == Made) Code = code;
    Problems.push_back(std::move(problem));
    return *this;
  }
  // Adds every problem of another failure.
  TFailure& Add(const TFailure& other) {
    for (const TProblem& p : other.Problems) Add(other.Code, p);
    return *this;
  }
};

// One problem.
inline TFailure Failed(TPackExit code, std::wstring path, std::wstring what) {
  return TFailure().Add(code, {std::move(path), std::move(what), std::nullopt});
}

// A call of the system that just failed: its error is GetLastError's.
inline TFailure FailedCall(TPackExit code, std::wstring path, std::wstring what) {
  const DWORD error = GetLastError();
  return TFailure().Add(code, {std::move(path), std::move(what), error});
}
