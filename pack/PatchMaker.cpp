#include "pack/PatchMaker.h"

#include "pack/SuffixArray.h"
#include "update/patch/PatchFormat.h"

namespace {

typedef std::vector<uint8_t> TBytes;

// Equal bytes in an add from this many on go as an exact add of their own: shorter runs
// cost deflate less as zeros than a triple costs (measured on real programs: 256 worse, 4096
// no better).
const int32_t ExactRun = 1024;

// The longest match of the result from scan with a suffix of the base.
class TMatcher {
public:
  TMatcher(const TBytes& base) : Base(base), Sa(SuffixArray(base.data(), int32_t(base.size()))) {}

  int32_t Longest(const uint8_t* p, int32_t size, int32_t* at) const {
    // Binary search for where p sorts; the longest match is a neighbour of that place. Every
    // suffix between the bounds shares the shorter of their common prefixes with p.
    int32_t lo = -1, hi = int32_t(Sa.size()), lcpLo = 0, lcpHi = 0;
    while (hi - lo > 1) {
      const int32_t mid = lo + (hi - lo) / 2;
      const int32_t k = Common(p, size, Sa[mid], lcpLo < lcpHi ? lcpLo : lcpHi);
      const int32_t x = Sa[mid];
      const bool below = k < size && (x + k == int32_t(Base.size()) || Base[x + k] < p[k]);
      (below ? lo : hi) = mid;
      (below ? lcpLo : lcpHi) = k;
    }
    const bool takeLo = lo >= 0 && (hi == int32_t(Sa.size()) || lcpLo > lcpHi);
    *at = takeLo ? Sa[lo] : hi < int32_t(Sa.size()) ? Sa[hi] : 0;
    return takeLo ? lcpLo : hi < int32_t(Sa.size()) ? lcpHi : 0;
  }

private:
  int32_t Common(const uint8_t* p, int32_t size, int32_t x, int32_t k) const {
    const int32_t end = int32_t(Base.size()) - x < size ? int32_t(Base.size()) - x : size;
    while (k < end && Base[x + k] == p[k]) ++k;
    return k;
  }

  const TBytes& Base;
  std::vector<int32_t> Sa;
};

void Put32(uint8_t* p, uint32_t v) {
  for (int k = 0; k < 4; ++k) p[k] = uint8_t(v >> 8 * k);
}

// The three parts of a patch as they are made.
struct TParts {
  TBytes Control, Diff, Extra;

  // Adds add bytes at basePos (of the result's from resultPos), then copy, then seek. A long
  // run of equal bytes in the add goes as an exact add of its own: deflate spends bits on
  // every 258 zeros of differences, and a nearly equal file is mostly such runs.
  void Triple(const TBytes& base, const TBytes& result, int32_t basePos, int32_t resultPos,
              int32_t add, int32_t copy, int32_t seek) {
    int32_t start = 0;  // of the add not yet sent
    for (int32_t i = 0; i < add;) {
      int32_t run = 0;
      while (i + run < add && result[resultPos + i + run] == base[basePos + i + run]) ++run;
      if (run >= ExactRun) {
        if (i > start) {
          Add(base, result, basePos + start, resultPos + start, i - start, false);
          Number(0);
          Number(0);
        }
        Add(base, result, basePos + i, resultPos + i, run, true);
        start = i + run;
        if (start < add) {
          Number(0);
          Number(0);
        }
      }
      i += run ? run : 1;
    }
    if (start < add || add == 0)
      Add(base, result, basePos + start, resultPos + start, add - start, false);
    Number(copy);
    Number(seek < 0 ? (uint32_t(-(seek + 1)) << 1) | 1 : uint32_t(seek) << 1);
    Extra.insert(Extra.end(), result.begin() + resultPos + add,
                 result.begin() + resultPos + add + copy);
  }

private:
  void Add(const TBytes& base, const TBytes& result, int32_t basePos, int32_t resultPos, int32_t n,
           bool exact) {
    Number(uint32_t(n) << 1 | exact);
    if (!exact)
      for (int32_t i = 0; i < n; ++i) Diff.push_back(result[resultPos + i] - base[basePos + i]);
  }

