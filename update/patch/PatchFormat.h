#pragma once
// The patch that turns one file (the base, the file the user has) into another (the result).
// TalvoPack makes it (pack/PatchMaker), the updater applies it (update/patch/Patch). It travels
// deflated inside an archive of the medium and is applied as the plain file, so its parts are
// laid out whole one after another: deflate sees each kind of data in one run.
//
// Every number is little-endian and unsigned.
//
//   offset size  field
//        0    4  magic "TPCH"
//        4    2  version, 1
//        6    2  flags: bit 0 = x86 branch filter (below); every other bit 0
//        8    4  base size: the length of the file the patch applies to, below 2^31
//       12    4  result size: the length of the file it makes, below 2^31
//       16    4  control length C
//       20    4  difference length D
//       24    4  extra length E; D + E at most the result size
//       28    C  control: triples of numbers, each a LEB128 varint (7 bits a byte, low bits
//                first, the high bit set on every byte but the last, at most 5 bytes, the
//                value below 2^32):
//                  add:  twice a count n, plus 1 for an exact add: n result bytes made from
//                        the base at the base position, each the base byte plus the next
//                        difference byte (mod 256), or the base bytes as they are when exact;
//                        the position advances by n
//                  copy: result bytes taken as they are from the extra part
//                  seek: zigzag-coded (0, -1, 1, -2, ... as 0, 1, 2, 3, ...), added to the base
//                        position
//                The base position starts at 0 and stays within 0..base size; the triples
//                end with the control part, having made exactly the result and used every
//                difference and extra byte. Exact adds spare deflate the long runs of zeros
//                that nearly equal files would leave in the differences.
//     28+C    D  difference: the bytes of the adds that are not exact, in order
//   28+C+D    E  extra: the copy bytes in order; the patch ends with them
//
// x86 branch filter: in a file of x86 code, calls and jumps (E8, E9) carry their targets as
// distances from themselves, so that a function that moves changes every call to it. With the
// flag, the patch is made between the filtered base and the filtered result and its result is
// unfiltered. Filtering scans the file from the start: a byte E8 or E9 with four bytes after it
// in the file starts a branch, and the scan goes on after those four; at any other byte it goes
// on at the next. When the last of the four is 00 or FF (a near distance), the four as a 25-bit
// signed number get the offset of the byte after them added (mod 2^25, then sign-extended to
// 32 bits); unfiltering subtracts it. Both find the same branches and the same near ones, as no
// byte they test is one that either changes.
#include <cstdint>

namespace patch {

const uint8_t Magic[4] = {'T', 'P', 'C', 'H'};
const uint16_t FormatVersion = 1;
const uint16_t BranchFilter = 1;
const uint32_t HeaderSize = 28;
const uint32_t LargestFile = 0x7FFFFFFF;

// Filters (toward absolute targets) or unfilters data, the bytes of the file from offset pos;
// returns how many leading bytes are final: the rest (fewer than 5) need the bytes after them,
// or stay as they are at the end of the file.
uint32_t FilterBranches(uint8_t* data, uint32_t size, uint32_t pos, bool toAbsolute);

}  // namespace patch
