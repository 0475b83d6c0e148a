// unzx ARCHIVE: the library's walk on the host, for the benchmark. Every member becomes a plain
// file in the current folder under its checked base name, through a temporary file that is
// renamed over it once its size and CRC-32 are right, as UNZDLL.DLL does on Windows.
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "ZipNames.h"
#include "ZipReader.h"

namespace {

const size_t kWideName = 65536;

class FileSource : public unz::TSource {
public:
  explicit FileSource(int fd) : fd_(fd) {
    struct stat st;
    size_ = fstat(fd, &st) == 0 ? uint64_t(st.st_size) : 0;
  }
  uint64_t Size() const override { return size_; }
  bool Read(uint64_t offset, void* buf, size_t n) override {
    if (offset > size_ || n > size_ - offset) return false;
    char* p = static_cast<char*>(buf);
    while (n > 0) {
      ssize_t got = pread(fd_, p, n, off_t(offset));
      if (got <= 0) return false;
      p += got;
      offset += size_t(got);
      n -= size_t(got);
    }
    return true;
  }

private:
  int fd_;
  uint64_t size_;
};

// The temporary file of one member; deleted unless committed.
class MemberFile : public unz::TSink {
public:
  ~MemberFile() {
    if (fd_ >= 0) close(fd_);
    if (temp_[0]) unlink(temp_);
  }
  bool Create() {
    static const unsigned seed = unsigned(getpid()) << 16 ^ unsigned(time(nullptr));
    for (unsigned i = 0; i < 4096; ++i) {
      snprintf(temp_, sizeof(temp_), "~unz%08x.tmp", seed + i);
      fd_ = open(temp_, O_WRONLY | O_CREAT | O_EXCL, 0644);
      if (fd_ >= 0) return true;
    }
    temp_[0] = 0;
    return false;
  }
  bool Write(const uint8_t* data, size_t n) override {
    while (n > 0) {
      ssize_t put = write(fd_, data, n);
      if (put <= 0) return false;
      data += put;
      n -= size_t(put);
    }
    return true;
  }
  bool Commit(const char* name, time_t stamp) {
    struct timespec times[2] = {{stamp, 0}, {stamp, 0}};
    futimens(fd_, times);
    bool closed = close(fd_) == 0;
    fd_ = -1;
    if (!closed || rename(temp_, name) != 0) return false;
    temp_[0] = 0;
    return true;
  }

private:
  int fd_ = -1;
  char temp_[32] = "";
};

// UTF-16 to UTF-8 for the host's file names; false for a lone surrogate.
bool ToUtf8(const char16_t* w, size_t n, char* out, size_t cap) {
  size_t o = 0;
  for (size_t i = 0; i < n; ++i) {
    uint32_t c = w[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && w[i + 1] >= 0xDC00 && w[i + 1] <= 0xDFFF)
      c = 0x10000 + ((c - 0xD800) << 10) + (w[++i] - 0xDC00);
    else if (c >= 0xD800 && c <= 0xDFFF)
      return false;
    if (cap - o < 5) return false;
    if (c < 0x80) {
      out[o++] = char(c);
    } else if (c < 0x800) {
      out[o++] = char(0xC0 | c >> 6);
      out[o++] = char(0x80 | (c & 63));
    } else if (c < 0x10000) {
      out[o++] = char(0xE0 | c >> 12);
      out[o++] = char(0x80 | ((c >> 6) & 63));
      out[o++] = char(0x80 | (c & 63));
    } else {
      out[o++] = char(0xF0 | c >> 18);
      out[o++] = char(0x80 | ((c >> 12) & 63));
      out[o++] = char(0x80 | ((c >> 6) & 63));
      out[o++] = char(0x80 | (c & 63));
    }
  }
  out[o] = 0;
  return true;
}

// DOS time stamps are local time. The zone's offset is taken once: asking the C library for
// each member would read the zone file each time.
long zoneOffset = 0;

time_t DosToTime(uint16_t dosDate, uint16_t dosTime) {
  int y = 1980 + (dosDate >> 9), m = (dosDate >> 5) & 15, d = dosDate & 31;
  if (m < 1 || m > 12) m = 1;
  // Days since 1970-01-01 of a civil date (March-based years).
  y -= m <= 2;
  int era = y / 400, yoe = y - era * 400;
  int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  long days = long(era) * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
  return time_t(days * 86400 + (dosTime >> 11) * 3600 + ((dosTime >> 5) & 63) * 60 +
                (dosTime & 31) * 2 - zoneOffset);
}

int reports = 0;

void Report(const char* what, const unz::TEntry& e) {
  ++reports;
  fprintf(stderr, "%s: %.*s\n", what, int(e.NameLen < 200 ? e.NameLen : 200), e.Name);
}

// Names that are not UTF-8 are taken as Latin-1, the host's stand-in for the OEM code page.
size_t Decode(const unz::TEntry& e, char16_t* wide) {
  if (e.UnicodeName) return unz::Utf8ToUtf16(e.UnicodeName, e.UnicodeNameLen, wide, kWideName);
  if (e.Utf8) return unz::Utf8ToUtf16(e.Name, e.NameLen, wide, kWideName);
  for (size_t i = 0; i < e.NameLen; ++i) wide[i] = e.Name[i];
  return e.NameLen;
}

void Member(unz::TReader& reader, const unz::TEntry& e, char16_t* wide) {
  if (e.IsDir) return;
  size_t n = Decode(e, wide);
  if (n == unz::BadName) return Report("Name cannot be decoded", e);
  size_t start = unz::BaseNameStart(wide, n);
  if (!unz::IsSafeName(wide + start, n - start)) return Report("Unsafe name refused", e);
  char name[1024];
  if (n - start >= 256 || !ToUtf8(wide + start, n - start, name, sizeof(name)))
    return Report("Name too long", e);
  if (unz::TReader::Supported(e) != unz::TStatus::Ok) return Report("Unsupported member", e);
  MemberFile out;
  if (!out.Create()) return Report("Cannot create file", e);
  unz::TStatus s = reader.Extract(e, out);
  if (s != unz::TStatus::Ok) return Report(unz::StatusText(s), e);
  if (!out.Commit(name, DosToTime(e.DosDate, e.DosTime))) Report("Cannot replace file", e);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: unzx ARCHIVE (unpacks into the current folder)\n");
    return 2;
  }
  int fd = open(argv[1], O_RDONLY);
  if (fd < 0) {
    fprintf(stderr, "Cannot open archive %s\n", argv[1]);
    return 1;
  }
  time_t now = time(nullptr);
  struct tm local;
  if (localtime_r(&now, &local)) zoneOffset = local.tm_gmtoff;
  FileSource src(fd);
  unz::TReader reader;
  unz::TStatus s = reader.Open(src);
  unz::TEntry e;
  if (s == unz::TStatus::Ok) {
    while ((s = reader.Next(e)) == unz::TStatus::Ok) {
    }
  }
  if (s != unz::TStatus::End) {
    fprintf(stderr, "%s: %s\n", argv[1], unz::StatusText(s));
    return 1;
  }
  char16_t* wide = static_cast<char16_t*>(malloc(kWideName * sizeof(char16_t)));
  if (!wide) return 1;
  reader.Rewind();
  while (reader.Next(e) == unz::TStatus::Ok) Member(reader, e, wide);
  free(wide);
  close(fd);
  return reports ? 1 : 0;
}
