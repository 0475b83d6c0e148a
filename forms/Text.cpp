#include "forms/Text.h"

#include "forms/Forms.h"

#include <cstring>
#include <vector>

std::wstring Widen(UINT codePage, const char* text) {
  if (!text || !*text) return std::wstring();
  int n = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(n, L'\0');
  MultiByteToWideChar(codePage, 0, text, -1, &out[0], n);
  out.resize(n - 1);
  return out;
}

int Narrow(UINT codePage, const wchar_t* text, char* buf, int size) {
  int n = WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::vector<char> all(n > 0 ? n : 1, '\0');
  if (n > 0) WideCharToMultiByte(codePage, 0, text, -1, all.data(), n, nullptr, nullptr);
  int length = n > 0 ? n - 1 : 0;
  if (size > 0) {
    int copied = length < size - 1 ? length : size - 1;
    memcpy(buf, all.data(), copied);
    buf[copied] = '\0';
  }
  return length;
}

std::wstring WindowText(HWND wnd) {
  int n = GetWindowTextLengthW(wnd);
  std::wstring text(n + 1, L'\0');
  n = GetWindowTextW(wnd, &text[0], n + 1);
  text.resize(n > 0 ? n : 0);
  return text;
}

std::wstring Widen1251(const char* text) { return Widen(1251, text); }
