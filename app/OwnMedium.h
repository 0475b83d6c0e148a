#pragma once
// Where the running updater was started from: the medium of its update.
#include "update/medium/Medium.h"

// Folds runs of ASCII capitals in a folder path: each run keeps its first letter and the
// rest becomes lower case (D:\UPDATE gives D:\Update). Position 0 never changes.
void FoldCapitalRuns(char* folder);

// The updater's own folder, without trailing backslash, capital runs folded; returns its
// length. 0 and an empty string when the module path has no backslash or does not fit:
// callers must not join names onto an empty folder (that would name the current directory).
int GetOwnDir(char* out /* MAX_PATH */);

// The medium the running updater was started from.
TMedium OwnMedium();
