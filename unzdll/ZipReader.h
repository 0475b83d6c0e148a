// A ZIP reader that knows nothing of the operating system: it reads an archive through a
// TSource, walks its central directory and streams one member at a time into a TSink, checking
// size and CRC-32 on the way. Memory is fixed per reader, whatever the archive's size.
#pragma once

#include <cstddef>
#include <cstdint>

typedef struct z_stream_s z_stream;

namespace unz {

enum class TStatus : unsigned {
  Ok = 0,
  End,           // Next: no more entries
  ReadError,     // the source could not deliver bytes that lie inside it
  NotZip,        // no end-of-central-directory record
  BadDirectory,  // end records or central directory inconsistent or truncated
  Encrypted,     // member is encrypted
  BadMethod,     // compression method other than stored or deflated
  BadData,       // local header missing, compressed data damaged or cut short
  BadSize,       // member's length differs from its recorded size
  BadCrc,        // member's CRC-32 differs from its recorded one
  WriteError,    // the sink refused bytes
  NoMemory,
};

// Short English text for a status, for logs and tools.
const char* StatusText(TStatus s);

// Random-access input. Read delivers exactly n bytes at offset, or fails.
class TSource {
public:
  virtual uint64_t Size() const = 0;
  virtual bool Read(uint64_t offset, void* buf, size_t n) = 0;

protected:
  ~TSource() = default;
};

// Where a member's bytes go, in order. Write takes all n bytes or fails.
class TSink {
public:
  virtual bool Write(const uint8_t* data, size_t n) = 0;

protected:
  ~TSink() = default;
};

// A TSource over bytes in memory (fuzzing, tests).
class TMemorySource : public TSource {
public:
  TMemorySource(const void* data, size_t size)
      : Bytes(static_cast<const uint8_t*>(data)), Length(size) {}
  uint64_t Size() const override { return Length; }
  bool Read(uint64_t offset, void* buf, size_t n) override;

private:
  const uint8_t* Bytes;
  size_t Length;
};

// One central-directory entry. The name pointers stay valid until the next call of Next.
struct TEntry {
  const uint8_t* Name;  // stored name bytes, not terminated
  size_t NameLen;
  const uint8_t* UnicodeName;  // UTF-8 name of a 0x7075 field whose CRC matches name, else null
  size_t UnicodeNameLen;
  bool Utf8;  // flag bit 11: name is UTF-8
  bool Encrypted;
  bool IsDir;  // name ends in / or backslash
  uint16_t Method;
  uint16_t DosTime;
  uint16_t DosDate;
  uint32_t Crc;
  uint64_t CompSize;
  uint64_t Size;
  uint64_t LocalOffset;  // where the local header lies in the source (prefix included)
};

class TReader {
public:
  TReader();
  ~TReader();
  TReader(const TReader&) = delete;
  TReader& operator=(const TReader&) = delete;

  // Finds the end records and the central directory. The source must outlive the reader's use.
  TStatus Open(TSource& src);
  // Starts the walk over the central directory again from its first entry.
  void Rewind();
  // The next entry: Ok, End after the last one, or an error (the walk then stays failed).
  TStatus Next(TEntry& e);
  // Ok when the entry is neither encrypted nor of a method other than stored or deflated.
  static TStatus Supported(const TEntry& e);
  // Streams the entry's data into out. Ok only when all of it arrived with the right size
  // and CRC-32; on any other result out has received a partial or wrong member.
  TStatus Extract(const TEntry& e, TSink& out);

private:
  const uint8_t* Fetch(uint64_t offset, size_t n);
  TStatus FindEnd();
  bool TryEnd(uint64_t pos, const uint8_t* rec);
  TStatus ParseExtra(const uint8_t* p, size_t n, TEntry& e, uint64_t& offset);
  TStatus Inflate(const uint8_t* in, size_t n, bool& done);
  bool Load(uint64_t offset, size_t n);

  TSource* Source = nullptr;
  uint8_t* Window = nullptr;  // window over the central directory
  uint64_t WindowStart = 0;
  size_t WindowLength = 0;
  uint8_t* Input = nullptr;  // input buffer: holds the source's bytes from InputStart
  uint64_t InputStart = 0;
  size_t InputLength = 0;
  uint64_t ReadEnd = 0;  // where the latest extracted member's data ended
  uint8_t* Output = nullptr;
  z_stream* Stream = nullptr;
  bool StreamReady = false;

  uint64_t DirectoryStart = 0;  // absolute offsets in the source
  uint64_t DirectoryEnd = 0;
  uint64_t PrefixLength = 0;  // bytes of prefix before the archive proper
  uint64_t EntryCount = 0;    // count the end record gives
  bool Zip64 = false;

  uint64_t WalkPosition = 0;
  uint64_t EntriesSeen = 0;
  TStatus WalkStatus = TStatus::Ok;

  // Running state of the member being extracted.
  const TEntry* Member = nullptr;
  TSink* Sink = nullptr;
  uint64_t Produced = 0;
  uint32_t Crc = 0;
};

}  // namespace unz
