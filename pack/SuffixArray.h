#pragma once
// The suffix array of a file: the starts of its suffixes in lexicographic order (a suffix that
// is a prefix of another sorts first). Built by induced sorting (SA-IS), linear in time, with
// the array itself and a byte per symbol besides.
#include <cstddef>
#include <cstdint>
#include <vector>

std::vector<int32_t> SuffixArray(const uint8_t* data, int32_t size);
