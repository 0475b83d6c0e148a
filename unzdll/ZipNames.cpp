#include "ZipNames.h"

namespace unz {
namespace {

char16_t Upper(char16_t c) { return c >= 'a' && c <= 'z' ? char16_t(c - 'a' + 'A') : c; }

bool Equals(const char16_t* w, size_t n, const char* ascii) {
  size_t i = 0;
  for (; i < n && ascii[i]; ++i)
    if (Upper(w[i]) != char16_t(ascii[i])) return false;
  return i == n && !ascii[i];
}

// Windows opens a device for these names whatever follows the first dot, and ignores
// blanks before that dot. The superscript digits count as digits there too.
bool IsDeviceName(const char16_t* w, size_t n) {
  size_t stem = 0;
  while (stem < n && w[stem] != '.') ++stem;
  while (stem > 0 && w[stem - 1] == ' ') --stem;
  static const char* const Devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* d : Devices)
    if (Equals(w, stem, d)) return true;
  if (stem == 4 && (Equals(w, 3, "COM") || Equals(w, 3, "LPT"))) {
    char16_t d = w[3];
    return (d >= '1' && d <= '9') || d == 0x00B9 || d == 0x00B2 || d == 0x00B3;
  }
  return false;
}

}  // namespace

size_t Utf8ToUtf16(const uint8_t* s, size_t n, char16_t* out, size_t cap) {
  size_t o = 0;
  for (size_t i = 0; i < n;) {
    uint32_t c = s[i];
    size_t len = c < 0x80                 ? 1
                 : c >= 0xC2 && c <= 0xDF ? 2
                 : c >= 0xE0 && c <= 0xEF ? 3
                 : c >= 0xF0 && c <= 0xF4 ? 4
                                          : 0;
    if (len == 0 || len > n - i) return BadName;
    if (len > 1) c &= 0x3F >> (len - 1);
    for (size_t k = 1; k < len; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) return BadName;
      c = c << 6 | (s[i + k] & 0x3F);
    }
    static const uint32_t Smallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < Smallest[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return BadName;
    if (c >= 0x10000) {
      if (cap - o < 2) return BadName;
      c -= 0x10000;
      out[o++] = char16_t(0xD800 | c >> 10);
      out[o++] = char16_t(0xDC00 | (c & 0x3FF));
    } else {
      if (o == cap) return BadName;
      out[o++] = char16_t(c);
    }
    i += len;
  }
  return o;
}

size_t BaseNameStart(const char16_t* w, size_t n) {
  size_t start = 0;
  for (size_t i = 0; i < n; ++i)
    if (w[i] == '/' || w[i] == '\\') start = i + 1;
  return start;
}

bool IsSafeName(const char16_t* w, size_t n) {
  if (n == 0 || w[n - 1] == '.' || w[n - 1] == ' ') return false;  // also "." and ".."
  for (size_t i = 0; i < n; ++i) {
    char16_t c = w[i];
    if (c < 0x20 || c == 0x7F) return false;
    switch (c) {
      case ':':
      case '<':
      case '>':
      case '"':
      case '|':
      case '?':
      case '*':
      case '/':
      case '\\': return false;
    }
  }
  return !IsDeviceName(w, n);
}

// Greedy matching that backs up only to the latest star: linear in practice, never
// exponential on hostile patterns.
static bool Match(const char16_t* p, size_t pn, const char16_t* s, size_t sn) {
  size_t pi = 0, si = 0, star = BadName, mark = 0;
  while (si < sn) {
    // The star first: a name may hold a star too, which the pattern's star must still cover.
    if (pi < pn && p[pi] == '*') {
      star = pi++;
      mark = si;
    } else if (pi < pn && (p[pi] == '?' || p[pi] == s[si])) {
      ++pi;
      ++si;
    } else if (star != BadName) {
      pi = star + 1;
      si = ++mark;
    } else {
      return false;
    }
  }
  while (pi < pn && p[pi] == '*') ++pi;
  return pi == pn;
}

bool MatchSpec(const char16_t* spec, size_t specLen, const char16_t* name, size_t nameLen) {
  if (Match(spec, specLen, name, nameLen)) return true;
  bool dotStar = specLen >= 2 && spec[specLen - 2] == '.' && spec[specLen - 1] == '*';
  if (!dotStar) return false;
  for (size_t i = 0; i < nameLen; ++i)
    if (name[i] == '.') return false;
  return Match(spec, specLen - 2, name, nameLen);
}

}  // namespace unz
