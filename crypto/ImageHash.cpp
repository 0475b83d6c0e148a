#include "crypto/ImageHash.h"

#include <new>

#include "crypto/Crypto.h"

const IMAGE_NT_HEADERS32* PeHeaders(const void* bytes, size_t size) {
  const char* head = static_cast<const char*>(bytes);
  if (size < sizeof(IMAGE_DOS_HEADER) || head[0] != 'M' || head[1] != 'Z') return nullptr;
  const DWORD at = reinterpret_cast<const IMAGE_DOS_HEADER*>(head)->e_lfanew;
  if (at > size || size - at < sizeof(IMAGE_NT_HEADERS32)) return nullptr;
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(head + at);
  const size_t table = reinterpret_cast<const char*>(IMAGE_FIRST_SECTION(nt)) - head;
  const bool fits = table + nt->FileHeader.NumberOfSections * sizeof(IMAGE_SECTION_HEADER) <= size;
  return nt->Signature == IMAGE_NT_SIGNATURE &&
                 nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC &&
                 nt->OptionalHeader.NumberOfRvaAndSizes > IMAGE_DIRECTORY_ENTRY_SECURITY && fits
             ? nt
             : nullptr;
}

bool ReadImage(HANDLE file, std::unique_ptr<BYTE[]>* bytes, DWORD* size) {
  LARGE_INTEGER length;
  if (!GetFileSizeEx(file, &length) || length.QuadPart > LargestImage) {
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return false;
  }
  bytes->reset(new (std::nothrow) BYTE[length.LowPart + 1]);
  if (!*bytes) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  // A byte past the size tells a file that grew meanwhile.
  DWORD got = 0;
  if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
      !ReadFile(file, bytes->get(), length.LowPart + 1, &got, nullptr))
    return false;
  if (got != length.LowPart) {
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return false;
  }
  *size = got;
  return true;
}

bool ImageHash(const BYTE* image, DWORD length, BYTE (&hash)[HashBytes]) {
  const IMAGE_NT_HEADERS32* nt = length >= 0x40 ? PeHeaders(image, length) : nullptr;
  if (!nt) {
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return false;
  }
  const IMAGE_OPTIONAL_HEADER32& optional = nt->OptionalHeader;
  const IMAGE_DATA_DIRECTORY& table = optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY];
  const DWORD checksum = reinterpret_cast<const BYTE*>(&optional.CheckSum) - image;
  const DWORD certificates = reinterpret_cast<const BYTE*>(&table) - image;
  // A signature appends its table at the end: what lies from there on is not the image's.
  DWORD end = table.VirtualAddress;
  if (end < certificates + 8 || end > length) end = length;
  TCryptProvider provider;
  TSha256 sha;
  return sha.Start(provider) && sha.Add(image, checksum) &&
         sha.Add(image + checksum + 4, certificates - checksum - 4) &&
         sha.Add(image + certificates + 8, end - certificates - 8) && sha.Finish(hash);
}

bool ImageHash(HANDLE file, BYTE (&hash)[HashBytes]) {
  std::unique_ptr<BYTE[]> bytes;
  DWORD size = 0;
  return ReadImage(file, &bytes, &size) && ImageHash(bytes.get(), size, hash);
}
