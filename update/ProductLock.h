#pragma once
#include <windows.h>

// One run at a time per product folder: a file in it that only one process can hold open.
// The system lets it go however the holder ends, killed too, and deletes it then.
class TProductLock {
public:
  TProductLock() = default;
  ~TProductLock() { Release(); }
  TProductLock(const TProductLock&) = delete;
  TProductLock& operator=(const TProductLock&) = delete;

  // False only when another process holds the folder. Where no lock file can be made (a
  // read-only folder) the run goes on: it cannot change the folder either.
  bool Take(const char* target);
  void Release();

private:
  HANDLE File = INVALID_HANDLE_VALUE;
};

// The lock's file in the product folder: never a product file.
inline constexpr char LockFileName[] = "TalvoUpdate.lck";
