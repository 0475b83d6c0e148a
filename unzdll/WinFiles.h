// The files the library touches: the archive, read at offsets, and each member's output,
// written under a temporary name and moved into place only when it is complete and verified.
#pragma once

#include <windows.h>

#include "ZipReader.h"

class ArchiveFile : public unz::Source {
public:
  ~ArchiveFile();
  bool Open(const char* path);
  uint64_t Size() const override { return size_; }
  bool Read(uint64_t offset, void* buf, size_t n) override;

private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
  uint64_t size_ = 0;
};

const size_t kTempNameLen = 16;  // "~unzXXXXXXXX.tmp"

class MemberFile : public unz::Sink {
public:
  ~MemberFile();  // deletes the temporary file unless Commit succeeded
  // Creates a fresh temporary file in the current folder.
  bool Create();
  bool Write(const uint8_t* data, size_t n) override;
  // Stamps the DOS time, closes, and replaces finalName with the file (not a read-only one).
  bool Commit(const char* finalName, uint16_t dosDate, uint16_t dosTime);

private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
  char temp_[kTempNameLen + 1] = "";
};
