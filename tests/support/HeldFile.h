#pragma once
// A file in use by another program: hold_file keeps it open with no sharing, in a process of
// its own, until it is ended or its time is up.
#include <windows.h>

#include "Files.h"

namespace support {

class HeldFile {
public:
  HeldFile() = default;
  // Holds the file at once; Held() tells whether that worked.
  explicit HeldFile(const FilePath& path, DWORD holdMs = 120000) { Hold(path, holdMs); }
  ~HeldFile() { Release(); }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

  // True once the file is really held; the holder lets go by itself after holdMs.
  bool Hold(const FilePath& path, DWORD holdMs = 120000);
  // Whether the file is held now (by anyone).
  bool Held() const;
  // Ends the holder; true when the file is then free.
  bool Release();

private:
  HANDLE process_ = nullptr;
  std::wstring path_;
};

}  // namespace support
