// Scenario support: paths, files, test folders, media and the floppy drive.
#include "Scenario.h"

#include <cstdint>

#include "Driver.h"

namespace ui {

namespace {

// Wine's own conversions, exported by its kernel32.
using ToDos = WCHAR*(CDECL*)(const char*);
using ToUnix = char*(CDECL*)(const WCHAR*);

FARPROC WineEntry(const char* name) { return GetProcAddress(GetModuleHandleW(L"kernel32"), name); }

std::wstring Env(const wchar_t* name) {
  wchar_t value[MAX_PATH * 2];
  DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH * 2);
  return n && n < MAX_PATH * 2 ? std::wstring(value, n) : std::wstring();
}

// A Linux path quoted for /bin/sh; empty if it cannot be quoted simply.
std::string ShellQuoted(const std::string& path) {
  if (path.empty() || path.find_first_of("'\"") != std::string::npos) return std::string();
  return "'" + path + "'";
}

// Points the prefix's drive a: at a Linux folder.
bool PointDriveA(const std::string& target) {
  const std::string prefix = Utf8(Env(L"WINEPREFIX"));
  const std::string link = ShellQuoted(prefix + "/dosdevices/a:");
  const std::string to = ShellQuoted(target);
  if (prefix.empty() || link.empty() || to.empty()) return false;
  return RunUnix("ln -sfn " + to + " " + link);
}

}  // namespace

std::vector<std::string> LogEvents(const std::string& log) {
  std::vector<std::string> events;
  if (log.compare(0, 3, "\xEF\xBB\xBF") != 0) events.push_back("<malformed> no byte-order mark");
  const auto digits = [&](size_t at, size_t n) {
    for (size_t i = at; i < at + n; ++i)
      if (log[i] < '0' || log[i] > '9') return false;
    return true;
  };
  for (size_t at = 3, end; at < log.size(); at = end + 2) {
    end = log.find("\r\n", at);
    if (end == std::string::npos) end = log.size();
    const bool dated = end - at >= 21 && digits(at, 4) && log[at + 4] == '-' &&
                       digits(at + 5, 2) && log[at + 7] == '-' && digits(at + 8, 2) &&
                       log[at + 10] == ' ' && digits(at + 11, 2) && log[at + 13] == ':' &&
                       digits(at + 14, 2) && log[at + 16] == ':' && digits(at + 17, 2) &&
                       log.compare(at + 19, 2, "  ") == 0;
    if (!dated || end == log.size())
      events.push_back("<malformed> " + log.substr(at, end - at));
    else
      events.push_back(log.substr(at + 21, end - at - 21));
  }
  return events;
}

bool RunUnix(const std::string& command) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  static int count = 0;
  const std::wstring marker = Join(temp, L"talvo-unix-" + std::to_wstring(GetCurrentProcessId()) +
                                             L"-" + std::to_wstring(++count));
  const std::string status = UnixPath(marker);
  if (status.empty() || command.find('"') != std::string::npos) return false;
  // Wine starts a Linux program that a Windows program starts by its Z:\ path, but gives no
  // handle to wait on: the shell leaves its exit status in a marker file, written under
  // another name first so that it is seen whole.
  std::wstring cmd = L"Z:\\bin\\sh -c \"" + Wide(command) + L"; echo $? >'" + Wide(status) +
                     L".part' && mv '" + Wide(status) + L".part' '" + Wide(status) + L"'\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    return false;
  }
  if (pi.hProcess) CloseHandle(pi.hProcess);
  if (pi.hThread) CloseHandle(pi.hThread);
  std::string code;
  const bool done = WaitUntil([&] { return ReadFile(marker, &code); });
  DeleteFileW(marker.c_str());
  return done && code.compare(0, 1, "0") == 0 && (code.size() == 1 || code[1] == '\n');
}

std::wstring WindowsPath(const std::string& unixPath) {
  ToDos toDos = reinterpret_cast<ToDos>(reinterpret_cast<void*>(WineEntry("wine_get_dos_file_name")));
  WCHAR* dos = toDos ? toDos(unixPath.c_str()) : nullptr;
  if (!dos) return std::wstring();
  std::wstring path(dos);
  HeapFree(GetProcessHeap(), 0, dos);
  return path;
}

std::string UnixPath(const std::wstring& windowsPath) {
  ToUnix toUnix =
      reinterpret_cast<ToUnix>(reinterpret_cast<void*>(WineEntry("wine_get_unix_file_name")));
  char* unix = toUnix && !windowsPath.empty() ? toUnix(windowsPath.c_str()) : nullptr;
  if (!unix) return std::string();
  std::string path(unix);
  HeapFree(GetProcessHeap(), 0, unix);
  return path;
}

std::wstring Join(const std::wstring& dir, const std::wstring& name) {
  if (!dir.empty() && dir.back() == L'\\') return dir + name;
  return dir + L"\\" + name;
}

std::wstring UpdaterExe() {
#ifdef TALVO_UPDATER_EXE
  return WindowsPath(TALVO_UPDATER_EXE);
#else
  return std::wstring();
#endif
}

std::wstring UnzDll() {
#ifdef TALVO_UNZDLL
  return WindowsPath(TALVO_UNZDLL);
#else
  return std::wstring();
#endif
}

