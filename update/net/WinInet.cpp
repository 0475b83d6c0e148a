#include "update/net/WinInet.h"

#include "update/files/SystemEntry.h"

const char* const WinInetNames[WinInetEntries] = {
    "InternetOpenA",       "InternetSetOptionA",  "InternetCrackUrlA",
    "InternetCombineUrlA", "InternetConnectA",    "HttpOpenRequestA",
    "HttpSendRequestA",    "HttpQueryInfoA",      "InternetQueryDataAvailable",
    "InternetReadFile",    "InternetCloseHandle", "InternetErrorDlg",
};

namespace {

const char Dll[] = "wininet.dll";

// Looked up once: the entries do not change while the process lives.
bool Load(TWinInet* table) {
  static_assert(sizeof(TWinInet) == WinInetEntries * sizeof(FARPROC), "entries only");
  FARPROC* slots = reinterpret_cast<FARPROC*>(table);
  for (DWORD i = 0; i < WinInetEntries; ++i) {
    slots[i] = SystemEntry<FARPROC>(Dll, WinInetNames[i]);
    if (!slots[i]) return false;
  }
  return true;
}

}  // namespace

const TWinInet* WinInet() {
  static TWinInet table;
  static bool loaded = Load(&table);
  return loaded ? &table : nullptr;
}

void SystemReason(DWORD error, wchar_t* text, int size) {
  const DWORD flags = FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK;
  const HMODULE own =
      error > INTERNET_ERROR_BASE && error <= INTERNET_ERROR_LAST ? GetModuleHandleA(Dll) : nullptr;
  DWORD n =
      own ? FormatMessageW(flags | FORMAT_MESSAGE_FROM_HMODULE, own, error, 0, text, size, nullptr)
          : 0;
  if (n == 0)
    n = FormatMessageW(flags | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error, 0, text, size, nullptr);
  while (n > 0 && (text[n - 1] == L' ' || text[n - 1] == L'\r' || text[n - 1] == L'\n')) --n;
  text[n] = L'\0';
}
