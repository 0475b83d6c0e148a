#pragma once
// The probe: a DLL that the driver loads into the program under test, through a
// WH_CALLWNDPROC hook on a window's thread, for what can be known only inside that process.
// The driver sends the window one of these registered messages and reads the answer.
#include <windows.h>

// Which of the system's icons a static control shows (icon handles mean something only in
// their own process). Answered in the control's property of this name, as a ProbeIcon.
constexpr const wchar_t* kProbeIcon = L"TalvoUiProbeIcon";
enum ProbeIcon {  // 0: no answer
  kProbeNone = 1,
  kProbeError,
  kProbeWarning,
  kProbeInformation,
  kProbeQuestion,
  kProbeOther
};

// The window's client area as the window's own surface holds it, whatever lies above it on
// the screen. wParam and lParam name a file mapping (ShotName) that starts with a ShotHeader;
// the probe writes width x height pixels (32 bits, rows from the top) after it, then sets done.
constexpr const wchar_t* kProbeShot = L"TalvoUiProbeShot";
struct ShotHeader {
  LONG width;
  LONG height;
  LONG done;
};
inline void ShotName(wchar_t (&name)[64], WPARAM wp, LPARAM lp) {
  wsprintfW(name, L"TalvoUiShot-%lu-%lu", static_cast<unsigned long>(wp),
            static_cast<unsigned long>(lp));
}
