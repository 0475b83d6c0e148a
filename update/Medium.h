#pragma once
#include <windows.h>

// Where the update comes from: the folder beside the updater that holds the archives.
struct TMedium {
  char Folder[MAX_PATH];  // empty when the updater's own path could not be read
  UINT Drive;             // the kind of drive it lies on, as GetDriveType tells it
  bool Removable;         // on a removable drive the update comes on three disks
};
