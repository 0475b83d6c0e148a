#pragma once
// A medium of several disks kept as folders side by side (DISK1, DISK2, ... copied to a
// share, a stick or a hard disk): where each disk's folder is.

// Whether folder (the first disk's) is named DISK1, in any case.
bool IsFirstDiskFolder(const char* folder);
// The folder of disk number beside folder: DISK<number> in its parent, or in folder itself
// when it is a drive's root. False when the path does not fit.
bool DiskFolder(const char* folder, int number, char* out /* MAX_PATH */);
