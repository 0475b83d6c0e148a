#include "pack/Encoding.h"

#include <windows.h>

namespace {

std::string Narrow(UINT codePage, DWORD flags, const std::wstring& text) {
  const int len = static_cast<int>(text.size());
  const int n =
      WideCharToMultiByte(codePage, flags, text.data(), len, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0) WideCharToMultiByte(codePage, flags, text.data(), len, &out[0], n, nullptr, nullptr);
  return out;
}

}  // namespace

bool ToCodePage(unsigned codePage, const std::wstring& text, std::string* out) {
  // UTF-8 (the ANSI code page of TalvoPack where its manifest is honoured) takes no flags.
  const UINT real = codePage == CP_ACP ? GetACP() : codePage;
  *out = Narrow(real, real == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS, text);
  return FromCodePage(real, *out) == text;
}

std::wstring FromCodePage(unsigned codePage, const std::string& text) {
  const int len = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(codePage, 0, text.data(), len, nullptr, 0);
  std::wstring out(n > 0 ? n : 0, L'\0');
  if (n > 0) MultiByteToWideChar(codePage, 0, text.data(), len, &out[0], n);
  return out;
}

std::string Utf8(const std::wstring& text) { return Narrow(CP_UTF8, 0, text); }

std::wstring Upper(const std::wstring& text) {
  std::wstring out(text);
  if (!out.empty())
    LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.data(), static_cast<int>(text.size()),
                 &out[0], static_cast<int>(out.size()));
  return out;
}
