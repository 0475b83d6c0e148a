// Message boxes: what they say and show, and answering them.
#include <algorithm>

#include "Driver.h"
#include "Inject.h"
#include "Probe.h"

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

// Which of the system's icons the icon control shows, told by the probe in the box's process.
Icon AskProbe(HWND iconControl) {
  if (!CallProbe(iconControl, kProbeIcon, 0, 0)) return Icon::Other;
  switch (reinterpret_cast<INT_PTR>(GetPropW(iconControl, kProbeIcon))) {
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
  std::sort(buttons.begin(), buttons.end(),
            [](HWND a, HWND b) { return RectInParent(a).left < RectInParent(b).left; });
  for (HWND w : buttons) box.buttons.push_back(GetDlgCtrlID(w));
  return box;
}

bool Answer(const Box& box, int id) {
  HWND button = GetDlgItem(box.hwnd, id);
  if (!button || !IsWindowVisible(button)) return false;
  Click(button);
  return WaitGone(box.hwnd);
}

BoxAnswerer::BoxAnswerer(DWORD pid, DWORD timeoutMs)
    : thread_([this, pid, timeoutMs] { Run(pid, timeoutMs); }) {}

void BoxAnswerer::Run(DWORD pid, DWORD timeoutMs) {
  HWND box = nullptr;
  WaitUntil([&] { return stop_ || (box = WaitTop(pid, L"#32770", 0)) != nullptr; }, timeoutMs);
  if (!box) return;
  box_ = ReadBox(box);
  answered_ = Answer(box_, IDOK);
}

bool BoxAnswerer::Wait() {
  thread_.Join();
  return answered_;
}

bool BoxAnswerer::Stop() {
  InterlockedExchange(&stop_, 1);
  return Wait();
}

}  // namespace ui
