#pragma once
// The system's WinINet, through which the updater reaches a server as the user's browser
// does (its proxy settings, an automatic proxy script, the proxy's password dialog).
// wininet.dll is no KnownDLL: it is loaded by its full path from the system folder, and its
// entries are looked up once a run. Every one of them is in Windows XP SP3's WinINet.
#include <windows.h>
#include <wininet.h>

struct TWinInet {
  decltype(&::InternetOpenA) InternetOpenA;
  decltype(&::InternetSetOptionA) InternetSetOptionA;
  decltype(&::InternetCrackUrlA) InternetCrackUrlA;
  decltype(&::InternetCombineUrlA) InternetCombineUrlA;
  decltype(&::InternetConnectA) InternetConnectA;
  decltype(&::HttpOpenRequestA) HttpOpenRequestA;
  decltype(&::HttpSendRequestA) HttpSendRequestA;
  decltype(&::HttpQueryInfoA) HttpQueryInfoA;
  decltype(&::InternetQueryDataAvailable) InternetQueryDataAvailable;
  decltype(&::InternetReadFile) InternetReadFile;
  decltype(&::InternetCloseHandle) InternetCloseHandle;
  decltype(&::InternetErrorDlg) InternetErrorDlg;
};

enum : DWORD { WinInetEntries = sizeof(TWinInet) / sizeof(FARPROC) };

// Their names, in the order of TWinInet's members.
extern const char* const WinInetNames[WinInetEntries];

// The entries, looked up on the first call; null when the system has no WinINet or it lacks
// one of them (GetLastError says why).
const TWinInet* WinInet();

// The system's text for an error of WinINet (12001 to 12999, from WinINet's own messages)
// or of the system, in the system's language, without the line break at its end; an empty
// text where the system has none. size: in characters, at least 1.
void SystemReason(DWORD error, wchar_t* text, int size);
