#pragma once
// Makes the patch that turns base into result, in the format the updater reads
// (update/patch/PatchFormat.h), by the suffix-sorting method: the result is walked for long
// approximate matches in the base (found through the base's suffix array), which travel as
// bytewise differences that are mostly zero, and the bytes between them travel as they are.
// Portable C++, without the system: it also builds on the host for benchmarks.
#include <cstddef>
#include <cstdint>
#include <vector>

// False (and patch empty) when a file is too large for the format.
bool MakePatch(const uint8_t* base, size_t baseSize, const uint8_t* result, size_t resultSize,
               std::vector<uint8_t>& patch);
