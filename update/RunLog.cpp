#include "update/RunLog.h"

#include <string.h>

#include <memory>
#include <new>

#include "update/Compose.h"
#include "update/FileUtils.h"

namespace {

const char Bom[] = "\xEF\xBB\xBF";
const Cp1251Text TxtBox{"Съобщение:"};
enum { LineChars = 2048 };

bool WriteAll(HANDLE file, const char* bytes, DWORD size) {
  DWORD written = 0;
  return WriteFile(file, bytes, size, &written, nullptr) && written == size;
}

// Keeps the newest half of the limit, from its first whole line on.
void Cut(HANDLE file) {
  const DWORD keep = LogLimit / 2;
  std::unique_ptr<char[]> tail(new (std::nothrow) char[keep]);
  LONG back = -1;  // the high part of a move backwards from the end
  DWORD got = 0;
  if (!tail || (SetFilePointer(file, -static_cast<LONG>(keep), &back, FILE_END) ==
                    INVALID_SET_FILE_POINTER &&
                GetLastError() != NO_ERROR) ||
      !ReadFile(file, tail.get(), keep, &got, nullptr) || got != keep)
    return;
  const char* end = tail.get() + keep;
  const char* from = static_cast<const char*>(memchr(tail.get(), '\n', keep));
  from = from ? from + 1 : end;
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  if (WriteAll(file, Bom, 3)) {
    WriteAll(file, from, static_cast<DWORD>(end - from));
    SetEndOfFile(file);
  }
}

}  // namespace

TRunLog::TRunLog(const char* file) {
  if (!file) return;
  Given = true;
  Pending = false;
  Open(file);
}

TRunLog::~TRunLog() {
  if (File != INVALID_HANDLE_VALUE) CloseHandle(File);
}

void TRunLog::Attach(const char* productFolder) {
  if (Given || !Pending) return;
  Pending = false;
  char path[MAX_PATH];
  if (!JoinPath(productFolder, LogFileName, path)) return;
  Open(path);
  if (File != INVALID_HANDLE_VALUE) {
    SetFilePointer(File, 0, nullptr, FILE_END);
    WriteAll(File, Early, static_cast<DWORD>(EarlySize));
  }
}

// Only a file on disk that is empty or begins as a log of ours is taken: a path given by
// mistake (the product's program, a device) is never written over.
void TRunLog::Open(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD high = 0;
  const DWORD size = GetFileSize(file, &high);
  char head[3];
  DWORD got = 0;
  bool ours = GetFileType(file) == FILE_TYPE_DISK;
  if (ours && size == 0 && high == 0)
    ours = WriteAll(file, Bom, 3);
  else if (ours)
    ours = ReadFile(file, head, 3, &got, nullptr) && got == 3 && memcmp(head, Bom, 3) == 0;
  if (!ours) {
    CloseHandle(file);
    return;
  }
  if (high || size > LogLimit) Cut(file);
  File = file;
}

void TRunLog::Line(TMsgLine a, TMsgLine b, TMsgLine c, TMsgLine d) {
  const TMsgLine parts[5] = {a, b, c, d, {}};
  wchar_t text[MsgTextSize];
  ComposeMsg(text, MsgTextSize, parts);
  Write({}, text, L" ");
}

void TRunLog::Text(const wchar_t* text) { Write(TxtBox, text, L" | "); }

void TRunLog::SystemError(DWORD error) {
  wchar_t reason[512];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           error, 0, reason, 512, nullptr);
  while (n > 0 && (reason[n - 1] == L'\r' || reason[n - 1] == L'\n' || reason[n - 1] == L' ')) --n;
  reason[n] = L'\0';
  char number[48];
  wsprintfA(number, "Системна грешка %lu:", error);
  Line(Cp1251Text{number}, TMsgLine(reason));
}

void TRunLog::Write(TMsgLine head, const wchar_t* event, const wchar_t* separator) {
  if (File == INVALID_HANDLE_VALUE && !Pending) return;
  wchar_t line[LineChars];
  SYSTEMTIME t;
  GetLocalTime(&t);
  int n = wsprintfW(line, L"%04u-%02u-%02u %02u:%02u:%02u  ", t.wYear, t.wMonth, t.wDay,
                    t.wHour, t.wMinute, t.wSecond);
  if (head.Str) {
    const int made = MultiByteToWideChar(head.CodePage, 0, head.Str, -1, line + n, 64);
    if (made > 1) n += made - 1;
    line[n++] = L' ';
  }
  // Runs of line breaks become the separator; a leading or trailing one goes.
  const int start = n;
  const int sepLen = lstrlenW(separator);
  bool gap = false;
  for (const wchar_t* p = event; *p && n + sepLen + 3 < LineChars; ++p) {
    if (*p == L'\r' || *p == L'\n') {
      gap = n > start;
      continue;
    }
    if (gap) {
      memcpy(line + n, separator, sepLen * sizeof(wchar_t));
      n += sepLen;
      gap = false;
    }
    line[n++] = *p < L' ' ? L' ' : *p;
  }
  line[n++] = L'\r';
  line[n++] = L'\n';
  char bytes[LineChars * 3];
  const int size = WideCharToMultiByte(CP_UTF8, 0, line, n, bytes, sizeof bytes, nullptr, nullptr);
  if (size <= 0) return;
  if (File != INVALID_HANDLE_VALUE) {
    SetFilePointer(File, 0, nullptr, FILE_END);
    WriteAll(File, bytes, size);
  } else if (EarlySize + size <= sizeof Early) {
    memcpy(Early + EarlySize, bytes, size);
    EarlySize += size;
  }
}
