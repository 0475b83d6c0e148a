#include "ZipReader.h"

#include <stdlib.h>
#include <string.h>
#include <zlib.h>

namespace unz {
namespace {

// Large buffers keep system calls few; the window holds any one central header whole
// (46 bytes plus a name and an extra field of at most 64 KB each).
const size_t kWindow = 256 * 1024;
const size_t kInBuf = 256 * 1024;
const size_t kOutBuf = 256 * 1024;
// How far before the end the end record is looked for: its comment (64 KB) plus some junk.
const size_t kEndSearch = kWindow;

const uint32_t kSigLocal = 0x04034b50;
const uint32_t kSigCentral = 0x02014b50;
const uint32_t kSigEnd = 0x06054b50;
const uint32_t kSigEnd64 = 0x06064b50;
const uint32_t kSigLocator64 = 0x07064b50;

const size_t kLocalLen = 30;
const size_t kCentralLen = 46;
const size_t kEndLen = 22;
const size_t kEnd64Len = 56;
const size_t kLocatorLen = 20;
const size_t kDescriptorMax = 24;  // a ZIP64 data descriptor with its signature

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint64_t U64(const uint8_t* p) { return U32(p) | uint64_t(U32(p + 4)) << 32; }

size_t Min(uint64_t a, size_t b) { return a < b ? size_t(a) : b; }

}  // namespace

const char* StatusText(Status s) {
  switch (s) {
    case kOk: return "ok";
    case kEnd: return "end of directory";
    case kReadError: return "read error";
    case kNotZip: return "not a ZIP archive";
    case kBadDirectory: return "damaged central directory";
    case kEncrypted: return "encrypted";
    case kBadMethod: return "unsupported compression method";
    case kBadData: return "damaged data";
    case kBadSize: return "size mismatch";
    case kBadCrc: return "CRC error";
    case kWriteError: return "write error";
    case kNoMemory: return "out of memory";
  }
  return "unknown";
}

bool MemorySource::Read(uint64_t offset, void* buf, size_t n) {
  if (offset > size_ || n > size_ - offset) return false;
  memcpy(buf, data_ + offset, n);
  return true;
}

Reader::Reader() {}

Reader::~Reader() {
  if (zReady_) inflateEnd(z_);
  free(z_);
  free(out_);
  free(in_);
  free(win_);
}

// n bytes at offset inside the central directory or the end search area, through the window.
const uint8_t* Reader::Fetch(uint64_t offset, size_t n) {
  if (offset >= winStart_ && offset - winStart_ <= winLen_ && n <= winLen_ - (offset - winStart_))
    return win_ + (offset - winStart_);
  uint64_t size = src_->Size();
  if (n > kWindow || offset > size || n > size - offset) return nullptr;
  size_t len = Min(size - offset, kWindow);
  winLen_ = 0;
  if (!src_->Read(offset, win_, len)) return nullptr;
  winStart_ = offset;
  winLen_ = len;
  return win_;
}

Status Reader::Open(Source& src) {
  src_ = &src;
  winLen_ = 0;
  inLen_ = 0;
  readEnd_ = 0;
  walk_ = kBadDirectory;
  if (!win_) win_ = static_cast<uint8_t*>(malloc(kWindow));
  if (!in_) in_ = static_cast<uint8_t*>(malloc(kInBuf));
  if (!out_) out_ = static_cast<uint8_t*>(malloc(kOutBuf));
  if (!z_) z_ = static_cast<z_stream*>(calloc(1, sizeof(z_stream)));
  if (!win_ || !in_ || !out_ || !z_) return kNoMemory;
  if (!zReady_) {
    if (inflateInit2(z_, -MAX_WBITS) != Z_OK) return kNoMemory;
    zReady_ = true;
  }
  Status s = FindEnd();
  if (s == kOk) Rewind();
  return s;
}

// Scans backwards for the end record; the first one whose directory checks out wins, so a
// signature inside a comment or in junk after the archive does not mislead.
Status Reader::FindEnd() {
  uint64_t size = src_->Size();
  if (size < kEndLen) return kNotZip;
  size_t span = Min(size, kEndSearch);
  uint64_t base = size - span;
  const uint8_t* tail = Fetch(base, span);
  if (!tail) return kReadError;
  bool seen = false;
  for (size_t i = span - kEndLen + 1; i-- > 0;) {
    if (U32(tail + i) != kSigEnd) continue;
    seen = true;
    if (TryEnd(base + i, tail + i)) return kOk;
  }
  return seen ? kBadDirectory : kNotZip;
}

// Checks one candidate end record. Reads past the window go straight to the source, so the
// window keeps the searched tail.
bool Reader::TryEnd(uint64_t pos, const uint8_t* rec) {
  uint64_t size = src_->Size();
  if (kEndLen + U16(rec + 20) > size - pos) return false;  // comment runs past the end
  uint32_t disk = U16(rec + 4), cdDisk = U16(rec + 6);
  uint64_t onDisk = U16(rec + 8), total = U16(rec + 10);
  uint64_t cdSize = U32(rec + 12), cdOffset = U32(rec + 16);
  uint64_t anchor = pos;  // the record that follows the central directory
  zip64_ = false;

  uint8_t loc[kLocatorLen];
  if (pos >= kLocatorLen && src_->Read(pos - kLocatorLen, loc, kLocatorLen) &&
      U32(loc) == kSigLocator64) {
    uint64_t stated = U64(loc + 8);
    uint64_t locPos = pos - kLocatorLen;
    // A prefix added after the archive was made moves the record from where it says it is;
    // it then lies just before the locator.
    uint8_t r[kEnd64Len];
    uint64_t at = stated;
    bool found = stated <= locPos && locPos - stated >= kEnd64Len && src_->Read(at, r, kEnd64Len) &&
                 U32(r) == kSigEnd64;
    if (!found && locPos >= kEnd64Len) {
      at = locPos - kEnd64Len;
      found = src_->Read(at, r, kEnd64Len) && U32(r) == kSigEnd64;
    }
    if (!found) return false;
    disk = U32(r + 16);
    cdDisk = U32(r + 20);
    onDisk = U64(r + 24);
    total = U64(r + 32);
    cdSize = U64(r + 40);
    cdOffset = U64(r + 48);
    anchor = at;
    zip64_ = true;
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
    } else if (cdSize < kCentralLen || !src_->Read(start, h, 4) || U32(h) != kSigCentral) {
      continue;
    }
    cdStart_ = start;
    cdEnd_ = start + cdSize;
    delta_ = shifts[t];
    entries_ = total;
    return true;
  }
  return false;
}

