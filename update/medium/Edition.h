#pragma once
// The edition of a program: the file version in its version resource. It is read from the
// file's bytes without loading the file, as the program may come from a medium: every
// length and offset in it is checked before use.
#include <windows.h>

struct TVersion {
  DWORD Ms = 0;  // a.b
  DWORD Ls = 0;  // c.d
};

inline bool operator<(TVersion a, TVersion b) { return a.Ms != b.Ms ? a.Ms < b.Ms : a.Ls < b.Ls; }

// The file version of the program at path (ANSI); false when the file cannot be read, is no
// PE image or has no well-formed version resource.
bool ReadFileVersion(const char* path, TVersion* out);
// The same for a wide path, which any name can take whatever the code page.
bool ReadFileVersionW(const wchar_t* path, TVersion* out);

// "a.b.c.d"
inline constexpr int VersionTextSize = 24;
void FormatVersion(TVersion version, char* out /* VersionTextSize */);
