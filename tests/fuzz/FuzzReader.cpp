// The fuzz target: one input is one archive on the medium. It takes the library's whole path
// (end records, a full walk of the central directory, then a second walk that checks each
// name and unpacks each supported member) and aborts on any broken promise of the reader.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

#include "ZipNames.h"
#include "ZipReader.h"

namespace {

const size_t kWideName = 65536;

void Check(bool ok) {
  if (!ok) abort();
}

// Counts and checksums what the reader delivers, independently of the reader's own checks.
class CheckSink : public unz::Sink {
public:
  explicit CheckSink(uint64_t limit) : limit_(limit) {}
  bool Write(const uint8_t* data, size_t n) override {
    Check(n > 0 && n <= limit_ - got_);  // never more than the recorded size
    got_ += n;
    crc_ = crc32(crc_, data, static_cast<uInt>(n));
    return true;
  }
  uint64_t got_ = 0;
  uLong crc_ = crc32(0, nullptr, 0);

private:
  uint64_t limit_;
};

// The name as the library decodes it; a single-byte code page stands in for the OEM one.
size_t Decode(const unz::Entry& e, char16_t* wide) {
  if (e.unicodeName) return unz::Utf8ToUtf16(e.unicodeName, e.unicodeNameLen, wide, kWideName);
  if (e.utf8) return unz::Utf8ToUtf16(e.name, e.nameLen, wide, kWideName);
  for (size_t i = 0; i < e.nameLen; ++i)
    wide[i] = e.name[i] < 0x80 ? e.name[i] : char16_t(0x0390 + e.name[i]);
  return e.nameLen;
}

// A name that passes must name a plain file in the current folder and nothing else.
void CheckName(const char16_t* w, size_t n) {
  size_t start = unz::BaseNameStart(w, n);
  Check(start <= n);
  const char16_t* base = w + start;
  size_t bn = n - start;
  static const char16_t kSpec[] = {'*', '.', 'T', 'X', 'T'};
  static const char16_t kAll[] = {'*', '.', '*'};
  unz::MatchSpec(kSpec, 5, base, bn);
  Check(unz::MatchSpec(kAll, 3, base, bn));
  if (!unz::IsSafeName(base, bn)) return;
  Check(bn > 0 && base[bn - 1] != '.' && base[bn - 1] != ' ');
  for (size_t i = 0; i < bn; ++i)
    Check(base[i] >= 0x20 && base[i] != '/' && base[i] != '\\' && base[i] != ':');
}

void Member(unz::Reader& reader, const unz::Entry& e, char16_t* wide) {
  if (e.isDir) return;
  size_t n = Decode(e, wide);
  if (n == unz::kBadName) return;
  Check(n <= kWideName);
  CheckName(wide, n);
  if (unz::Reader::Supported(e) != unz::kOk) return;
  CheckSink sink(e.size);
  if (reader.Extract(e, sink) != unz::kOk) return;
  Check(sink.got_ == e.size && sink.crc_ == e.crc);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  unz::MemorySource src(data, size);
  unz::Reader reader;
  if (reader.Open(src) != unz::kOk) return 0;
  // The library walks the whole directory before it writes anything.
  unz::Entry e;
  unz::Status s;
  uint64_t count = 0;
  while ((s = reader.Next(e)) == unz::kOk) {
    Check(e.localOffset < size && e.nameLen <= 0xFFFF);
    ++count;
  }
  Check(reader.Next(e) == s);  // a finished or failed walk stays so
  if (s != unz::kEnd) return 0;
  char16_t* wide = static_cast<char16_t*>(malloc(kWideName * sizeof(char16_t)));
  Check(wide != nullptr);
  reader.Rewind();
  uint64_t again = 0;
  while (reader.Next(e) == unz::kOk) {
    ++again;
    Member(reader, e, wide);
  }
  Check(again == count);
  free(wide);
  return 0;
}
