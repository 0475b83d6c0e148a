#include "forms/Window.h"

void RegisterWindowClass(const wchar_t* name, WNDPROC proc, HBRUSH background, HICON icon) {
  WNDCLASSEXW wc = {};
  if (GetClassInfoExW(Instance(), name, &wc)) return;
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = Instance();
  wc.hIcon = icon;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  RegisterClassExW(&wc);
}
