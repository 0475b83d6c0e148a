#include "update/medium/OneFile.h"

#include <string.h>

#include "update/files/ProductNames.h"

namespace {

struct TTail {
  DWORD Count;
  DWORD Version;
  char Magic[8];
};

}  // namespace

TOneFile::~TOneFile() {
  if (File != INVALID_HANDLE_VALUE) CloseHandle(File);
}

bool TOneFile::ReadAt(DWORD offset, void* buffer, DWORD size) const {
  LONG high = 0;
  DWORD got = 0;
  if ((SetFilePointer(File, static_cast<LONG>(offset), &high, FILE_BEGIN) ==
           INVALID_SET_FILE_POINTER &&
       GetLastError() != NO_ERROR) ||
      !ReadFile(File, buffer, size, &got, nullptr))
    return false;
  if (got == size) return true;
  SetLastError(ERROR_HANDLE_EOF);
  return false;
}

TOneFileState TOneFile::Open(const wchar_t* path, const IMAGE_NT_HEADERS32& headers) {
  if (File != INVALID_HANDLE_VALUE) CloseHandle(File);
  Members = 0;
  lstrcpynW(Name, path, MAX_PATH);
  // Shared for reading only: nobody writes, renames or deletes it while it is read.
  File = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD high = 0;
  const DWORD size = GetFileSize(File, &high);
  Kind = TOneFileState::Damaged;
  if (File == INVALID_HANDLE_VALUE || (size == INVALID_FILE_SIZE && GetLastError()) || high)
    return Kind;
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(&headers);
  ULONGLONG image = headers.OptionalHeader.SizeOfHeaders;
  for (int i = 0; i < headers.FileHeader.NumberOfSections; ++i, ++section) {
    const ULONGLONG end = ULONGLONG(section->PointerToRawData) + section->SizeOfRawData;
    if (section->SizeOfRawData && end > image) image = end;
  }
  const IMAGE_DATA_DIRECTORY& signature =
      headers.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY];
  DWORD end = size;
  if (signature.VirtualAddress && signature.Size) {
    if (ULONGLONG(signature.VirtualAddress) + signature.Size > size) return Kind;
    end = signature.VirtualAddress;
  }
  if (image > end) return Kind;
  Image = static_cast<DWORD>(image);
  if (end == Image) return Kind = TOneFileState::None;
  if (ReadTable(end)) Kind = TOneFileState::Carried;
  return Kind;
}

bool TOneFile::ReadTable(DWORD end) {
  BYTE tail[sizeof(TTail) + 7];
  DWORD n = end - Image < sizeof tail ? end - Image : sizeof tail;
  if (n < sizeof(TTail) || !ReadAt(end - n, tail, n)) return false;
  // A signing tool may have padded the payload with zeros before its certificate table.
  for (int pad = 0; pad < 7 && n > sizeof(TTail) && !tail[n - 1]; ++pad) --n, --end;
  TTail last;
  memcpy(&last, tail + n - sizeof last, sizeof last);
  if (memcmp(last.Magic, OneFileMagic, sizeof last.Magic) != 0 || last.Version != OneFileVersion ||
      !last.Count || last.Count > OneFileMaxMembers ||
      end - Image < last.Count * sizeof(TCarried) + sizeof last)
    return false;
  const DWORD members = end - sizeof last - last.Count * sizeof(TCarried);
  if (!ReadAt(members, Table, last.Count * sizeof(TCarried))) return false;
  int archives = 0;
  for (; Members < static_cast<int>(last.Count); ++Members) {
    const TCarried& m = Table[Members];
    // An archive is written into the work folder by its name; other members are found by
    // theirs, and a name the format does not know is never used.
    const bool archive = memchr(m.Name, 0, sizeof m.Name) && IsUpdateArchive(m.Name);
    if (!memchr(m.Name, 0, sizeof m.Name) || (archive && !IsSafeName(m.Name)) || Find(m.Name) ||
        m.Offset < Image || ULONGLONG(m.Offset) + m.Size > members)
      return false;
    archives += archive;
  }
  // The library, and either a medium or a server's address: never both, never neither.
  const TCarried* source = Find(SourceName);
  if (!Find(LibraryName)) return false;
  if (!source) return Find(ManifestName) && archives;
  return source->Size <= SourceMaxBytes && !Find(ManifestName) && !archives;
}

const TCarried* TOneFile::Find(const char* name) const {
  for (int i = 0; i < Members; ++i)
    if (EqualsAsciiNoCase(Table[i].Name, name)) return &Table[i];
  return nullptr;
}

TMediumFile TOneFile::Read(const char* name, void* buffer, DWORD capacity, DWORD* size) const {
  *size = 0;
  const TCarried* member = Find(name);
  if (!member) return TMediumFile::Absent;
  if (member->Size > capacity) {
    SetLastError(ERROR_FILE_TOO_LARGE);
    return TMediumFile::Unreadable;
  }
  if (!ReadAt(member->Offset, buffer, member->Size)) return TMediumFile::Unreadable;
  *size = member->Size;
  return TMediumFile::Read;
}

bool TOneFile::CopyOut(const TCarried& member, HANDLE to) const {
  static BYTE buffer[64 * 1024];
  for (DWORD done = 0; done < member.Size;) {
    const DWORD left = member.Size - done, n = left < sizeof buffer ? left : sizeof buffer;
    DWORD wrote = 0;
    if (!ReadAt(member.Offset + done, buffer, n) || !WriteFile(to, buffer, n, &wrote, nullptr) ||
        wrote != n)
      return false;
    done += n;
  }
  return true;
}
