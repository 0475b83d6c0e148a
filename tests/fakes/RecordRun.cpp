// A stand-in program for tests: it appends two lines to RECORD_NAME in its own folder,
// its command line as the system gave it and its current directory, then exits.
// Built as the fake product (Vanto.exe) and as the trap that a wrong start would run.
#include <windows.h>
#include <string.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char record[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, record, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 1;
  char* slash = strrchr(record, '\\');
  const size_t folderLen = slash ? static_cast<size_t>(slash - record + 1) : 0;
  if (folderLen + sizeof RECORD_NAME > MAX_PATH) return 1;
  memcpy(record + folderLen, RECORD_NAME, sizeof RECORD_NAME);

  char cwd[MAX_PATH];
  const DWORD cwdLen = GetCurrentDirectoryA(MAX_PATH, cwd);
  if (cwdLen == 0 || cwdLen >= MAX_PATH) cwd[0] = '\0';

  HANDLE file = CreateFileA(record, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const char* parts[] = {GetCommandLineA(), "\r\n", cwd, "\r\n"};
  for (const char* part : parts) {
    DWORD written = 0;
    WriteFile(file, part, static_cast<DWORD>(strlen(part)), &written, nullptr);
  }
  CloseHandle(file);
  return 0;
}
