#pragma once
// The kit: the programs of the medium beside TalvoPack (the updater and its unpacking
// library), and the publisher's key the updater was built with.
#include <string>

#include "pack/Failure.h"
#include "pack/Signing.h"

// The programs of the medium, taken from TalvoPack's own folder.
inline constexpr wchar_t KitUpdater[] = L"TalvoUpdate.exe";
inline constexpr wchar_t KitLibrary[] = L"UNZDLL.DLL";

// The programs of the medium beside TalvoPack.
struct TKit {
  std::wstring Folder;
  unsigned long long Bytes = 0;  // what the two take on a floppy
  // The key the updater was built with (its fingerprint, and a PUBLICKEYBLOB); empty when
  // it takes media without a signature.
  std::string KeyPrint, KeyBlob;
  // The hash of the library the updater was built with, the only one it loads.
  std::string LibraryHash;
};

// Finds both programs beside TalvoPack and reads the updater's key.
TFailure FindKit(TKit* kit);

// Whether the medium can be signed as the kit's updater demands: with the key it was built
// with (given: /KEY named one).
TFailure KeyFitsKit(const TKit& kit, const TSigningKey& key, bool given);
