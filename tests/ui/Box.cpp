// Message boxes: what they say and show, and answering them.
#include <algorithm>

#include "Driver.h"
#include "IconProbe.h"
#include "Scenario.h"

namespace ui {

namespace {

// The system's message box keeps its text in a static of this id.
constexpr int kBoxTextId = 0xFFFF;

BOOL CALLBACK AddVisibleChild(HWND w, LPARAM lp) {
  if (IsWindowVisible(w)) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
  return TRUE;
}

std::vector<HWND> VisibleChildren(HWND box) {
  std::vector<HWND> list;
  EnumChildWindows(box, AddVisibleChild, reinterpret_cast<LPARAM>(&list));
  return list;
}

// Asks the probe, loaded into the box's process by a hook on its thread, which of the
// system's icons the icon control shows.
Icon AskProbe(HWND iconControl) {
  HMODULE probe = LoadLibraryW(ProbeDll().c_str());
  if (!probe) return Icon::Other;
  HOOKPROC proc = reinterpret_cast<HOOKPROC>(
      reinterpret_cast<void*>(GetProcAddress(probe, "ProbeHook")));
  HHOOK hook = proc ? SetWindowsHookExW(WH_CALLWNDPROC, proc, probe,
                                        GetWindowThreadProcessId(iconControl, nullptr))
                    : nullptr;
  if (hook) {
    DWORD_PTR unused = 0;
    SendMessageTimeoutW(iconControl, RegisterWindowMessageW(kProbeMessage), 0, 0, SMTO_NORMAL,
                        kWaitMs, &unused);
    UnhookWindowsHookEx(hook);
  }
  FreeLibrary(probe);
  switch (reinterpret_cast<INT_PTR>(GetPropW(iconControl, kProbeProperty))) {
    case kProbeNone: return Icon::None;
    case kProbeError: return Icon::Error;
    case kProbeWarning: return Icon::Warning;
    case kProbeInformation: return Icon::Information;
    case kProbeQuestion: return Icon::Question;
    default: return Icon::Other;
  }
}

}  // namespace

Box ReadBox(HWND hwnd) {
  Box box;
  if (!hwnd) return box;
  box.hwnd = hwnd;
  box.caption = Text(hwnd);
  box.text = Text(GetDlgItem(hwnd, kBoxTextId));
  std::vector<HWND> buttons;
  for (HWND w : VisibleChildren(hwnd)) {
    const std::wstring cls = ClassName(w);
    if (cls == L"Button") buttons.push_back(w);
    if (cls == L"Static" && (Style(w) & SS_TYPEMASK) == SS_ICON) box.icon = AskProbe(w);
  }
  std::sort(buttons.begin(), buttons.end(), [](HWND a, HWND b) {
    return RectInParent(a).left < RectInParent(b).left;
  });
  for (HWND w : buttons) box.buttons.push_back(GetDlgCtrlID(w));
  return box;
}

bool Answer(const Box& box, int id) {
  HWND button = GetDlgItem(box.hwnd, id);
  if (!button || !IsWindowVisible(button)) return false;
  Click(button);
  return WaitGone(box.hwnd);
}

}  // namespace ui
