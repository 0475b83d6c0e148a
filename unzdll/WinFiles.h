// The files the library touches: the archive, read at offsets, and each member's output,
// written under a temporary name and moved into place only when it is complete and verified.
#pragma once

#include <windows.h>

#include "ZipReader.h"

class TArchiveFile : public unz::TSource {
public:
  ~TArchiveFile();
  bool Open(const char* path);
  uint64_t Size() const override { return Length; }
  bool Read(uint64_t offset, void* buf, size_t n) override;

private:
  HANDLE Handle = INVALID_HANDLE_VALUE;
  uint64_t Length = 0;
};

const size_t TempNameLength = 16;  // "~unzXXXXXXXX.tmp"

class TMemberFile : public unz::TSink {
public:
  ~TMemberFile();  // deletes the temporary file unless Commit succeeded
  // Creates a fresh temporary file in the current folder.
  bool Create();
  bool Write(const uint8_t* data, size_t n) override;
  // Stamps the DOS time, closes, and replaces finalName with the file (not a read-only one).
  bool Commit(const char* finalName, uint16_t dosDate, uint16_t dosTime);

private:
  HANDLE Handle = INVALID_HANDLE_VALUE;
  char TempName[TempNameLength + 1] = "";
};
