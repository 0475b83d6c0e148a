#include "forms/Window.h"

#include "forms/Rules.h"

void ApplicationTitle(wchar_t* title, int size) {
  wchar_t path[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  TitleFromPath(path, title, size);
}

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
