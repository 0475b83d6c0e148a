#pragma once
// What a medium brings: the edition checked against the updater's rules, the files that
// changed since the previous edition measured for the archives, and the edition's version.
#include <string>
#include <vector>

#include "pack/EditionFiles.h"
#include "pack/Failure.h"
#include "pack/Zip.h"

// The file version of the edition's program, which each disk's description names.
std::string EditionText(const TEdition& edition);

// Every entry of either edition that is no plain file of one name (a link, a hard link, one
// that cannot be opened) and every rule the edition breaks, all of them.
TFailure CheckEditions(const TEdition& edition, const TEdition* previous);

// The members of every file the medium brings; the paths of the previous edition's files
// that the edition lacks go to gone.
TFailure MeasureChanged(const TEdition& edition, const TEdition* previous,
                        std::vector<TMember>* out, std::vector<std::wstring>* gone);
