#pragma once
#include <windows.h>

#include "update/files/SafeFiles.h"

// One run at a time per product folder: a file in it that only one process can hold open.
// It is taken only as a plain file of the folder that this run opened or made itself; the
// system lets it go however the holder ends, killed too, and deletes it then.
class TProductLock {
public:
  TProductLock() = default;
  ~TProductLock() { Release(); }
  TProductLock(const TProductLock&) = delete;
  TProductLock& operator=(const TProductLock&) = delete;

  // False when the folder cannot be locked: another run holds it, or its lock is no plain
  // file of ours (a folder, a link, a read-only file, a folder that cannot be written).
  bool Take(const TFolder& product);
  void Release();

private:
  HANDLE File = INVALID_HANDLE_VALUE;
};

// The lock's file in the product folder: never a product file.
inline constexpr char LockFileName[] = "TalvoUpdate.lck";
