#pragma once
// Text at the edge of the form layer: Windows-1251 and ANSI bytes to UTF-16 and back.
#include <windows.h>
#include <string>

std::wstring Widen(UINT codePage, const char* text);

// Converts to the code page and copies what fits into buf with a NUL; returns the length of
// the whole converted text.
int Narrow(UINT codePage, const wchar_t* text, char* buf, int size);

// The text of a window, whole.
std::wstring WindowText(HWND wnd);