std::wstring ProbeDll() { return WindowsPath(TALVO_UIPROBE_DLL); }

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDir(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool WriteFile(const std::wstring& path, const std::string& bytes) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  CloseHandle(f);
  return ok;
}

bool ReadFile(const std::wstring& path, std::string* bytes) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  bytes->clear();
  char chunk[4096];
  DWORD got = 0;
  bool ok;
  while ((ok = ::ReadFile(f, chunk, sizeof chunk, &got, nullptr)) && got) bytes->append(chunk, got);
  CloseHandle(f);
  return ok;
}

bool MakeDir(const std::wstring& path) {
  return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool CopyInto(const std::wstring& file, const std::wstring& dir) {
  const size_t slash = file.find_last_of(L"\\/");
  const std::wstring name = slash == std::wstring::npos ? file : file.substr(slash + 1);
  return !file.empty() && CopyFileW(file.c_str(), Join(dir, name).c_str(), FALSE);
}

bool RemoveTree(const std::wstring& path) {
  const DWORD attr = GetFileAttributesW(path.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES) return true;
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attr & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileW(path.c_str()) != 0;
  if (!(attr & FILE_ATTRIBUTE_REPARSE_POINT)) {
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW(Join(path, L"*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = fd.cFileName;
        if (name != L"." && name != L"..") RemoveTree(Join(path, name));
      } while (FindNextFileW(find, &fd));
      FindClose(find);
    }
  }
  return RemoveDirectoryW(path.c_str()) != 0;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
  if (text.empty()) return std::string();
  const int len = static_cast<int>(text.size());
  int n = WideCharToMultiByte(codePage, 0, text.data(), len, nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(codePage, 0, text.data(), len, &out[0], n, nullptr, nullptr);
  return out;
}

namespace {

uint32_t Crc32(const std::string& data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char c : data) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// The fields that a local header and a central directory entry share, from "version needed"
// to "extra field length".
void PutCommon(std::string& out, const ZipEntry& e) {
  Put16(out, 10);      // version needed: 1.0, stored
  Put16(out, 0);       // flags
  Put16(out, 0);       // method: stored
  Put16(out, 0);       // time 00:00
  Put16(out, 0x0021);  // date 1980-01-01
  Put32(out, Crc32(e.data));
  Put32(out, static_cast<uint32_t>(e.data.size()));
  Put32(out, static_cast<uint32_t>(e.data.size()));
  Put16(out, static_cast<uint32_t>(e.name.size()));
  Put16(out, 0);  // extra field length
}

}  // namespace

bool WriteZip(const std::wstring& path, const std::vector<ZipEntry>& entries) {
  std::string zip, central;
  for (const ZipEntry& e : entries) {
    const uint32_t offset = static_cast<uint32_t>(zip.size());
    Put32(zip, 0x04034b50);
    PutCommon(zip, e);
    zip += e.name;
    zip += e.data;

    Put32(central, 0x02014b50);
    Put16(central, 20);  // made by: MS-DOS, 2.0
    PutCommon(central, e);
    Put16(central, 0);  // comment length
    Put16(central, 0);  // disk number
    Put16(central, 0);  // internal attributes
    Put32(central, !e.name.empty() && e.name.back() == '/' ? FILE_ATTRIBUTE_DIRECTORY : 0);
    Put32(central, offset);
    central += e.name;
  }
  const uint32_t centralOffset = static_cast<uint32_t>(zip.size());
  zip += central;
  Put32(zip, 0x06054b50);
  Put16(zip, 0);
  Put16(zip, 0);
  Put16(zip, static_cast<uint32_t>(entries.size()));
  Put16(zip, static_cast<uint32_t>(entries.size()));
  Put32(zip, static_cast<uint32_t>(central.size()));
  Put32(zip, centralOffset);
  Put16(zip, 0);  // comment length
  return WriteFile(path, zip);
}

std::wstring MakeMedium(const std::wstring& dir) {
  if (!MakeDir(dir) || !CopyInto(UpdaterExe(), dir) || !CopyInto(UnzDll(), dir)) {
    return std::wstring();
  }
  return Join(dir, L"TalvoUpdate.exe");
}

TempDir::TempDir() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring base = Join(temp, L"talvo-ui-" + std::to_wstring(GetCurrentProcessId()));
  for (int n = 1;; ++n) {
    path_ = base + L"-" + std::to_wstring(n);
    if (CreateDirectoryW(path_.c_str(), nullptr)) return;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return;
  }
}

TempDir::~TempDir() { RemoveTree(path_); }

std::wstring TempDir::Sub(const std::wstring& relative) const {
  std::wstring path = path_;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = relative.find(L'\\', start);
    if (end == std::wstring::npos) end = relative.size();
    if (end > start) {
      path = Join(path, relative.substr(start, end - start));
      MakeDir(path);
    }
    start = end + 1;
  }
  return path;
}

Floppy::~Floppy() {
  const std::string prefix = Utf8(Env(L"WINEPREFIX"));
  const size_t slash = prefix.find_last_of('/');
  if (slash != std::string::npos) PointDriveA(prefix.substr(0, slash) + "/floppy");
}

bool Floppy::SwapDisk(const std::wstring& folder) {
  return IsDir(folder) && PointDriveA(UnixPath(folder));
}

}  // namespace ui
