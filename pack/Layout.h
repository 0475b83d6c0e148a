#pragma once
// Which archive each member goes into, and whether the medium can hold them: one archive for
// a CD or a folder, or one on each of three floppy disks.
#include <string>
#include <vector>

#include "pack/Failure.h"
#include "pack/Zip.h"

// A 1.44 MB floppy as FAT12 formats it: 2,847 clusters of 512 bytes; every file takes whole
// clusters.
inline constexpr unsigned long long ClusterBytes = 512;
inline constexpr unsigned long long DiskBytes = 2847 * ClusterBytes;
inline constexpr int FloppyDisks = 3;
// Room kept free on every disk for the description of the medium that each disk will carry.
inline constexpr unsigned long long DiskReserve = 4 * ClusterBytes;

inline unsigned long long OnDisk(unsigned long long bytes) {
  return (bytes + ClusterBytes - 1) / ClusterBytes * ClusterBytes;
}

// The archive of a CD or folder medium (disk 0), or of a floppy disk: 8.3, capitals.
std::wstring ArchiveName(int disk);

struct TArchivePlan {
  std::wstring Name;                    // 8.3, capitals
  std::vector<const TMember*> Members;  // in the edition's order
  unsigned long long Bytes = ArchiveEndBytes;
};

// The one archive of a CD or folder medium; a failure when an archive cannot hold them.
TFailure PlanFolder(const std::vector<TMember>& members, std::vector<TArchivePlan>* out);

// One archive for each of the three disks, the largest members first, each onto the disk
// with the most room, a disk without any member first. programs: what the updater and its
// library take on disk 1. A failure with the sizes when a member fits no disk (each one
// named) or the members do not fit all three.
TFailure PlanFloppies(const std::vector<TMember>& members, unsigned long long programs,
                      std::vector<TArchivePlan>* out);
