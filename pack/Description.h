#pragma once
// The description of each disk of a medium (update/medium/Manifest.h), written beside its archive
// and signed when a key is given, then read back as the updater reads it.
#include <string>
#include <vector>

#include "pack/Failure.h"
#include "pack/Signing.h"
#include "pack/Verify.h"

struct TDescribed {
  std::wstring Folder;   // the disk's folder
  std::wstring Archive;  // its archive's path
};

// Describes the disks, each holding one archive, in their order; edition is the new
// Vanto.exe's file version. With key, each description is signed, and the signature must
// verify with check (a PUBLICKEYBLOB: the key the medium's updater was built with, or the
// key's own). A failure when a disk is not described and proven.
TFailure DescribeMedium(const std::vector<TDescribed>& disks, const std::string& edition,
                        TSigningKey* key, const std::string& check);
