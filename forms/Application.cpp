#include "forms/Application.h"

#include <commctrl.h>

#include "forms/Exception.h"
#include "forms/Form.h"
#include "forms/Window.h"

TApplication* Application = nullptr;

TApplication::TApplication() {
  InitCommonControls();
  RegisterWindowClass(L"TApplication", Proc, nullptr, LoadIconW(Instance(), L"MAINICON"));
  // Zero-sized: only its task-bar button shows.
  wchar_t title[MAX_PATH];
  ApplicationTitle(title, MAX_PATH);
  Wnd = CreateWindowExW(0, L"TApplication", title,
                        WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU,
                        GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0,
                        nullptr, nullptr, Instance(), this);
  if (!Wnd) throw Exception("Грешка при създаване на прозорец");
  Application = this;
}

TApplication::~TApplication() {
  Application = nullptr;
  SetWindowLongPtrW(Wnd, GWLP_USERDATA, 0);
  DestroyWindow(Wnd);
}

void TApplication::Run(TForm& mainForm) {
  MainForm = &mainForm;
  ShowWindow(Wnd, SW_SHOWNOACTIVATE);
  mainForm.Show();
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (mainForm.PreTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  MainForm = nullptr;
}

LRESULT CALLBACK TApplication::Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  TApplication* self = WindowObject<TApplication>(wnd, msg, lp);
  switch (msg) {
    case WM_SETFOCUS: {
      // Activated from the task bar: hand the activation to the form or its open box.
      HWND popup = GetLastActivePopup(wnd);
      if (popup != wnd && IsWindowVisible(popup) && IsWindowEnabled(popup)) SetActiveWindow(popup);
      return 0;
    }
    case WM_CLOSE:
      if (self && self->MainForm && self->MainForm->Handle())
        PostMessageW(self->MainForm->Handle(), WM_CLOSE, 0, 0);
      return 0;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}
