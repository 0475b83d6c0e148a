// The demo product: a small window that shows which edition of the product is installed,
// so that the demo can show the updater replacing it.
#include <windows.h>

#include <string>

#define TEXT_OF(x) TEXT_OF_(x)
#define TEXT_OF_(x) #x

namespace {

std::wstring Widen(const char* text) {
  int n = MultiByteToWideChar(1251, 0, text, -1, nullptr, 0);
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(1251, 0, text, -1, &wide[0], n);
  wide.resize(n - 1);
  return wide;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"DemoVanto";
  RegisterClassW(&wc);

  std::wstring title = Widen("Талво");
  std::wstring text = Widen("Талво, издание " TEXT_OF(DEMO_EDITION));
  HWND window =
      CreateWindowW(L"DemoVanto", title.c_str(), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                    CW_USEDEFAULT, CW_USEDEFAULT, 320, 120, nullptr, nullptr, instance, nullptr);
  HWND label = CreateWindowW(L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_CENTER, 10, 30,
                             290, 20, window, nullptr, instance, nullptr);
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
  ShowWindow(window, show);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
