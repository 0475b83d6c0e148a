// hold_file PATH MS: keeps PATH open with no sharing for MS milliseconds, as another
// program that has the file in use would.
#include <windows.h>
#include <stdlib.h>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  HANDLE file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  Sleep(static_cast<DWORD>(atoi(argv[2])));
  CloseHandle(file);
  return 0;
}
