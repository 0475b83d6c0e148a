#pragma once
// Text at the edge of the form layer: bytes of a code page to UTF-16 and back.
#include <windows.h>

// A UTF-16 text on the heap, for the wide Windows calls.
class TWide {
public:
  TWide() = default;
  TWide(UINT codePage, const char* text);  // converted from that code page
  explicit TWide(HWND wnd);                // the window's text
  TWide(const TWide&) = delete;
  TWide& operator=(const TWide&) = delete;
  TWide(TWide&& other) noexcept : Data(other.Data), Length(other.Length) {
    other.Data = nullptr;
    other.Length = 0;
  }
  TWide& operator=(TWide&& other) noexcept;
  ~TWide();

  const wchar_t* c_str() const { return Data ? Data : L""; }
  int size() const { return Length; }

private:
  wchar_t* Data = nullptr;
  int Length = 0;
};

// Windows-1251 text as UTF-16.
TWide Widen1251(const char* text);

// Converts to the code page and copies what fits into buf with a NUL; returns the length of
// the whole converted text.
int Narrow(UINT codePage, const wchar_t* text, char* buf, int size);
