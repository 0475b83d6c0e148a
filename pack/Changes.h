#pragma once
// What a medium brings: the edition checked against the updater's rules, the files that
// changed since the previous edition measured for the archives, and the edition's version.
#include <string>
#include <vector>

#include "pack/EditionFiles.h"
#include "pack/Zip.h"

// The file version of the edition's program, which each disk's description names.
std::string EditionText(const TEdition& edition);

// Links in an edition, said: what they lead to is not the edition's to pack.
bool Linked(const TEdition& edition);

// Each rule the edition breaks, said; true when there is any.
bool Refused(const TEdition& edition, const TEdition* previous);

// The members of every file the medium brings; one of the exit codes.
int MeasureChanged(const TEdition& edition, const TEdition* previous, std::vector<TMember>* out);
