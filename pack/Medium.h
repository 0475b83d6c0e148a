#pragma once
// The medium written into OUT: the archives (on the disks' folders with /FLOPPY), the
// programs beside the first, the whole proven by unpacking it, each disk described and
// signed; or nothing of it, when any step fails.
#include <string>
#include <vector>

#include "pack/Failure.h"
#include "pack/Kit.h"
#include "pack/Layout.h"
#include "pack/Signing.h"

// How the medium is signed: with key (null: not signed), its signatures checked with the
// kit updater's key, or with the key's own.
struct TSigning {
  TSigningKey* Key;
  std::string Edition;
};

// The medium in out, or nothing: what was made in out goes again, and nothing else. One file: the
// CD medium is made in a folder of its own first, and only the one file stays.
TFailure Make(const std::wstring& out, bool floppy, bool oneFile, const TKit& kit,
              const std::vector<TMember>& members, const std::vector<TArchivePlan>& plan,
              const TSigning& signing);