void Reader::Rewind() {
  pos_ = cdStart_;
  seen_ = 0;
  walk_ = kOk;
}

Status Reader::Next(Entry& e) {
  if (walk_ != kOk) return walk_;
  walk_ = kBadDirectory;
  if (pos_ >= cdEnd_) {
    // Writers without ZIP64 records store the count modulo 65536, or saturated.
    bool countOk = zip64_ ? seen_ == entries_
                          : (seen_ & 0xFFFF) == entries_ || (entries_ == 0xFFFF && seen_ >= 0xFFFF);
    if (!countOk) return kBadDirectory;
    walk_ = kEnd;
    return kEnd;
  }
  if (cdEnd_ - pos_ < kCentralLen) return kBadDirectory;
  const uint8_t* p = Fetch(pos_, kCentralLen);
  if (!p) return walk_ = kReadError;
  if (U32(p) != kSigCentral) return kBadDirectory;
  uint16_t flags = U16(p + 8);
  size_t nameLen = U16(p + 28), extraLen = U16(p + 30), commentLen = U16(p + 32);
  uint64_t whole = kCentralLen + nameLen + extraLen + commentLen;
  if (whole > cdEnd_ - pos_) return kBadDirectory;
  p = Fetch(pos_, kCentralLen + nameLen + extraLen);
  if (!p) return walk_ = kReadError;

  e.name = p + kCentralLen;
  e.nameLen = nameLen;
  e.unicodeName = nullptr;
  e.unicodeNameLen = 0;
  e.utf8 = (flags & 0x0800) != 0;
  e.encrypted = (flags & 0x0001) != 0;
  e.isDir = nameLen > 0 && (e.name[nameLen - 1] == '/' || e.name[nameLen - 1] == '\\');
  e.method = U16(p + 10);
  e.dosTime = U16(p + 12);
  e.dosDate = U16(p + 14);
  e.crc = U32(p + 16);
  e.compSize = U32(p + 20);
  e.size = U32(p + 24);
  uint64_t offset = U32(p + 42);
  Status s = ParseExtra(e.name + nameLen, extraLen, e, offset);
  if (s != kOk) return s;
  // The local header must lie before the central directory.
  if (offset > cdStart_ - delta_ || cdStart_ - delta_ - offset < kLocalLen) return kBadDirectory;
  e.localOffset = offset + delta_;

  pos_ += whole;
  ++seen_;
  walk_ = kOk;
  return kOk;
}

// ZIP64 sizes and offset (present only for the fields that are saturated, in this order) and
// the Unicode path field. The entry's disk number is not looked at: the end record has already
// refused spanned archives, and the offset is checked on its own.
Status Reader::ParseExtra(const uint8_t* p, size_t n, Entry& e, uint64_t& offset) {
  bool need64 = e.size == 0xFFFFFFFF || e.compSize == 0xFFFFFFFF || offset == 0xFFFFFFFF;
  bool have64 = false;
  while (n >= 4) {
    uint16_t id = U16(p), len = U16(p + 2);
    if (len > n - 4) break;  // a cut-off trailing field carries nothing we can use
    const uint8_t* d = p + 4;
    if (id == 0x0001 && need64 && !have64) {
      size_t at = 0;
      uint64_t* fields[3] = {e.size == 0xFFFFFFFF ? &e.size : nullptr,
                             e.compSize == 0xFFFFFFFF ? &e.compSize : nullptr,
                             offset == 0xFFFFFFFF ? &offset : nullptr};
      for (uint64_t* f : fields) {
        if (!f) continue;
        if (len - at < 8) return kBadDirectory;
        *f = U64(d + at);
        at += 8;
      }
      have64 = true;
    } else if (id == 0x7075 && len >= 5 && d[0] == 1 &&
               U32(d + 1) == crc32(0, e.name, static_cast<uInt>(e.nameLen))) {
      e.unicodeName = d + 5;
      e.unicodeNameLen = len - 5;
    }
    p += 4 + len;
    n -= 4 + len;
  }
  // Sizes of exactly 4 GB - 1 without a ZIP64 field are possible only in theory; refuse.
  if (need64 && !have64 && (e.size == 0xFFFFFFFF || e.compSize == 0xFFFFFFFF)) return kBadDirectory;
  return kOk;
}

