#include "unzip/ImageHash.h"

#include <string.h>

#include <memory>
#include <new>

#include "update/medium/Crypto.h"

namespace {

const DWORD kLargestImage = 4 * 1024 * 1024;
const DWORD kPe32Magic = 0x10b;
// Offsets in the optional header of PE32.
const DWORD kChecksumAt = 64, kCertificatesAt = 128;

DWORD Word32(const BYTE* at) {
  DWORD value;
  memcpy(&value, at, sizeof value);
  return value;
}

}  // namespace

bool ImageHash(HANDLE file, BYTE (&hash)[HashBytes]) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size) || size.QuadPart > kLargestImage || size.QuadPart < 0x40) {
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return false;
  }
  const DWORD length = size.LowPart;
  std::unique_ptr<BYTE[]> bytes(new (std::nothrow) BYTE[length]);
  DWORD got = 0;
  if (!bytes) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  if (!ReadFile(file, bytes.get(), length, &got, nullptr)) return false;
  const BYTE* image = bytes.get();
  const DWORD pe = Word32(image + 0x3c);
  const DWORD optional = pe + 24;
  if (got != length || pe > length || length - pe < 24 + kCertificatesAt + 8 ||
      memcmp(image + pe, "PE\0\0", 4) != 0 ||
      (image[optional] | image[optional + 1] << 8) != kPe32Magic) {
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return false;
  }
  const DWORD checksum = optional + kChecksumAt, certificates = optional + kCertificatesAt;
  // A signature appends its table at the end: what lies from there on is not the image's.
  DWORD end = Word32(image + certificates);
  if (end < certificates + 8 || end > length) end = length;
  TCryptProvider provider;
  TSha256 sha;
  return sha.Start(provider) && sha.Add(image, checksum) &&
         sha.Add(image + checksum + 4, certificates - checksum - 4) &&
         sha.Add(image + certificates + 8, end - certificates - 8) && sha.Finish(hash);
}
