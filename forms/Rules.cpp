#include "forms/Rules.h"

std::wstring TitleFromPath(const wchar_t* path) {
  std::wstring name(path);
  size_t slash = name.find_last_of(L"\\/:");
  if (slash != std::wstring::npos) name.erase(0, slash + 1);
  size_t dot = name.rfind(L'.');
  if (dot != std::wstring::npos) name.erase(dot);
  if (name.size() > 1) CharLowerBuffW(&name[1], static_cast<DWORD>(name.size() - 1));
  return name;
}

std::wstring ReportText(const std::wstring& message) {
  if (!message.empty() && message.back() > L'.') return message + L'.';
  return message;
}

int CentreOffset(int outer, int inner) { return (outer - inner) / 2; }

RECT ScaleRect(const RECT& r, int num, int den) {
  return RECT{MulDiv(r.left, num, den), MulDiv(r.top, num, den), MulDiv(r.right, num, den),
              MulDiv(r.bottom, num, den)};
}
