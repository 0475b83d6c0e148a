// A stand-in for the updater's message boxes, for the driver's own tests:
//   talvo_ui_boxshow STYLE CAPTION [LINE...]
// shows one box with the lines joined by CR LF and exits with the box's answer.
#include <windows.h>

#include <cwchar>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc < 3) return 100;
  std::wstring text;
  for (int i = 3; i < argc; ++i) {
    if (i > 3) text += L"\r\n";
    text += argv[i];
  }
  const UINT style = static_cast<UINT>(std::wcstoul(argv[1], nullptr, 10));
  return MessageBoxW(nullptr, text.c_str(), argv[2], style);
}
