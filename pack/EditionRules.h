#pragma once
// The rules an edition must keep so that the updater puts every file of it where it
// belongs, under its own name, and never asks whether to install an older edition.
#include <string>
#include <vector>

#include "pack/EditionFiles.h"
#include "pack/Failure.h"

// Every rule the edition breaks, one problem per file and rule naming the file; none when it
// may be packed. previous, when given, is the edition that users have now.
std::vector<TProblem> CheckEdition(const TEdition& edition, const TEdition* previous);
