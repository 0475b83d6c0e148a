#include "pack/Console.h"

#include <windows.h>

#include "pack/Encoding.h"

namespace {

// The line with its control characters (C0, DEL, C1) written as \xNN.
std::wstring Escaped(const std::wstring& line) {
  std::wstring out;
  for (const wchar_t c : line) {
    if (c >= 0x20 && (c < 0x7F || c > 0x9F)) {
      out += c;
      continue;
    }
    const wchar_t digits[] = L"0123456789abcdef";
    out += L"\\x";
    out += digits[(c >> 4) & 15];
    out += digits[c & 15];
  }
  return out;
}

void WriteLine(DWORD stream, const std::wstring& line) {
  const HANDLE out = GetStdHandle(stream);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
  const std::wstring text = Escaped(line) + L"\r\n";
  DWORD mode, done;
  if (GetConsoleMode(out, &mode)) {
    WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
    return;
  }
  const std::string bytes = Utf8(text);
  WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
}

void WriteText(DWORD stream, const std::wstring& text) {
  for (size_t at = 0;;) {
    const size_t end = text.find(L"\r\n", at);
    WriteLine(stream, text.substr(at, end == text.npos ? text.npos : end - at));
    if (end == text.npos) return;
    at = end + 2;
  }
}

}  // namespace

void Say(const std::wstring& text) { WriteText(STD_OUTPUT_HANDLE, text); }

void Complain(const std::wstring& text) { WriteText(STD_ERROR_HANDLE, text); }

std::wstring ProblemLine(const TProblem& problem) {
  if (!problem.Error) return problem.Path + problem.What;
  wchar_t text[512];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           *problem.Error, 0, text, 512, nullptr);
  while (n > 0 && (text[n - 1] == L'\r' || text[n - 1] == L'\n' || text[n - 1] == L' ')) --n;
  for (DWORD i = 0; i < n; ++i)
    if (text[i] == L'\r' || text[i] == L'\n') text[i] = L' ';
  return problem.Path + problem.What + L" (" + std::to_wstring(*problem.Error) + L": " +
         std::wstring(text, n) + L").";
}

std::wstring Count(unsigned long long n) {
  std::wstring digits = std::to_wstring(n);
  for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, L' ');
  return digits;
}
