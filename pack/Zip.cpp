#include "pack/Zip.h"

#include <windows.h>
#include <zlib.h>

#include "pack/Encoding.h"
#include "pack/Files.h"

namespace {

const DWORD Chunk = 64 * 1024;
const uint16_t Utf8Names = 0x0800;

// What compressing a file gave.
struct TDigest {
  uint32_t Crc = 0;
  unsigned long long Size = 0;
  unsigned long long Packed = 0;
};

// Deflates (or copies) the file into out, or only counts when out is null.
bool Pack(const std::wstring& path, bool deflated, TWriteFile* out, TDigest* digest) {
  TReadFile in(path);
  z_stream z = {};
  if (!in.Opened() || (deflated && deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8,
                                                Z_DEFAULT_STRATEGY) != Z_OK))
    return false;
  std::vector<Bytef> raw(Chunk), packed(Chunk);
  uLong crc = crc32(0, nullptr, 0);
  bool ok = true;
  for (DWORD got = 1; ok && got;) {
    ok = in.Read(raw.data(), Chunk, &got);
    if (!ok) break;
    crc = crc32(crc, raw.data(), got);
    digest->Size += got;
    if (!deflated) {
      digest->Packed += got;
      ok = !out || out->Write(raw.data(), got);
      continue;
    }
    z.next_in = raw.data();
    z.avail_in = got;
    do {
      z.next_out = packed.data();
      z.avail_out = Chunk;
      ok = deflate(&z, got ? Z_NO_FLUSH : Z_FINISH) != Z_STREAM_ERROR;
      const DWORD made = Chunk - z.avail_out;
      digest->Packed += made;
      ok = ok && (!out || out->Write(packed.data(), made));
    } while (ok && z.avail_out == 0);
  }
  if (deflated) deflateEnd(&z);
  digest->Crc = crc;
  return ok && digest->Size <= LargestMember;
}

// DOS time and date of the local time at that moment (the time zone's rule of that day, so
// that the archive does not change with the season it is made in); 1980 to 2107.
void DosTime(FILETIME written, uint16_t* time, uint16_t* date) {
  SYSTEMTIME utc, local;
  if (!FileTimeToSystemTime(&written, &utc) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) || local.wYear < 1980) {
    *time = 0;
    *date = (1 << 5) | 1;
  } else if (local.wYear > 2107) {
    *time = (23 << 11) | (59 << 5) | 29;
    *date = (127 << 9) | (12 << 5) | 31;
  } else {
    *time = static_cast<uint16_t>((local.wHour << 11) | (local.wMinute << 5) | (local.wSecond / 2));
    *date = static_cast<uint16_t>(((local.wYear - 1980) << 9) | (local.wMonth << 5) | local.wDay);
  }
}

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// The fields that a local header and a central directory entry share, from "version
// needed" to "extra field length".
void PutCommon(std::string& out, const TMember& m) {
  Put16(out, m.Deflated ? 20 : 10);
  Put16(out, Utf8Names);
  Put16(out, m.Deflated ? Z_DEFLATED : 0);
  Put16(out, m.Time);
  Put16(out, m.Date);
  Put32(out, m.Crc);
  Put32(out, m.Packed);
  Put32(out, m.Size);
  Put16(out, static_cast<uint32_t>(m.Name.size()));
  Put16(out, 0);
}

}  // namespace

bool Measure(const TEditionFile& file, TMember* out) {
  TDigest digest;
  if (!Pack(file.Path, true, nullptr, &digest)) return false;
  out->File = &file;
  out->Name = Utf8(file.Name);
  DosTime(file.Written, &out->Time, &out->Date);
  out->Crc = digest.Crc;
  out->Size = static_cast<uint32_t>(digest.Size);
  out->Deflated = digest.Packed < digest.Size;
  out->Packed = out->Deflated ? static_cast<uint32_t>(digest.Packed) : out->Size;
  return true;
}

unsigned long long MemberBytes(const TMember& m) { return 30 + 46 + 2 * m.Name.size() + m.Packed; }

TFailure WriteArchive(const std::wstring& path, const std::vector<const TMember*>& members) {
  TWriteFile out(path);
  std::string central;
  for (const TMember* m : members) {
    const uint32_t offset = static_cast<uint32_t>(out.Offset());
    std::string local;
    Put32(local, 0x04034b50);
    PutCommon(local, *m);
    local += m->Name;
    TDigest digest;
    if (!out.Write(local.data(), local.size())) break;
    if (!Pack(m->File->Path, m->Deflated, &out, &digest))
      return FailedCall(NotMade, m->File->Path, L": не може да се прочете");
    // Read again to be written: it must be what was measured.
    if (digest.Crc != m->Crc || digest.Size != m->Size || digest.Packed != m->Packed)
      return Failed(NotMade, m->File->Path, L": файлът се промени, докато се архивираше.");
    Put32(central, 0x02014b50);
    Put16(central, 20);  // made by: version 2.0, MS-DOS attributes
    PutCommon(central, *m);
    Put16(central, 0);  // comment
    Put16(central, 0);  // disk
    Put16(central, 0);  // internal attributes
    Put32(central, 0);  // external attributes
    Put32(central, offset);
    central += m->Name;
  }
  const uint32_t count = static_cast<uint32_t>(members.size());
  std::string end;
  Put32(end, 0x06054b50);
  Put32(end, 0);  // this disk, the central directory's disk
  Put16(end, count);
  Put16(end, count);
  Put32(end, static_cast<uint32_t>(central.size()));
  Put32(end, static_cast<uint32_t>(out.Offset()));
  Put16(end, 0);  // comment
  if (!out.Write(central.data(), central.size()) || !out.Write(end.data(), end.size()) ||
      !out.Close())
    return FailedCall(NotMade, path, L": не може да се запише");
  return {};
}
