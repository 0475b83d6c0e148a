// A program the import check must refuse: a function newer than Windows XP, a DLL that is
// not part of Windows, and one of Windows that is no KnownDLL.
#include <windows.h>
#include <wincrypt.h>
#include <zlib.h>

extern "C" __declspec(dllimport) ULONGLONG WINAPI GetTickCount64();

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return static_cast<int>(GetTickCount64()) + *zlibVersion() +
         CryptStringToBinaryA("", 0, 0, nullptr, nullptr, nullptr, nullptr);
}
