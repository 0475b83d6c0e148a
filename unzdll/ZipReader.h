// A ZIP reader that knows nothing of the operating system: it reads an archive through a
// Source, walks its central directory and streams one member at a time into a Sink, checking
// size and CRC-32 on the way. Memory is fixed per Reader, whatever the archive's size.
#pragma once

#include <cstddef>
#include <cstdint>

typedef struct z_stream_s z_stream;

namespace unz {

enum Status {
  kOk = 0,
  kEnd,           // Next: no more entries
  kReadError,     // the source could not deliver bytes that lie inside it
  kNotZip,        // no end-of-central-directory record
  kBadDirectory,  // end records or central directory inconsistent or truncated
  kEncrypted,     // member is encrypted
  kBadMethod,     // compression method other than stored or deflated
  kBadData,       // local header missing, compressed data damaged or cut short
  kBadSize,       // member's length differs from its recorded size
  kBadCrc,        // member's CRC-32 differs from its recorded one
  kWriteError,    // the sink refused bytes
  kNoMemory,
};

// Short English text for a status, for logs and tools.
const char* StatusText(Status s);

// Random-access input. Read delivers exactly n bytes at offset, or fails.
class Source {
public:
  virtual uint64_t Size() const = 0;
  virtual bool Read(uint64_t offset, void* buf, size_t n) = 0;

protected:
  ~Source() = default;
};

// Where a member's bytes go, in order. Write takes all n bytes or fails.
class Sink {
public:
  virtual bool Write(const uint8_t* data, size_t n) = 0;

protected:
  ~Sink() = default;
};

// A Source over bytes in memory (fuzzing, tests).
class MemorySource : public Source {
public:
  MemorySource(const void* data, size_t size)
      : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  uint64_t Size() const override { return size_; }
  bool Read(uint64_t offset, void* buf, size_t n) override;

private:
  const uint8_t* data_;
  size_t size_;
};

// One central-directory entry. The name pointers stay valid until the next call of Next.
struct Entry {
  const uint8_t* name;  // stored name bytes, not terminated
  size_t nameLen;
  const uint8_t* unicodeName;  // UTF-8 name of a 0x7075 field whose CRC matches name, else null
  size_t unicodeNameLen;
  bool utf8;  // flag bit 11: name is UTF-8
  bool encrypted;
  bool isDir;  // name ends in / or backslash
  uint16_t method;
  uint16_t dosTime;
  uint16_t dosDate;
  uint32_t crc;
  uint64_t compSize;
  uint64_t size;
  uint64_t localOffset;  // where the local header lies in the source (prefix included)
};

class Reader {
public:
  Reader();
  ~Reader();
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  // Finds the end records and the central directory. The source must outlive the Reader's use.
  Status Open(Source& src);
  // Starts the walk over the central directory again from its first entry.
  void Rewind();
  // The next entry: kOk, kEnd after the last one, or an error (the walk then stays failed).
  Status Next(Entry& e);
  // kOk when the entry is neither encrypted nor of a method other than stored or deflated.
  static Status Supported(const Entry& e);
  // Streams the entry's data into out. kOk only when all of it arrived with the right size
  // and CRC-32; on any other result out has received a partial or wrong member.
  Status Extract(const Entry& e, Sink& out);

private:
  const uint8_t* Fetch(uint64_t offset, size_t n);
  Status FindEnd();
  bool TryEnd(uint64_t pos, const uint8_t* rec);
  Status ParseExtra(const uint8_t* p, size_t n, Entry& e, uint64_t& offset);
  Status Inflate(const uint8_t* in, size_t n, bool& done);
  bool Load(uint64_t offset, size_t n);

  Source* src_ = nullptr;
  uint8_t* win_ = nullptr;  // window over the central directory
  uint64_t winStart_ = 0;
  size_t winLen_ = 0;
  uint8_t* in_ = nullptr;  // input buffer: holds the source's bytes from inStart_
  uint64_t inStart_ = 0;
  size_t inLen_ = 0;
  uint64_t readEnd_ = 0;  // where the latest extracted member's data ended
  uint8_t* out_ = nullptr;
  z_stream* z_ = nullptr;
  bool zReady_ = false;

  uint64_t cdStart_ = 0;  // absolute offsets in the source
  uint64_t cdEnd_ = 0;
  uint64_t delta_ = 0;    // bytes of prefix before the archive proper
  uint64_t entries_ = 0;  // count the end record gives
  bool zip64_ = false;

  uint64_t pos_ = 0;  // walk position
  uint64_t seen_ = 0;
  Status walk_ = kOk;

  // Running state of the member being extracted.
  const Entry* cur_ = nullptr;
  Sink* sink_ = nullptr;
  uint64_t produced_ = 0;
  uint32_t crc_ = 0;
};

}  // namespace unz
