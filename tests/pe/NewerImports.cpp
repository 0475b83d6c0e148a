// A program the import check must refuse: a function newer than Windows XP, and a DLL that is
// not part of Windows.
#include <windows.h>
#include <zlib.h>

extern "C" __declspec(dllimport) ULONGLONG WINAPI GetTickCount64();

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return static_cast<int>(GetTickCount64()) + *zlibVersion();
}
