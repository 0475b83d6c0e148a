// hold_file PATH MS: keeps PATH open with no sharing for MS milliseconds, as another
// program that has the file in use would.
#include <windows.h>
#include <stdlib.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  // The starter probes the file while this comes up, so a first try may meet its handle.
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int tries = 0; file == INVALID_HANDLE_VALUE && tries < 1000; ++tries) {
    file = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) Sleep(10);
  }
  if (file == INVALID_HANDLE_VALUE) return 1;
  Sleep(static_cast<DWORD>(_wtoi(argv[2])));
  CloseHandle(file);
  return 0;
}
