// Loaded into the program under test by a WH_CALLWNDPROC hook that the driver sets on a
// message box's thread: an icon handle means something only inside its own process, so the
// box's icon is told apart there, against the system's shared icons, and the answer is left
// in a window property that the driver can read from outside.
#include <windows.h>

#include "IconProbe.h"

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeHook(int code, WPARAM wp, LPARAM lp) {
  const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lp);
  if (code == HC_ACTION && m->message == RegisterWindowMessageW(kProbeMessage)) {
    HICON shown = reinterpret_cast<HICON>(SendMessageW(m->hwnd, STM_GETICON, 0, 0));
    static const struct {
      LPCWSTR id;
      ProbeIcon kind;
    } kIcons[] = {{IDI_HAND, kProbeError},
                  {IDI_EXCLAMATION, kProbeWarning},
                  {IDI_ASTERISK, kProbeInformation},
                  {IDI_QUESTION, kProbeQuestion}};
    ProbeIcon kind = shown ? kProbeOther : kProbeNone;
    for (const auto& icon : kIcons) {
      if (shown && shown == LoadIconW(nullptr, icon.id)) kind = icon.kind;
    }
    SetPropW(m->hwnd, kProbeProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(kind)));
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}
