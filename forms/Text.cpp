#include "forms/Text.h"

#include <stdlib.h>
#include <string.h>

#include "forms/Exception.h"

namespace {

void* Allocate(size_t bytes) {
  void* p = malloc(bytes);
  if (!p) throw Exception("Недостатъчно памет");
  return p;
}

}  // namespace

TWide::TWide(UINT codePage, const char* text) {
  if (!text || !*text) return;
  int n = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
  if (n <= 0) return;
  Data = static_cast<wchar_t*>(Allocate(n * sizeof(wchar_t)));
  MultiByteToWideChar(codePage, 0, text, -1, Data, n);
  Length = n - 1;
}

TWide::TWide(HWND wnd) {
  int n = GetWindowTextLengthW(wnd);
  Data = static_cast<wchar_t*>(Allocate((n + 1) * sizeof(wchar_t)));
  Length = GetWindowTextW(wnd, Data, n + 1);
  Data[Length] = L'\0';
}

TWide& TWide::operator=(TWide&& other) noexcept {
  if (this != &other) {
    free(Data);
    Data = other.Data;
    Length = other.Length;
    other.Data = nullptr;
    other.Length = 0;
  }
  return *this;
}

TWide::~TWide() { free(Data); }

TWide Widen1251(const char* text) { return TWide(1251, text); }

int Narrow(UINT codePage, const wchar_t* text, char* buf, int size) {
  int n = WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
  int length = n > 0 ? n - 1 : 0;
  if (size <= 0) return length;
  char* all = static_cast<char*>(Allocate(length + 1));
  all[0] = '\0';
  if (n > 0) WideCharToMultiByte(codePage, 0, text, -1, all, n, nullptr, nullptr);
  int copied = length < size - 1 ? length : size - 1;
  memcpy(buf, all, copied);
  buf[copied] = '\0';
  free(all);
  return length;
}