// Feeds n compressed bytes through inflate into the sink.
Status Reader::Inflate(const uint8_t* in, size_t n, bool& done) {
  z_->next_in = const_cast<Bytef*>(in);
  z_->avail_in = static_cast<uInt>(n);
  do {
    z_->next_out = out_;
    z_->avail_out = static_cast<uInt>(kOutBuf);
    int rc = inflate(z_, Z_NO_FLUSH);
    size_t got = kOutBuf - z_->avail_out;
    if (got) {
      if (got > cur_->size - produced_) return kBadSize;
      produced_ += got;
      crc_ = crc32(crc_, out_, static_cast<uInt>(got));
      if (!sink_->Write(out_, got)) return kWriteError;
    }
    if (rc == Z_STREAM_END) {
      done = true;
      return kOk;
    }
    if (rc == Z_BUF_ERROR) return kOk;  // needs more input
    if (rc == Z_MEM_ERROR) return kNoMemory;
    if (rc != Z_OK) return kBadData;
  } while (z_->avail_in > 0 || z_->avail_out == 0);
  return kOk;
}

Status Reader::Supported(const Entry& e) {
  if (e.encrypted) return kEncrypted;
  if (e.method != 0 && e.method != 8) return kBadMethod;
  return kOk;
}

// Reads the data area's bytes [offset, offset + n) into the input buffer, which then holds them.
bool Reader::Load(uint64_t offset, size_t n) {
  inLen_ = 0;
  if (!src_->Read(offset, in_, n)) return false;
  inStart_ = offset;
  inLen_ = n;
  return true;
}

Status Reader::Extract(const Entry& e, Sink& out) {
  if (!zReady_) return kNoMemory;
  Status s = Supported(e);
  if (s != kOk) return s;
  if (e.method == 0 && e.compSize != e.size) return kBadSize;

  // Data lies between the local header and the central directory.
  uint64_t limit = cdStart_;
  if (e.localOffset > limit || limit - e.localOffset < kLocalLen) return kBadData;
  // Members mostly follow one another: bytes read past one serve the next, so a run of small
  // members costs one read per buffer, not one per member. A member elsewhere is read on its
  // own: header and, when small, its data with it.
  bool held = e.localOffset >= inStart_ && e.localOffset - inStart_ <= inLen_ &&
              kLocalLen <= inLen_ - (e.localOffset - inStart_);
  if (!held) {
    bool follows = e.localOffset >= readEnd_ && e.localOffset - readEnd_ <= kDescriptorMax;
    size_t first = Min(limit - e.localOffset, kInBuf);
    if (!follows && e.compSize < kInBuf)
      first = Min(first, kLocalLen + e.nameLen + 1024 + size_t(e.compSize));
    if (!Load(e.localOffset, first)) return kReadError;
  }
  const uint8_t* h = in_ + (e.localOffset - inStart_);
  if (U32(h) != kSigLocal) return kBadData;
  uint64_t dataStart = e.localOffset + kLocalLen + U16(h + 26) + U16(h + 28);
  if (dataStart > limit || e.compSize > limit - dataStart) return kBadData;

  cur_ = &e;
  sink_ = &out;
  produced_ = 0;
  crc_ = crc32(0, nullptr, 0);
  readEnd_ = dataStart + e.compSize;
  if (e.method == 8 && inflateReset(z_) != Z_OK) return kNoMemory;

  uint64_t next = dataStart;   // source offset of the next unused compressed byte
  uint64_t left = e.compSize;  // compressed bytes not yet used
  bool done = false;
  while (left > 0) {
    if (next < inStart_ || next - inStart_ >= inLen_) {
      if (!Load(next, Min(limit - next, kInBuf))) return kReadError;
    }
    const uint8_t* in = in_ + (next - inStart_);
    size_t avail = Min(left, inLen_ - size_t(next - inStart_));
    next += avail;
    left -= avail;
    if (e.method == 0) {
      if (avail > e.size - produced_) return kBadSize;
      produced_ += avail;
      crc_ = crc32(crc_, in, static_cast<uInt>(avail));
      if (!out.Write(in, avail)) return kWriteError;
    } else {
      Status s = Inflate(in, avail, done);
      if (s != kOk) return s;
      if (done) break;
    }
  }
  if (e.method == 8 && !done) return kBadData;  // stream cut short
  if (produced_ != e.size) return kBadSize;
  if (crc_ != e.crc) return kBadCrc;
  return kOk;
}

}  // namespace unz
