// A program the import check must refuse: a function newer than Windows XP, imported and
// delay-loaded, a DLL that is not part of Windows, one of Windows that is no KnownDLL, each
// resolved at start, and a load configuration that leaves the loader's search as it is.
#include <windows.h>
#include <wincrypt.h>
#include <zlib.h>

extern "C" __declspec(dllimport) ULONGLONG WINAPI GetTickCount64();
extern "C" __declspec(dllimport) BOOL WINAPI SetProcessDPIAware();

// 64 bytes, DependentLoadFlags (at 0x36) zero.
extern "C" __attribute__((used)) const DWORD _load_config_used[16] = {64};

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return static_cast<int>(GetTickCount64()) + *zlibVersion() + SetProcessDPIAware() +
         CryptStringToBinaryA("", 0, 0, nullptr, nullptr, nullptr, nullptr);
}
