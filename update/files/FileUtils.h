#pragma once
// Small file and path helpers over 260-byte single-byte path buffers (ANSI code page).
// They keep no state, show nothing and throw nothing; a false result leaves the system's
// reason in GetLastError.

// Paths (update/files/Paths.cpp).

// Removes control characters and blanks (codes 1..32) from both ends, in place; returns
// the new length. Bytes 0x80..0xFF stay.
int TrimPath(char* path);

// Joins folder and name with exactly one backslash at the seam into out (MAX_PATH).
// Returns false and leaves out empty when the result would not fit.
bool JoinPath(const char* folder, const char* name, char* out);

// True when a directory search for exactly this path finds something.
bool PathExists(const char* path);

// Folds runs of ASCII capitals in a folder path: each run keeps its first letter and the
// rest becomes lower case (D:\UPDATE gives D:\Update). Position 0 never changes.
void FoldCapitalRuns(char* folder);

// The updater's own folder, without trailing backslash, capital runs folded; returns its
// length. 0 and an empty string when the module path has no backslash or does not fit:
// callers must not join names onto an empty folder (that would name the current directory).
int GetOwnDir(char* out /* MAX_PATH */);

// Files and trees (update/files/FileUtils.cpp).

// Whether anything (a file, a folder) is at this path.
bool Exists(const char* path);

// Clears the read-only bit of a file, if set: a file of ours to replace or delete.
void MakeWritable(const char* path);

// Clears the read-only bit of every file under folder; folder attributes, names that begin
// with a dot and links (with whatever they point to) are left alone. An empty folder does
// nothing.
void ClearReadOnlyTree(const char* folder);

// Deletes a file, retrying for up to 10 s; true when the file is gone.
bool DeleteFileRetry(const char* path);
