#pragma once
// The proof that a medium brings the edition: every archive unpacked by the medium's own
// UNZDLL.DLL, through the adapter the updater uses, and every file compared with the
// edition.
#include <string>
#include <vector>

#include "pack/Failure.h"
#include "pack/Layout.h"

struct TMadeArchive {
  std::wstring Path;
  const TArchivePlan* Plan;
};

// Whether the library can be given these members' names and this folder here: it takes them
// in the process's ANSI code page.
TFailure CanUnpackHere(const std::vector<TMember>& members, const std::wstring& folder);

// Unpacks each archive with the library at that path, loaded only when its image has hash
// (what the kit's updater carries), into a folder of its own under work, and compares what came
// out with the edition: the same names, the same bytes, and each where the updater will put it.
// The library runs from a copy of the bytes checked, in a folder of its own under work. Every
// difference is a problem of the failure.
TFailure VerifyMedium(const std::wstring& library, const std::string& hash,
                      const std::vector<TMadeArchive>& archives, const std::wstring& work);
