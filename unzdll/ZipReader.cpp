#include "ZipReader.h"

#include <stdlib.h>
#include <string.h>
#include <zlib.h>

namespace unz {
namespace {

// Large buffers keep system calls few; the window holds any one central header whole
// (46 bytes plus a name and an extra field of at most 64 KB each).
const size_t WindowBytes = 256 * 1024;
const size_t InputBytes = 256 * 1024;
const size_t OutputBytes = 256 * 1024;
// How far before the end the end record is looked for: its comment (64 KB) plus some junk.
const size_t EndSearchBytes = WindowBytes;

const uint32_t LocalSignature = 0x04034b50;
const uint32_t CentralSignature = 0x02014b50;
const uint32_t EndSignature = 0x06054b50;
const uint32_t End64Signature = 0x06064b50;
const uint32_t Locator64Signature = 0x07064b50;

const size_t LocalHeaderBytes = 30;
const size_t CentralHeaderBytes = 46;
const size_t EndRecordBytes = 22;
const size_t End64RecordBytes = 56;
const size_t LocatorBytes = 20;
const size_t DescriptorMaxBytes = 24;  // a ZIP64 data descriptor with its signature

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint64_t U64(const uint8_t* p) { return U32(p) | uint64_t(U32(p + 4)) << 32; }

size_t Min(uint64_t a, size_t b) { return a < b ? size_t(a) : b; }

}  // namespace

const char* StatusText(TStatus s) {
  switch (s) {
    case TStatus::Ok: return "ok";
    case TStatus::End: return "end of directory";
    case TStatus::ReadError: return "read error";
    case TStatus::NotZip: return "not a ZIP archive";
    case TStatus::BadDirectory: return "damaged central directory";
    case TStatus::Encrypted: return "encrypted";
    case TStatus::BadMethod: return "unsupported compression method";
    case TStatus::BadData: return "damaged data";
    case TStatus::BadSize: return "size mismatch";
    case TStatus::BadCrc: return "CRC error";
    case TStatus::WriteError: return "write error";
    case TStatus::NoMemory: return "out of memory";
  }
  return "unknown";
}

bool TMemorySource::Read(uint64_t offset, void* buf, size_t n) {
  if (offset > Length || n > Length - offset) return false;
  memcpy(buf, Bytes + offset, n);
  return true;
}

TReader::TReader() {}

TReader::~TReader() {
  if (StreamReady) inflateEnd(Stream);
  free(Stream);
  free(Output);
  free(Input);
  free(Window);
}

// n bytes at offset inside the central directory or the end search area, through the window.
const uint8_t* TReader::Fetch(uint64_t offset, size_t n) {
  if (offset >= WindowStart && offset - WindowStart <= WindowLength &&
      n <= WindowLength - (offset - WindowStart))
    return Window + (offset - WindowStart);
  uint64_t size = Source->Size();
  if (n > WindowBytes || offset > size || n > size - offset) return nullptr;
  size_t len = Min(size - offset, WindowBytes);
  WindowLength = 0;
  if (!Source->Read(offset, Window, len)) return nullptr;
  WindowStart = offset;
  WindowLength = len;
  return Window;
}

TStatus TReader::Open(TSource& src) {
  Source = &src;
  WindowLength = 0;
  InputLength = 0;
  ReadEnd = 0;
  WalkStatus = TStatus::BadDirectory;
  if (!Window) Window = static_cast<uint8_t*>(malloc(WindowBytes));
  if (!Input) Input = static_cast<uint8_t*>(malloc(InputBytes));
  if (!Output) Output = static_cast<uint8_t*>(malloc(OutputBytes));
  if (!Stream) Stream = static_cast<z_stream*>(calloc(1, sizeof(z_stream)));
  if (!Window || !Input || !Output || !Stream) return TStatus::NoMemory;
  if (!StreamReady) {
    if (inflateInit2(Stream, -MAX_WBITS) != Z_OK) return TStatus::NoMemory;
    StreamReady = true;
  }
  TStatus s = FindEnd();
  if (s == TStatus::Ok) Rewind();
  return s;
}

// Scans backwards for the end record; the first one whose directory checks out wins, so a
// signature inside a comment or in junk after the archive does not mislead.
TStatus TReader::FindEnd() {
  uint64_t size = Source->Size();
  if (size < EndRecordBytes) return TStatus::NotZip;
  size_t span = Min(size, EndSearchBytes);
  uint64_t base = size - span;
  const uint8_t* tail = Fetch(base, span);
  if (!tail) return TStatus::ReadError;
  bool seen = false;
  for (size_t i = span - EndRecordBytes + 1; i-- > 0;) {
    if (U32(tail + i) != EndSignature) continue;
    seen = true;
    if (TryEnd(base + i, tail + i)) return TStatus::Ok;
  }
  return seen ? TStatus::BadDirectory : TStatus::NotZip;
}

// Checks one candidate end record. Reads past the window go straight to the source, so the
// window keeps the searched tail.
bool TReader::TryEnd(uint64_t pos, const uint8_t* rec) {
  uint64_t size = Source->Size();
  if (EndRecordBytes + U16(rec + 20) > size - pos) return false;  // comment runs past the end
  uint32_t disk = U16(rec + 4), cdDisk = U16(rec + 6);
  uint64_t onDisk = U16(rec + 8), total = U16(rec + 10);
  uint64_t cdSize = U32(rec + 12), cdOffset = U32(rec + 16);
  uint64_t anchor = pos;  // the record that follows the central directory
  Zip64 = false;

  uint8_t loc[LocatorBytes];
  if (pos >= LocatorBytes && Source->Read(pos - LocatorBytes, loc, LocatorBytes) &&
      U32(loc) == Locator64Signature) {
    uint64_t stated = U64(loc + 8);
    uint64_t locPos = pos - LocatorBytes;
    // A prefix added after the archive was made moves the record from where it says it is;
    // it then lies just before the locator.
    uint8_t r[End64RecordBytes];
    uint64_t at = stated;
    bool found = stated <= locPos && locPos - stated >= End64RecordBytes &&
                 Source->Read(at, r, End64RecordBytes) && U32(r) == End64Signature;
    if (!found && locPos >= End64RecordBytes) {
      at = locPos - End64RecordBytes;
      found = Source->Read(at, r, End64RecordBytes) && U32(r) == End64Signature;
    }
    if (!found) return false;
    disk = U32(r + 16);
    cdDisk = U32(r + 20);
    onDisk = U64(r + 24);
    total = U64(r + 32);
    cdSize = U64(r + 40);
    cdOffset = U64(r + 48);
    anchor = at;
    Zip64 = true;
  }
  if (disk != 0 || cdDisk != 0 || onDisk != total) return false;  // spanned archives
  if (cdSize > anchor) return false;
  // First as written; then shifted by a prefix that the offsets do not count.
  uint64_t shifts[2] = {0, 0};
  int tries = 1;
  if (cdOffset < anchor - cdSize) {
    shifts[1] = anchor - cdSize - cdOffset;
    tries = 2;
  }
  for (int t = 0; t < tries; ++t) {
    if (cdOffset > anchor - cdSize - shifts[t]) continue;
    uint64_t start = cdOffset + shifts[t];
    uint8_t h[4];
    if (total == 0) {
      if (cdSize != 0) continue;
    } else if (cdSize < CentralHeaderBytes || !Source->Read(start, h, 4) ||
               U32(h) != CentralSignature) {
      continue;
    }
    DirectoryStart = start;
    DirectoryEnd = start + cdSize;
    PrefixLength = shifts[t];
    EntryCount = total;
    return true;
  }
  return false;
}

void TReader::Rewind() {
  WalkPosition = DirectoryStart;
  EntriesSeen = 0;
  WalkStatus = TStatus::Ok;
}

TStatus TReader::Next(TEntry& e) {
  if (WalkStatus != TStatus::Ok) return WalkStatus;
  WalkStatus = TStatus::BadDirectory;
  if (WalkPosition >= DirectoryEnd) {
    // Writers without ZIP64 records store the count modulo 65536, or saturated.
    bool countOk = Zip64 ? EntriesSeen == EntryCount
                         : (EntriesSeen & 0xFFFF) == EntryCount ||
                               (EntryCount == 0xFFFF && EntriesSeen >= 0xFFFF);
    if (!countOk) return TStatus::BadDirectory;
    WalkStatus = TStatus::End;
    return TStatus::End;
  }
  if (DirectoryEnd - WalkPosition < CentralHeaderBytes) return TStatus::BadDirectory;
  const uint8_t* p = Fetch(WalkPosition, CentralHeaderBytes);
  if (!p) return WalkStatus = TStatus::ReadError;
  if (U32(p) != CentralSignature) return TStatus::BadDirectory;
  uint16_t flags = U16(p + 8);
  size_t nameLen = U16(p + 28), extraLen = U16(p + 30), commentLen = U16(p + 32);
  uint64_t whole = CentralHeaderBytes + nameLen + extraLen + commentLen;
  if (whole > DirectoryEnd - WalkPosition) return TStatus::BadDirectory;
  p = Fetch(WalkPosition, CentralHeaderBytes + nameLen + extraLen);
  if (!p) return WalkStatus = TStatus::ReadError;

  e.Name = p + CentralHeaderBytes;
  e.NameLen = nameLen;
  e.UnicodeName = nullptr;
  e.UnicodeNameLen = 0;
  e.Utf8 = (flags & 0x0800) != 0;
  e.Encrypted = (flags & 0x0001) != 0;
  e.IsDir = nameLen > 0 && (e.Name[nameLen - 1] == '/' || e.Name[nameLen - 1] == '\\');
  e.Method = U16(p + 10);
  e.DosTime = U16(p + 12);
  e.DosDate = U16(p + 14);
  e.Crc = U32(p + 16);
  e.CompSize = U32(p + 20);
  e.Size = U32(p + 24);
  uint64_t offset = U32(p + 42);
  TStatus s = ParseExtra(e.Name + nameLen, extraLen, e, offset);
  if (s != TStatus::Ok) return s;
  // The local header must lie before the central directory.
  if (offset > DirectoryStart - PrefixLength ||
      DirectoryStart - PrefixLength - offset < LocalHeaderBytes)
    return TStatus::BadDirectory;
  e.LocalOffset = offset + PrefixLength;

  WalkPosition += whole;
  ++EntriesSeen;
  WalkStatus = TStatus::Ok;
  return TStatus::Ok;
}

// ZIP64 sizes and offset (present only for the fields that are saturated, in this order) and
// the Unicode path field. The entry's disk number is not looked at: the end record has already
// refused spanned archives, and the offset is checked on its own.
TStatus TReader::ParseExtra(const uint8_t* p, size_t n, TEntry& e, uint64_t& offset) {
  bool need64 = e.Size == 0xFFFFFFFF || e.CompSize == 0xFFFFFFFF || offset == 0xFFFFFFFF;
  bool have64 = false;
  while (n >= 4) {
    uint16_t id = U16(p), len = U16(p + 2);
    if (len > n - 4) break;  // a cut-off trailing field carries nothing we can use
    const uint8_t* d = p + 4;
    if (id == 0x0001 && need64 && !have64) {
      size_t at = 0;
      uint64_t* fields[3] = {e.Size == 0xFFFFFFFF ? &e.Size : nullptr,
                             e.CompSize == 0xFFFFFFFF ? &e.CompSize : nullptr,
                             offset == 0xFFFFFFFF ? &offset : nullptr};
      for (uint64_t* f : fields) {
        if (!f) continue;
        if (len - at < 8) return TStatus::BadDirectory;
        *f = U64(d + at);
        at += 8;
      }
      have64 = true;
    } else if (id == 0x7075 && len >= 5 && d[0] == 1 &&
               U32(d + 1) == crc32(0, e.Name, static_cast<uInt>(e.NameLen))) {
      e.UnicodeName = d + 5;
      e.UnicodeNameLen = len - 5;
    }
    p += 4 + len;
    n -= 4 + len;
  }
  // Sizes of exactly 4 GB - 1 without a ZIP64 field are possible only in theory; refuse.
  if (need64 && !have64 && (e.Size == 0xFFFFFFFF || e.CompSize == 0xFFFFFFFF))
    return TStatus::BadDirectory;
  return TStatus::Ok;
}

// Feeds n compressed bytes through inflate into the sink.
TStatus TReader::Inflate(const uint8_t* in, size_t n, bool& done) {
  Stream->next_in = const_cast<Bytef*>(in);
  Stream->avail_in = static_cast<uInt>(n);
  do {
    Stream->next_out = Output;
    Stream->avail_out = static_cast<uInt>(OutputBytes);
    int rc = inflate(Stream, Z_NO_FLUSH);
    size_t got = OutputBytes - Stream->avail_out;
    if (got) {
      if (got > Member->Size - Produced) return TStatus::BadSize;
      Produced += got;
      Crc = crc32(Crc, Output, static_cast<uInt>(got));
      if (!Sink->Write(Output, got)) return TStatus::WriteError;
    }
    if (rc == Z_STREAM_END) {
      done = true;
      return TStatus::Ok;
    }
    if (rc == Z_BUF_ERROR) return TStatus::Ok;  // needs more input
    if (rc == Z_MEM_ERROR) return TStatus::NoMemory;
    if (rc != Z_OK) return TStatus::BadData;
  } while (Stream->avail_in > 0 || Stream->avail_out == 0);
  return TStatus::Ok;
}

TStatus TReader::Supported(const TEntry& e) {
  if (e.Encrypted) return TStatus::Encrypted;
  if (e.Method != 0 && e.Method != 8) return TStatus::BadMethod;
  return TStatus::Ok;
}

// Reads the data area's bytes [offset, offset + n) into the input buffer, which then holds them.
bool TReader::Load(uint64_t offset, size_t n) {
  InputLength = 0;
  if (!Source->Read(offset, Input, n)) return false;
  InputStart = offset;
  InputLength = n;
  return true;
}

TStatus TReader::Extract(const TEntry& e, TSink& out) {
  if (!StreamReady) return TStatus::NoMemory;
  TStatus s = Supported(e);
  if (s != TStatus::Ok) return s;
  if (e.Method == 0 && e.CompSize != e.Size) return TStatus::BadSize;

  // Data lies between the local header and the central directory.
  uint64_t limit = DirectoryStart;
  if (e.LocalOffset > limit || limit - e.LocalOffset < LocalHeaderBytes) return TStatus::BadData;
  // Members mostly follow one another: bytes read past one serve the next, so a run of small
  // members costs one read per buffer, not one per member. A member elsewhere is read on its
  // own: header and, when small, its data with it.
  bool held = e.LocalOffset >= InputStart && e.LocalOffset - InputStart <= InputLength &&
              LocalHeaderBytes <= InputLength - (e.LocalOffset - InputStart);
  if (!held) {
    bool follows = e.LocalOffset >= ReadEnd && e.LocalOffset - ReadEnd <= DescriptorMaxBytes;
    size_t first = Min(limit - e.LocalOffset, InputBytes);
    if (!follows && e.CompSize < InputBytes)
      first = Min(first, LocalHeaderBytes + e.NameLen + 1024 + size_t(e.CompSize));
    if (!Load(e.LocalOffset, first)) return TStatus::ReadError;
  }
  const uint8_t* h = Input + (e.LocalOffset - InputStart);
  if (U32(h) != LocalSignature) return TStatus::BadData;
  uint64_t dataStart = e.LocalOffset + LocalHeaderBytes + U16(h + 26) + U16(h + 28);
  if (dataStart > limit || e.CompSize > limit - dataStart) return TStatus::BadData;

  Member = &e;
  Sink = &out;
  Produced = 0;
  Crc = crc32(0, nullptr, 0);
  ReadEnd = dataStart + e.CompSize;
  if (e.Method == 8 && inflateReset(Stream) != Z_OK) return TStatus::NoMemory;

  uint64_t next = dataStart;   // source offset of the next unused compressed byte
  uint64_t left = e.CompSize;  // compressed bytes not yet used
  bool done = false;
  while (left > 0) {
    if (next < InputStart || next - InputStart >= InputLength) {
      if (!Load(next, Min(limit - next, InputBytes))) return TStatus::ReadError;
    }
    const uint8_t* in = Input + (next - InputStart);
    size_t avail = Min(left, InputLength - size_t(next - InputStart));
    next += avail;
    left -= avail;
    if (e.Method == 0) {
      if (avail > e.Size - Produced) return TStatus::BadSize;
      Produced += avail;
      Crc = crc32(Crc, in, static_cast<uInt>(avail));
      if (!out.Write(in, avail)) return TStatus::WriteError;
    } else {
      TStatus s = Inflate(in, avail, done);
      if (s != TStatus::Ok) return s;
      if (done) break;
    }
  }
  if (e.Method == 8 && !done) return TStatus::BadData;  // stream cut short
  if (Produced != e.Size) return TStatus::BadSize;
  if (Crc != e.Crc) return TStatus::BadCrc;
  return TStatus::Ok;
}

}  // namespace unz
