#pragma once
// How the installed product stands against what a description says of its files. Each file is
// read through a handle that nobody may write while it is held, its size first and its SHA-256
// only where the size matches; a link in its place is never the file described.
#include <windows.h>

#include "crypto/Crypto.h"

enum class TInstalled {
  Missing,  // no such file
  Other,    // another file, or one that cannot be read as it is
  Same,     // the file described
};

class TInstalledFiles {
public:
  // productFolder: the product folder's path (ANSI).
  explicit TInstalledFiles(const char* productFolder);
  TInstalledFiles(const TInstalledFiles&) = delete;
  TInstalledFiles& operator=(const TInstalledFiles&) = delete;

  // The product's file name (relative, UTF-8) against this size and SHA-256.
  TInstalled Compare(const char* name, ULONGLONG size, const BYTE* hash);
  // The same, and when it is the file described, *held is a handle to it (read from its start
  // again) that shares reading only, for the caller to close: the bytes checked are the bytes
  // it reads. INVALID_HANDLE_VALUE otherwise.
  TInstalled Hold(const char* name, ULONGLONG size, const BYTE* hash, HANDLE* held);

private:
  wchar_t Folder[MAX_PATH];
  bool Known;  // the folder's path could be widened
  TCryptProvider Crypto;
};
