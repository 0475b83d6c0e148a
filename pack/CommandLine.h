#pragma once
// TalvoPack's command line: EDITION OUT [/PREVIOUS=DIR] [/FLOPPY | /ONEFILE] [/KEY=FILE] [/?], or
// /NEWKEY=DIR alone.
#include <string>

struct TPackArgs {
  std::wstring Edition;
  std::wstring Out;
  std::wstring Previous;  // empty without /PREVIOUS
  std::wstring Key;       // the private key that signs the medium; empty without /KEY
  std::wstring NewKey;    // the folder of a new key pair; empty without /NEWKEY
  bool Floppy = false;
  bool OneFile = false;  // the whole medium as one program
  bool Help = false;
};

// Switch names in any case, each at most once; false when the line is refused.
bool ParsePackArgs(int argc, const wchar_t* const* argv, TPackArgs* out);

extern const wchar_t* const PackHelp;
