#pragma once
// Zip archives made in memory, on zlib (for the Windows tests and the native ones alike).
#include <cstdint>
#include <string>
#include <vector>

namespace support {

// An archive member: its name as stored (folders separated by "/"; a name ending in "/" is a
// folder entry), its bytes, whether they are deflated, and the general purpose flags.
struct ZipEntry {
  std::string name;
  std::string data;
  bool deflated = false;
  uint16_t flags = 0;
};

// The archive's bytes: local headers in order (30 bytes and the name before each member's
// data), then the central directory and its end record, dated 1980-01-01.
std::string Zip(const std::vector<ZipEntry>& entries);

}  // namespace support
