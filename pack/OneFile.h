#pragma once
// The one-file medium (update/medium/OneFile.h): the updater of a CD medium with everything beside
// it appended, written as one program, then proven as the updater will read it.
#include <string>
#include <vector>

#include "pack/Failure.h"
#include "pack/Layout.h"

// Writes file from the CD medium in folder (its updater, library, description, signature and
// the archives of plan), reads it back with the updater's own reader, and unpacks what it
// carries into work with the library it carries (which must have libraryHash, the kit
// updater's), compared with the edition. A failure when the file is not made and proven.
TFailure MakeOneFile(const std::wstring& folder, const std::wstring& file,
                     const std::vector<TArchivePlan>& plan, const std::string& libraryHash,
                     const std::wstring& work);
