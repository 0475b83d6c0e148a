#include "pack/Files.h"

#include <string.h>

#include "pack/Encoding.h"
#include "update/files/SystemEntry.h"

namespace {

const DWORD Chunk = 64 * 1024;

std::vector<std::wstring> made;

const DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The name the system reached the open file or folder by, links resolved; empty where the
// system cannot tell.
std::wstring FinalPath(HANDLE handle) {
  using FinalFn = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
  auto final = SystemEntry<FinalFn>("kernel32.dll", "GetFinalPathNameByHandleW");
  wchar_t name[2 * MAX_PATH];
  const DWORD n = final ? final(handle, name, 2 * MAX_PATH, 0) : 0;
  return n && n < 2 * MAX_PATH ? std::wstring(name, n) : std::wstring();
}

HANDLE OpenAny(const std::wstring& path) {
  return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, ShareAll, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
  if (!folder.empty() && folder.back() == L'\\') return folder + name;
  return folder + L"\\" + name;
}

std::wstring FullPath(const std::wstring& path) {
  wchar_t full[MAX_PATH];
  const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  if (n == 0 || n >= MAX_PATH) return path;
  std::wstring out(full, n);
  // A drive's root keeps its backslash: C:\ names the root, C: the drive's current folder.
  if (out.size() > 3 && out.back() == L'\\') out.pop_back();
  return out;
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ListFolder(const std::wstring& folder, std::vector<TFound>* out) {
  out->clear();
  WIN32_FIND_DATAW d = {};
  const HANDLE find = FindFirstFileW(Join(folder, L"*").c_str(), &d);
  if (find == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    const std::wstring name = d.cFileName;
    if (name == L"." || name == L"..") continue;
    out->push_back({name, (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                    (ULONGLONG(d.nFileSizeHigh) << 32) | d.nFileSizeLow, d.ftLastWriteTime,
                    (d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
  } while (FindNextFileW(find, &d));
  const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
  FindClose(find);
  return complete;
}

bool SameBytes(const std::wstring& a, const std::wstring& b) {
  TReadFile one(a), two(b);
  std::vector<char> x(Chunk), y(Chunk);
  DWORD gotX = 0, gotY = 0;
  do {
    if (!one.Read(x.data(), Chunk, &gotX) || !two.Read(y.data(), Chunk, &gotY) || gotX != gotY ||
        memcmp(x.data(), y.data(), gotX) != 0)
      return false;
  } while (gotX);
  return true;
}

bool ReadWhole(const std::wstring& path, size_t limit, std::string* bytes) {
  TReadFile file(path);
  char chunk[4096];
  bytes->clear();
  for (DWORD got = 1; got;) {
    if (!file.Read(chunk, sizeof chunk, &got) || bytes->size() + got > limit) return false;
    bytes->append(chunk, got);
  }
  return true;
}

bool WriteNew(const std::wstring& path, const std::string& bytes) {
  TWriteFile file(path);
  return file.Write(bytes.data(), bytes.size()) && file.Close();
}

bool MakeFolder(const std::wstring& path) {
  if (!CreateDirectoryW(path.c_str(), nullptr)) return false;
  made.push_back(path);
  return true;
}

bool CopyNew(const std::wstring& from, const std::wstring& to) {
  if (!CopyFileW(from.c_str(), to.c_str(), TRUE)) return false;
  made.push_back(to);
  return true;
}

void RemoveMade() {
  for (auto it = made.rbegin(); it != made.rend(); ++it) {
    const DWORD attributes = GetFileAttributesW(it->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) continue;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
      RemoveDirectoryW(it->c_str());
    else
      DeleteFileW(it->c_str());
  }
  made.clear();
}

TEntry OpenAsEntry(const std::wstring& folder, const std::wstring& name, DWORD* names) {
  const HANDLE entry = OpenAny(Join(folder, name));
  if (entry == INVALID_HANDLE_VALUE) return TEntry::Unopened;
  BY_HANDLE_FILE_INFORMATION info;
  const bool known = GetFileInformationByHandle(entry, &info);
  const DWORD error = GetLastError();
  const std::wstring got = FinalPath(entry);
  CloseHandle(entry);
  if (!known) {
    SetLastError(error);
    return TEntry::Unopened;
  }
  *names = info.nNumberOfLinks;
  const HANDLE parent = OpenAny(folder);
  const std::wstring at = parent == INVALID_HANDLE_VALUE ? std::wstring() : FinalPath(parent);
  if (parent != INVALID_HANDLE_VALUE) CloseHandle(parent);
  return at.empty() || (!got.empty() && Upper(got) == Upper(Join(at, name))) ? TEntry::Own
                                                                             : TEntry::Elsewhere;
}

bool RemoveTree(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_FILE_NOT_FOUND;
  if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileW(path.c_str()) != FALSE;
  // A linked folder goes as a link: what it points to is not ours.
  std::vector<TFound> entries;
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT) && ListFolder(path, &entries))
    for (const TFound& e : entries) RemoveTree(Join(path, e.Name));
  return RemoveDirectoryW(path.c_str()) != FALSE;
}

TReadFile::TReadFile(const std::wstring& path)
    : File(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {}

TReadFile::~TReadFile() {
  if (Opened()) CloseHandle(File);
}

bool TReadFile::Read(void* buffer, DWORD size, DWORD* got) {
  *got = 0;
  return Opened() && ReadFile(File, buffer, size, got, nullptr);
}

TWriteFile::TWriteFile(const std::wstring& path)
    : File(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr)) {
  if (Opened()) made.push_back(path);
}

TWriteFile::~TWriteFile() {
  if (Opened()) CloseHandle(File);
}

bool TWriteFile::Write(const void* data, size_t size) {
  DWORD done = 0;
  if (Failed || !Opened() || size > MAXDWORD ||
      !WriteFile(File, data, static_cast<DWORD>(size), &done, nullptr) || done != size)
    Failed = true;
  else
    Written += size;
  return !Failed;
}

bool TWriteFile::Close() {
  if (!Opened() || !CloseHandle(File)) Failed = true;
  File = INVALID_HANDLE_VALUE;
  return !Failed;
}