  void Number(uint32_t v) {
    for (; v >= 0x80; v >>= 7) Control.push_back(uint8_t(v | 0x80));
    Control.push_back(uint8_t(v));
  }
};

// The walk over the result. An alignment (base offset) is kept while it matches about as well
// as the best exact match found at the scan position; when a better one appears, the stretch
// since the last one is split: its head extends the old alignment (the differences), its tail
// is taken back into the new one, and what lies between travels as extra bytes.
TParts Diff(const TBytes& base, const TBytes& result) {
  const int32_t oldSize = int32_t(base.size()), newSize = int32_t(result.size());
  TParts parts;
  TMatcher matcher(base);
  int32_t scan = 0, len = 0, pos = 0, lastScan = 0, lastPos = 0, lastOffset = 0;
  while (scan < newSize) {
    int32_t oldScore = 0;
    for (int32_t scsc = scan += len; scan < newSize; ++scan) {
      len = matcher.Longest(result.data() + scan, newSize - scan, &pos);
      for (; scsc < scan + len; ++scsc)
        if (scsc + lastOffset < oldSize && base[scsc + lastOffset] == result[scsc]) ++oldScore;
      if ((len == oldScore && len != 0) || len > oldScore + 8) break;
      if (scan + lastOffset < oldSize && base[scan + lastOffset] == result[scan]) --oldScore;
    }
    if (len == oldScore && scan != newSize) continue;

    // How far the old alignment goes forward: the length where matches most outnumber misses.
    int32_t lenf = 0;
    int64_t s = 0, best = 0;  // 64 bits: twice a count of a file near 2 GB
    for (int32_t i = 0; lastScan + i < scan && lastPos + i < oldSize;) {
      if (base[lastPos + i] == result[lastScan + i]) ++s;
      ++i;
      if (s * 2 - i > best * 2 - lenf) {
        best = s;
        lenf = i;
      }
    }
    // How far the new one goes back.
    int32_t lenb = 0;
    if (scan < newSize) {
      s = best = 0;
      for (int32_t i = 1; scan >= lastScan + i && pos >= i; ++i) {
        if (base[pos - i] == result[scan - i]) ++s;
        if (s * 2 - i > best * 2 - lenb) {
          best = s;
          lenb = i;
        }
      }
    }
    // Where they overlap, the split where the old one's matches and the new one's balance best.
    if (lastScan + lenf > scan - lenb) {
      const int32_t overlap = (lastScan + lenf) - (scan - lenb);
      int32_t lens = 0;
      s = best = 0;
      for (int32_t i = 0; i < overlap; ++i) {
        if (result[lastScan + lenf - overlap + i] == base[lastPos + lenf - overlap + i]) ++s;
        if (result[scan - lenb + i] == base[pos - lenb + i]) --s;
        if (s > best) {
          best = s;
          lens = i + 1;
        }
      }
      lenf += lens - overlap;
      lenb -= lens;
    }
    parts.Triple(base, result, lastPos, lastScan, lenf, (scan - lenb) - (lastScan + lenf),
                 (pos - lenb) - (lastPos + lenf));
    lastScan = scan - lenb;
    lastPos = pos - lenb;
    lastOffset = pos - scan;
  }
  return parts;
}

bool IsPe(const TBytes& file) { return file.size() >= 64 && file[0] == 'M' && file[1] == 'Z'; }

}  // namespace

bool MakePatch(const uint8_t* base, size_t baseSize, const uint8_t* result, size_t resultSize,
               std::vector<uint8_t>& patch) {
  patch.clear();
  if (baseSize > patch::LargestFile || resultSize > patch::LargestFile) return false;
  TBytes oldFile(base, base + baseSize), newFile(result, result + resultSize);
  const bool filter = IsPe(oldFile) && IsPe(newFile);
  if (filter) {
    patch::FilterBranches(oldFile.data(), uint32_t(baseSize), 0, true);
    patch::FilterBranches(newFile.data(), uint32_t(resultSize), 0, true);
  }
  const TParts parts = Diff(oldFile, newFile);
  if (parts.Control.size() > patch::LargestFile) return false;
  patch.resize(patch::HeaderSize);
  uint8_t* h = patch.data();
  for (int k = 0; k < 4; ++k) h[k] = patch::Magic[k];
  h[4] = uint8_t(patch::FormatVersion);
  h[5] = 0;
  h[6] = filter ? uint8_t(patch::BranchFilter) : 0;
  h[7] = 0;
  Put32(h + 8, uint32_t(baseSize));
  Put32(h + 12, uint32_t(resultSize));
  Put32(h + 16, uint32_t(parts.Control.size()));
  Put32(h + 20, uint32_t(parts.Diff.size()));
  Put32(h + 24, uint32_t(parts.Extra.size()));
  patch.insert(patch.end(), parts.Control.begin(), parts.Control.end());
  patch.insert(patch.end(), parts.Diff.begin(), parts.Diff.end());
  patch.insert(patch.end(), parts.Extra.begin(), parts.Extra.end());
  return true;
}
