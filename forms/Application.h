#pragma once
// The application: the process's one hidden window and the message loop of its form.
#include <windows.h>

class TForm;

// The process's hidden owner window: it carries the application's title and icon on the
// task bar, so that the dialog-framed form shows no icon of its own.
class TApplication {
public:
  TApplication();
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  HWND Handle() const { return Wnd; }
  // Shows the form and runs the message loop until the form closes.
  void Run(TForm& mainForm);

private:
  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND Wnd = nullptr;
  TForm* MainForm = nullptr;
};

extern TApplication* Application;
