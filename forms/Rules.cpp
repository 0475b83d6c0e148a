#include "forms/Rules.h"

void TitleFromPath(const wchar_t* path, wchar_t* title, int size) {
  if (size <= 0) return;
  const wchar_t* name = path;    // after the last separator
  const wchar_t* end = nullptr;  // the last dot after it
  for (const wchar_t* p = path; *p; ++p) {
    if (*p == L'\\' || *p == L'/' || *p == L':') {
      name = p + 1;
      end = nullptr;
    } else if (*p == L'.') {
      end = p;
    }
  }
  if (!end) end = name + lstrlenW(name);
  int n = static_cast<int>(end - name);
  if (n > size - 1) n = size - 1;
  for (int i = 0; i < n; ++i) title[i] = name[i];
  title[n] = L'\0';
  if (n > 1) CharLowerBuffW(title + 1, n - 1);
}

void ReportText(const wchar_t* message, wchar_t* text, int size) {
  if (size <= 0) return;
  int n = 0;
  for (; message[n] && n < size - 1; ++n) text[n] = message[n];
  if (n > 0 && text[n - 1] > L'.' && n < size - 1) text[n++] = L'.';
  text[n] = L'\0';
}

int CentreOffset(int outer, int inner) { return (outer - inner) / 2; }

RECT ScaleRect(const RECT& r, int num, int den) {
  return RECT{MulDiv(r.left, num, den), MulDiv(r.top, num, den), MulDiv(r.right, num, den),
              MulDiv(r.bottom, num, den)};
}
