#pragma once
#include <windows.h>

class TOneFile;

// The publisher's public key that every disk of a medium must be signed with: the program's
// own resource when it was built with one.
struct TMediumKey {
  const char* Fingerprint = nullptr;  // SHA-256 of the key (DER) in hexadecimal; null: no key
  const BYTE* Blob = nullptr;         // a PUBLICKEYBLOB for CryptoAPI
  DWORD BlobSize = 0;
};

// Where the update comes from: the folder beside the updater that holds the archives, or the
// updater's own file when it carries them.
struct TMedium {
  char Folder[MAX_PATH];  // empty when the updater's own path could not be read
  UINT Drive;             // the kind of drive it lies on, as GetDriveType tells it
  bool Removable;         // on a removable drive the update comes on several disks
  TMediumKey Key;
  const TOneFile* OwnFile = nullptr;  // the updater's own file when it carries the medium
};
