// Files for tests: paths, reading and writing, folders of a test's own.
#include "Files.h"

#include "Driver.h"

namespace support {

namespace {

// Wine's own conversions, exported by its kernel32.
using ToDos = WCHAR*(CDECL*)(const char*);
using ToUnix = char*(CDECL*)(const WCHAR*);

FARPROC WineEntry(const char* name) { return GetProcAddress(GetModuleHandleW(L"kernel32"), name); }

template <class Text>
Text JoinAny(const Text& dir, const Text& name) {
  if (!dir.empty() && dir.back() == '\\') return dir + name;
  return dir + Text(1, '\\') + name;
}

}  // namespace

FilePath::FilePath(const std::string& ansi) {
  const int n =
      MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  path_.resize(n);
  if (n) MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &path_[0], n);
}

std::wstring Join(const std::wstring& dir, const std::wstring& name) { return JoinAny(dir, name); }
std::string Join(const std::string& dir, const std::string& name) { return JoinAny(dir, name); }

DWORD Attributes(const FilePath& path) { return GetFileAttributesW(path.c_str()); }

bool Exists(const FilePath& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool IsDir(const FilePath& path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool WriteFile(const FilePath& path, const std::string& bytes) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  return CloseHandle(f) && ok;
}

bool WriteZip(const FilePath& path, const std::vector<ZipEntry>& entries) {
  return WriteFile(path, Zip(entries));
}

bool ReadFile(const FilePath& path, std::string* bytes) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  bytes->clear();
  char chunk[65536];
  DWORD got = 0;
  bool ok;
  while ((ok = ::ReadFile(f, chunk, sizeof chunk, &got, nullptr)) && got) bytes->append(chunk, got);
  CloseHandle(f);
  return ok;
}

std::string Read(const FilePath& path) {
  std::string bytes;
  return ReadFile(path, &bytes) ? bytes : "<missing>";
}

bool MakeDir(const FilePath& path) {
  return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool CopyInto(const FilePath& file, const FilePath& dir) {
  const std::wstring& path = file.wide();
  const size_t slash = path.find_last_of(L"\\/");
  const std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  return !path.empty() && CopyFileW(path.c_str(), Join(dir.wide(), name).c_str(), FALSE);
}

bool RemoveTree(const FilePath& path) {
  const DWORD attr = GetFileAttributesW(path.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES) return true;
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attr & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileW(path.c_str()) != 0;
  if (!(attr & FILE_ATTRIBUTE_REPARSE_POINT)) {
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW(Join(path.wide(), L"*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = fd.cFileName;
        if (name != L"." && name != L"..") RemoveTree(Join(path.wide(), name));
      } while (FindNextFileW(find, &fd));
      FindClose(find);
    }
  }
  return RemoveDirectoryW(path.c_str()) != 0;
}

std::vector<std::wstring> PlantLibraries(const std::wstring& dir, const std::string& unixPath) {
  char overrides[512] = "";
  GetEnvironmentVariableA("TALVO_WINE_OVERRIDES", overrides, sizeof overrides);
  std::vector<std::wstring> names;
  std::string name;
  for (const char* c = overrides; *c && *c != '='; ++c) {
    if (*c != ',') name += *c;
    if (*c == ',' || c[1] == '=') {
      names.push_back(std::wstring(name.begin(), name.end()) + L".dll");
      if (!CopyFileW(WindowsPath(unixPath).c_str(), Join(dir, names.back()).c_str(), FALSE))
        return {};
      name.clear();
    }
  }
  return names;
}

std::wstring WindowsPath(const std::string& unixPath) {
  ToDos toDos =
      reinterpret_cast<ToDos>(reinterpret_cast<void*>(WineEntry("wine_get_dos_file_name")));
  WCHAR* dos = toDos ? toDos(unixPath.c_str()) : nullptr;
  if (!dos) return std::wstring();
  std::wstring path(dos);
  HeapFree(GetProcessHeap(), 0, dos);
  return path;
}

std::string UnixPath(const FilePath& windowsPath) {
  ToUnix toUnix =
      reinterpret_cast<ToUnix>(reinterpret_cast<void*>(WineEntry("wine_get_unix_file_name")));
  char* unix = toUnix && *windowsPath.c_str() ? toUnix(windowsPath.c_str()) : nullptr;
  if (!unix) return std::string();
  std::string path(unix);
  HeapFree(GetProcessHeap(), 0, unix);
  return path;
}

std::string OwnFolder() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string own(path, n < MAX_PATH ? n : 0);
  return own.substr(0, own.find_last_of('\\'));
}

std::string CurrentDir() {
  char dir[MAX_PATH];
  const DWORD n = GetCurrentDirectoryA(MAX_PATH, dir);
  return n > 0 && n < MAX_PATH ? std::string(dir) : std::string();
}

TempDir::TempDir() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring base = Join(temp, L"talvo-" + std::to_wstring(GetCurrentProcessId()));
  for (int n = 1;; ++n) {
    path_ = base + L"-" + std::to_wstring(n);
    if (CreateDirectoryW(path_.c_str(), nullptr) || GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  ansi_ = ui::Narrow(path_, CP_ACP);
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

}  // namespace support
