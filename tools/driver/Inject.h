#pragma once
// Runs the probe (Probe.h) inside the process that owns a window.
#include <windows.h>

namespace ui {

// Sends target the probe's registered message while the probe is hooked into target's
// thread; true when the message was handled there.
bool CallProbe(HWND target, const wchar_t* message, WPARAM wp, LPARAM lp);

}  // namespace ui
