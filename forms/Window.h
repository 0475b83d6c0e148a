#pragma once
// Window classes of the form layer: each registered once per process.
#include <windows.h>

inline HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

// The application's title, from the program's file name (TitleFromPath), cut to fit size.
void ApplicationTitle(wchar_t* title, int size);

// Registers a window class; a class that already exists is fine.
void RegisterWindowClass(const wchar_t* name, WNDPROC proc, HBRUSH background, HICON icon);

// The object a window was created for (its CREATESTRUCT parameter), kept in the window.
template <class T>
T* WindowObject(HWND wnd, UINT msg, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  return reinterpret_cast<T*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
}
