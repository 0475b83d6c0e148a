#pragma once
#include <windows.h>

#include "update/files/SafeFiles.h"

// One run at a time per product folder: a file in it that only one process can hold open.
// It is taken only as a plain file of the folder that this run opened or made itself; the
// system lets it go however the holder ends, killed too, and deletes it then.
// How taking the lock went.
enum class TLockTake {
  Taken,
  Busy,        // another run holds it, or it is no plain file of ours (a folder, a link)
  TooLong,     // its name does not fit a path in this folder
  Unwritable,  // there is none, and none can be made: the folder cannot be written
};

class TProductLock {
public:
  TProductLock() = default;
  ~TProductLock() { Release(); }
  TProductLock(const TProductLock&) = delete;
  TProductLock& operator=(const TProductLock&) = delete;

  // Why not, when the folder cannot be locked; the system's reason in GetLastError.
  TLockTake Take(const TFolder& product);
  void Release();

private:
  HANDLE File = INVALID_HANDLE_VALUE;
};

// The lock's file in the product folder: never a product file.
inline constexpr char LockFileName[] = "TalvoUpdate.lck";
