#pragma once
// Applying a patch of the format in update/patch/PatchFormat.h, a file from a medium that
// anyone may have written: every number is checked before it is used, and the whole patch
// before a byte of the result is written.
#include <windows.h>

enum class TPatchResult {
  Ok,
  BadHeader,    // no patch of ours, or its parts do not add up to the file or to the result
  WrongBase,    // made for a base of another size
  BadControl,   // the control leaves the base, overruns its parts or the result, is cut short
  ReadFailed,   // the patch could not be read (GetLastError tells why)
  WriteFailed,  // the result could not be written (GetLastError tells why)
  NoMemory,
};

// Applies the patch in the file patch (read at its offsets, from its start) to the base of
// baseSize bytes in memory, and writes the result at the current position of the file result.
// The base is changed while it runs and is as it was when it returns. Memory: about 128 KB
// besides the base. A patch refused for its header or its control wrote nothing; one that
// failed to read or write may have left a part of the result, for the caller to remove.
TPatchResult ApplyPatch(HANDLE patch, BYTE* base, DWORD baseSize, HANDLE result);
