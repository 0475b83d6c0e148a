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

const size_t WideNameUnits = 65536;

void Check(bool ok) {
  if (!ok) abort();
}

// Counts and checksums what the reader delivers, independently of the reader's own checks.
class TCheckSink : public unz::TSink {
public:
  explicit TCheckSink(uint64_t limit) : Limit(limit) {}
  bool Write(const uint8_t* data, size_t n) override {
    Check(n > 0 && n <= Limit - Got);  // never more than the recorded size
    Got += n;
    Crc = crc32(Crc, data, static_cast<uInt>(n));
    return true;
  }
  uint64_t Got = 0;
  uLong Crc = crc32(0, nullptr, 0);

private:
  uint64_t Limit;
};

// The name as the library decodes it; a single-byte code page stands in for the OEM one.
size_t Decode(const unz::TEntry& e, char16_t* wide) {
  if (e.UnicodeName) return unz::Utf8ToUtf16(e.UnicodeName, e.UnicodeNameLen, wide, WideNameUnits);
  if (e.Utf8) return unz::Utf8ToUtf16(e.Name, e.NameLen, wide, WideNameUnits);
  for (size_t i = 0; i < e.NameLen; ++i)
    wide[i] = e.Name[i] < 0x80 ? e.Name[i] : char16_t(0x0390 + e.Name[i]);
  return e.NameLen;
}

// A name that passes must name a plain file in the current folder and nothing else.
void CheckName(const char16_t* w, size_t n) {
  size_t start = unz::BaseNameStart(w, n);
  Check(start <= n);
  const char16_t* base = w + start;
  size_t bn = n - start;
  static const char16_t StarDotTxt[] = {'*', '.', 'T', 'X', 'T'};
  static const char16_t StarDotStar[] = {'*', '.', '*'};
  unz::MatchSpec(StarDotTxt, 5, base, bn);
  Check(unz::MatchSpec(StarDotStar, 3, base, bn));
  if (!unz::IsSafeName(base, bn)) return;
  Check(bn > 0 && base[bn - 1] != '.' && base[bn - 1] != ' ');
  for (size_t i = 0; i < bn; ++i)
    Check(base[i] >= 0x20 && base[i] != '/' && base[i] != '\\' && base[i] != ':');
}

void Member(unz::TReader& reader, const unz::TEntry& e, char16_t* wide) {
  if (e.IsDir) return;
  size_t n = Decode(e, wide);
  if (n == unz::BadName) return;
  Check(n <= WideNameUnits);
  CheckName(wide, n);
  if (unz::TReader::Supported(e) != unz::TStatus::Ok) return;
  TCheckSink sink(e.Size);
  if (reader.Extract(e, sink) != unz::TStatus::Ok) return;
  Check(sink.Got == e.Size && sink.Crc == e.Crc);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  unz::TMemorySource src(data, size);
  unz::TReader reader;
  if (reader.Open(src) != unz::TStatus::Ok) return 0;
  // The library walks the whole directory before it writes anything.
  unz::TEntry e;
  unz::TStatus s;
  uint64_t count = 0;
  while ((s = reader.Next(e)) == unz::TStatus::Ok) {
    Check(e.LocalOffset < size && e.NameLen <= 0xFFFF);
    ++count;
  }
  Check(reader.Next(e) == s);  // a finished or failed walk stays so
  if (s != unz::TStatus::End) return 0;
  char16_t* wide = static_cast<char16_t*>(malloc(WideNameUnits * sizeof(char16_t)));
  Check(wide != nullptr);
  reader.Rewind();
  uint64_t again = 0;
  while (reader.Next(e) == unz::TStatus::Ok) {
    ++again;
    Member(reader, e, wide);
  }
  Check(again == count);
  free(wide);
  return 0;
}
