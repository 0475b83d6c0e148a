#pragma once
// The archives of a medium, written on zlib: each file deflated at the best level (or stored
// when that would not make it smaller), its name in UTF-8 with the UTF-8 flag, its time the
// file's own, and no field that varies from one run to the next, so that the same edition
// always gives the same bytes.
#include <stdint.h>

#include <string>
#include <vector>

#include "pack/EditionFiles.h"
#include "pack/Failure.h"

struct TMember {
  const TEditionFile* File;
  std::string Name;  // as stored: UTF-8, without the folder (the updater routes by extension)
  uint16_t Time;     // DOS time and date of the file's last change, local time
  uint16_t Date;
  uint32_t Crc;
  uint32_t Size;
  uint32_t Packed;  // bytes of data in the archive
  bool Deflated;    // else stored
};

// The largest file an archive without ZIP64 holds.
inline constexpr unsigned long long LargestMember = 0xFFFFFFFFull;
// Bytes of an archive besides its members: the end record.
inline constexpr unsigned long long ArchiveEndBytes = 22;

// The member of this file, found by compressing it; false when it cannot be read whole or
// is larger than LargestMember.
bool Measure(const TEditionFile& file, TMember* out);

// Bytes the member takes in its archive: its two headers, its name twice and its data.
unsigned long long MemberBytes(const TMember& m);

// Writes a new archive of the members in this order.
TFailure WriteArchive(const std::wstring& path, const std::vector<const TMember*>& members);
