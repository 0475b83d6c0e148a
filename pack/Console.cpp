#include "pack/Console.h"

#include <windows.h>

#include "pack/Encoding.h"

namespace {

void WriteLine(DWORD stream, const std::wstring& line) {
  const HANDLE out = GetStdHandle(stream);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
  const std::wstring text = line + L"\r\n";
  DWORD mode, done;
  if (GetConsoleMode(out, &mode)) {
    WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
    return;
  }
  const std::string bytes = Utf8(text);
  WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
}

}  // namespace

void Say(const std::wstring& line) { WriteLine(STD_OUTPUT_HANDLE, line); }

void Complain(const std::wstring& line) { WriteLine(STD_ERROR_HANDLE, line); }

std::wstring SystemReason() {
  wchar_t text[512];
  const DWORD error = GetLastError();
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           error, 0, text, 512, nullptr);
  while (n > 0 && (text[n - 1] == L'\r' || text[n - 1] == L'\n' || text[n - 1] == L' ')) --n;
  return L" (" + std::to_wstring(error) + L": " + std::wstring(text, n) + L")";
}

void ComplainFailed(const std::wstring& what) { Complain(what + SystemReason() + L"."); }

std::wstring Count(unsigned long long n) {
  std::wstring digits = std::to_wstring(n);
  for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, L' ');
  return digits;
}
