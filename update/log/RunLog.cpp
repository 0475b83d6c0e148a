#include "update/log/RunLog.h"

#include <string.h>

#include <memory>
#include <new>

#include "update/log/Compose.h"
#include "update/files/FileUtils.h"
#include "update/files/ProductNames.h"

namespace {

const char Bom[] = "\xEF\xBB\xBF";
const Cp1251Text TxtBox{"Съобщение:"};
enum { LineChars = 2048 };

bool WriteAll(HANDLE file, const char* bytes, DWORD size) {
  DWORD written = 0;
  return WriteFile(file, bytes, size, &written, nullptr) && written == size;
}

// Whether text begins a run's first line as this program writes it: the date and time, two
// blanks, the program's name.
bool IsStartLine(const char* text, size_t n) {
  static const char pattern[] = "0000-00-00 00:00:00  TalvoUpdate ";
  if (n < sizeof pattern - 1) return false;
  for (size_t i = 0; i < sizeof pattern - 1; ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (pattern[i] == '0' ? !digit : text[i] != pattern[i]) return false;
  }
  return true;
}

// Keeps the newest half of the limit, from the first run that begins in it, so that the log
// still begins as a log of ours; with none, only the byte-order mark stays.
void Cut(HANDLE file) {
  const DWORD keep = LogLimit / 2;
  std::unique_ptr<char[]> tail(new (std::nothrow) char[keep]);
  LONG back = -1;  // the high part of a move backwards from the end
  DWORD got = 0;
  if (!tail ||
      (SetFilePointer(file, -static_cast<LONG>(keep), &back, FILE_END) ==
           INVALID_SET_FILE_POINTER &&
       GetLastError() != NO_ERROR) ||
      !ReadFile(file, tail.get(), keep, &got, nullptr) || got != keep)
    return;
  const char* end = tail.get() + keep;
  const char* from = end;
  for (const char* p = tail.get(); (p = static_cast<const char*>(memchr(p, '\n', end - p)));) {
    ++p;
    if (IsStartLine(p, end - p)) {
      from = p;
      break;
    }
  }
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  if (WriteAll(file, Bom, 3)) {
    WriteAll(file, from, static_cast<DWORD>(end - from));
    SetEndOfFile(file);
  }
}

// Whether the open file may take the log's lines: empty, or a log this program began.
bool IsOurLog(HANDLE file) {
  DWORD high = 0;
  const DWORD size = GetFileSize(file, &high);
  if (size == 0 && high == 0) return true;
  char head[64];
  DWORD got = 0;
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  return ReadFile(file, head, sizeof head, &got, nullptr) && got > 3 && memcmp(head, Bom, 3) == 0 &&
         IsStartLine(head + 3, got - 3);
}

// The log file name in folder, opened for the run's lines: a new file, or a plain file of the
// folder that is a log of ours. INVALID_HANDLE_VALUE for anything else, which stays as it is.
HANDLE OpenLog(const TFolder& folder, const char* name) {
  const DWORD access = GENERIC_READ | GENERIC_WRITE, share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  HANDLE file = OpenEntry(folder, name, access, share, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND)
    file = OpenEntry(folder, name, access, share, CREATE_NEW);
  if (file != INVALID_HANDLE_VALUE && !IsOurLog(file)) {
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
  }
  return file;
}

// The folder of a file path given on the command line, opened, and the file's name in it
// (name: MAX_PATH bytes).
bool OpenFolderOf(const char* path, TFolder* folder, char* name) {
  char full[MAX_PATH];
  char* base = nullptr;
  const DWORD n = GetFullPathNameA(path, MAX_PATH, full, &base);
  if (n == 0 || n >= MAX_PATH || !base || base == full) return false;
  // A device is no file for the log.
  if (strncmp(full, "\\\\.\\", 4) == 0 || strncmp(full, "\\\\?\\", 4) == 0 || !IsSafeName(base)) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  strcpy(name, base);
  // A drive's root keeps its backslash.
  base[base - full == 3 && full[1] == ':' ? 0 : -1] = '\0';
  return folder->Open(full, false, true);
}

}  // namespace

bool TRunLog::Accepts(const char* file) {
  TFolder folder;
  char name[MAX_PATH];
  // A folder that does not exist takes no log: the run would leave no line anywhere.
  if (!OpenFolderOf(file, &folder, name)) return false;
  HANDLE log =
      OpenEntry(folder, name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (log == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  const bool ours = IsOurLog(log);
  CloseHandle(log);
  return ours;
}

TRunLog::TRunLog(const char* file) {
  if (!file) return;
  Given = true;
  Pending = false;
  TFolder folder;
  char name[MAX_PATH];
  if (OpenFolderOf(file, &folder, name)) Open(folder, name);
}

TRunLog::~TRunLog() {
  if (File != INVALID_HANDLE_VALUE) CloseHandle(File);
}

void TRunLog::Attach(const TFolder& productFolder) {
  if (Given || !Pending) return;
  Pending = false;
  Open(productFolder, LogFileName);
  if (File != INVALID_HANDLE_VALUE) {
    SetFilePointer(File, 0, nullptr, FILE_END);
    WriteAll(File, Early, static_cast<DWORD>(EarlySize));
  }
}

void TRunLog::Open(const TFolder& folder, const char* name) {
  HANDLE file = OpenLog(folder, name);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD high = 0;
  const DWORD size = GetFileSize(file, &high);
  if (size == 0 && high == 0 && !WriteAll(file, Bom, 3)) {
    CloseHandle(file);
    return;
  }
  if (high || size > LogLimit) Cut(file);
  File = file;
}

void TRunLog::Line(const TMsgLine& a, const TMsgLine& b, const TMsgLine& c, const TMsgLine& d) {
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
  int n = wsprintfW(line, L"%04u-%02u-%02u %02u:%02u:%02u  ", t.wYear, t.wMonth, t.wDay, t.wHour,
                    t.wMinute, t.wSecond);
  if (head.Present()) {
    const int made = MultiByteToWideChar(head.CodePage, 0, head.Str(), -1, line + n, 64);
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
