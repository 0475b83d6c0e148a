#include "update/medium/Edition.h"

#include <stddef.h>
#include <string.h>
#include <strsafe.h>

namespace {

// A file read in pieces at given offsets. Offsets are 64-bit, so that no sum of two fields
// of the file can wrap; a piece that the file does not hold whole is a failed read.
class TFileReader {
public:
  // Takes the handle over: closed with the reader.
  explicit TFileReader(HANDLE file) : File(file) {}
  ~TFileReader() {
    if (File != INVALID_HANDLE_VALUE) CloseHandle(File);
  }
  TFileReader(const TFileReader&) = delete;
  TFileReader& operator=(const TFileReader&) = delete;

  bool Read(ULONGLONG offset, void* buffer, DWORD size) const {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    return File != INVALID_HANDLE_VALUE && ReadFile(File, buffer, size, &got, &at) && got == size;
  }

private:
  HANDLE File;
};

// The resource tree of a PE file: reads at offsets from its root, within the bytes its
// section has in the file.
class TResourceTree {
public:
  explicit TResourceTree(const TFileReader& file) : File(file) {}

  bool Find() {
    IMAGE_DOS_HEADER dos;
    if (!File.Read(0, &dos, sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) return false;
    const ULONGLONG pe = static_cast<DWORD>(dos.e_lfanew);
    IMAGE_NT_HEADERS32 nt;
    const DWORD entry = IMAGE_DIRECTORY_ENTRY_RESOURCE;
    const DWORD needed = offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory[entry + 1]);
    if (!File.Read(pe, &nt, sizeof nt) || nt.Signature != IMAGE_NT_SIGNATURE ||
        nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC ||
        nt.FileHeader.SizeOfOptionalHeader < needed ||
        nt.OptionalHeader.NumberOfRvaAndSizes <= entry)
      return false;
    const IMAGE_DATA_DIRECTORY resources = nt.OptionalHeader.DataDirectory[entry];
    if (!resources.VirtualAddress) return false;

    const ULONGLONG sections =
        pe + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader;
    for (DWORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
      IMAGE_SECTION_HEADER s;
      if (!File.Read(sections + i * sizeof s, &s, sizeof s)) return false;
      if (resources.VirtualAddress < s.VirtualAddress) continue;
      const DWORD into = resources.VirtualAddress - s.VirtualAddress;
      if (into >= s.SizeOfRawData) continue;
      Rva = resources.VirtualAddress;
      Offset = static_cast<ULONGLONG>(s.PointerToRawData) + into;
      Size = s.SizeOfRawData - into;
      return true;
    }
    return false;
  }

  // size bytes at this offset from the root.
  bool Read(ULONGLONG at, void* buffer, DWORD size) const {
    return at + size <= Size && File.Read(Offset + at, buffer, size);
  }

  // The entry of the directory at dir with this id, or its first entry when id is 0; true
  // with the entry's offset when it leads to a subdirectory exactly when sub.
  bool Enter(DWORD dir, WORD id, bool sub, DWORD* next) const {
    IMAGE_RESOURCE_DIRECTORY head;
    if (!Read(dir, &head, sizeof head)) return false;
    // Named entries come first; an id is only among the rest.
    const DWORD all = head.NumberOfNamedEntries + head.NumberOfIdEntries;
    for (DWORD i = id ? head.NumberOfNamedEntries : 0; i < all; ++i) {
      IMAGE_RESOURCE_DIRECTORY_ENTRY e;
      if (!Read(dir + sizeof head + ULONGLONG(i) * sizeof e, &e, sizeof e)) return false;
      if (id && e.Name != id) continue;
      if (e.DataIsDirectory != sub) return false;
      *next = e.OffsetToDirectory;
      return true;
    }
    return false;
  }

  // The resource data that the data entry at this offset describes, at least size bytes of
  // it; its whole size in *whole.
  bool ReadData(DWORD entry, void* buffer, DWORD size, DWORD* whole) const {
    IMAGE_RESOURCE_DATA_ENTRY data;
    if (!Read(entry, &data, sizeof data) || data.OffsetToData < Rva || data.Size < size)
      return false;
    *whole = data.Size;
    return Read(data.OffsetToData - Rva, buffer, size);
  }

private:
  const TFileReader& File;
  DWORD Rva = 0;         // of the root
  ULONGLONG Offset = 0;  // of the root in the file
  DWORD Size = 0;        // bytes of the section from the root on
};

// The head of a version resource (VS_VERSIONINFO): its lengths, type and key, then its
// value, the fixed information, aligned to 4 bytes.
struct TVersionHead {
  WORD Length;
  WORD ValueLength;
  WORD Type;
  WCHAR Key[16];
  WORD Padding;
  VS_FIXEDFILEINFO Fixed;
};
static_assert(sizeof(TVersionHead) == 92, "VS_VERSIONINFO head as stored");

// Shared every way: the installed program may be running.
const DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool ReadVersion(HANDLE handle, TVersion* out) {
  TFileReader file(handle);
  TResourceTree tree(file);
  DWORD names, languages, data, size;
  TVersionHead head;
  // The version type, its first name, that name's first language.
  if (!tree.Find() || !tree.Enter(0, LOWORD(RT_VERSION), true, &names) ||
      !tree.Enter(names, 0, true, &languages) || !tree.Enter(languages, 0, false, &data) ||
      !tree.ReadData(data, &head, sizeof head, &size))
    return false;
  if (head.Length < sizeof head || head.Length > size || head.ValueLength < sizeof head.Fixed ||
      memcmp(head.Key, L"VS_VERSION_INFO", sizeof head.Key) != 0 ||
      head.Fixed.dwSignature != VS_FFI_SIGNATURE)
    return false;
  out->Ms = head.Fixed.dwFileVersionMS;
  out->Ls = head.Fixed.dwFileVersionLS;
  return true;
}

}  // namespace

bool ReadFileVersion(const char* path, TVersion* out) {
  return ReadVersion(CreateFileA(path, GENERIC_READ, ShareAll, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr),
                     out);
}

bool ReadFileVersionW(const wchar_t* path, TVersion* out) {
  return ReadVersion(CreateFileW(path, GENERIC_READ, ShareAll, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr),
                     out);
}

void FormatVersion(TVersion version, char* out) {
  StringCchPrintfA(out, VersionTextSize, "%u.%u.%u.%u", HIWORD(version.Ms), LOWORD(version.Ms),
                   HIWORD(version.Ls), LOWORD(version.Ls));
}
