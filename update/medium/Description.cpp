#include "update/medium/Description.h"

#include <stdlib.h>
#include <string.h>

#include "update/files/ProductNames.h"

namespace {

enum : DWORD {
  Format1MaxBytes = 4096,  // a disk's description of the first format is some hundred bytes
  Format1MaxArchives = 32,
  NameMaxBytes = 200,
};

// Cuts line at single blanks into words, at most max of them; with rest, the last word runs to
// the end of the line, blanks and all. Their count, or -1 when a word is empty or there are
// more words than max.
int Split(char* line, char** words, int max, bool rest) {
  for (int n = 0;; ++line) {
    if (n == max || !*line || *line == ' ') return -1;
    words[n++] = line;
    if (rest && n == max) return n;
    while (*line && *line != ' ') ++line;
    if (!*line) return n;
    *line = '\0';
  }
}

// Decimal digits only, at most 18 of them: no sign, no blank, no overflow.
bool Decimal(const char* text, ULONGLONG* out) {
  ULONGLONG value = 0;
  int n = 0;
  for (; text[n] >= '0' && text[n] <= '9'; ++n) value = value * 10 + (text[n] - '0');
  *out = value;
  return n > 0 && n <= 18 && !text[n];
}

// Exactly 2 * size lower-case hexadecimal digits.
bool Hex(const char* text, BYTE* out, DWORD size) {
  if (strlen(text) != 2 * size) return false;
  for (DWORD i = 0; i < 2 * size; ++i) {
    const char c = text[i];
    const int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (v < 0) return false;
    out[i / 2] = static_cast<BYTE>(out[i / 2] << 4 | v);
  }
  return true;
}

// A file version as a program's version resource gives it: digits and dots.
bool IsVersion(const char* text) {
  const size_t n = strlen(text);
  return n > 0 && n < 24 && strspn(text, "0123456789.") == n;
}

// YYYY-MM-DD, a day of the calendar.
bool ParseDay(const char* text, TDay* out) {
  ULONGLONG y, m, d;
  char part[5];
  if (strlen(text) != 10 || text[4] != '-' || text[7] != '-') return false;
  memcpy(part, text, 4), part[4] = '\0';
  if (!Decimal(part, &y)) return false;
  memcpy(part, text + 5, 2), part[2] = '\0';
  if (!Decimal(part, &m)) return false;
  memcpy(part, text + 8, 2), part[2] = '\0';
  if (!Decimal(part, &d)) return false;
  static const BYTE days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  if (y < 2000 || m < 1 || m > 12 || d < 1 || d > days[m - 1] || (m == 2 && d == 29 && !leap))
    return false;
  *out = {static_cast<WORD>(y), static_cast<WORD>(m), static_cast<WORD>(d)};
  return true;
}

// Well-formed UTF-8 without control characters, and a name Windows keeps as it is: no
// character it refuses, no blank or dot at the end.
bool IsNamePart(const char* part, size_t n) {
  if (n == 0 || part[n - 1] == ' ' || part[n - 1] == '.') return false;
  for (size_t i = 0; i < n;) {
    const BYTE c = static_cast<BYTE>(part[i]);
    if (c < 0x80) {
      if (c < 0x20 || c == 0x7f || strchr("<>:\"/\\|?*", c)) return false;
      ++i;
      continue;
    }
    const int more = c >= 0xc2 && c <= 0xdf   ? 1
                     : c >= 0xe0 && c <= 0xef ? 2
                     : c >= 0xf0 && c <= 0xf4 ? 3
                                              : -1;
    if (more < 0 || i + more >= n) return false;
    for (int k = 1; k <= more; ++k)
      if ((static_cast<BYTE>(part[i + k]) & 0xc0) != 0x80) return false;
    i += more + 1;
  }
  return true;
}

// A name relative to the product folder: a file at the top, or a form in the forms folder.
bool IsDescribedName(const char* name) {
  const size_t n = strlen(name);
  if (n > NameMaxBytes) return false;
  const char* slash = strchr(name, '\\');
  if (!slash) return IsNamePart(name, n);
  const size_t folder = slash - name;
  char head[sizeof FormsFolder];
  if (folder != strlen(FormsFolder)) return false;
  memcpy(head, name, folder);
  head[folder] = '\0';
  return EqualsAsciiNoCase(head, FormsFolder) && IsNamePart(slash + 1, n - folder - 1);
}

bool SameName(const char* a, const char* b) { return EqualsAsciiNoCase(a, b); }

}  // namespace

TDescription::~TDescription() { Clear(); }

void TDescription::Clear() {
  ClearFields();
  free(Text);
  Text = nullptr;
  TextSize = 0;
}

void TDescription::ClearFields() {
  free(Fields);
  free(Archives);
  free(Files);
  Fields = nullptr;
  Archives = nullptr;
  Files = Patches = BaseFiles = nullptr;
  Format = 0;
  Medium = Edition = Base = nullptr;
  Published = false;
  Issued = Expires = TDay();
  Disk = Disks = 0;
  ArchiveCount = FileCount = PatchCount = BaseFileCount = 0;
}

bool TDescription::Parse(const void* bytes, DWORD size) {
  Clear();
  if (size > DescriptionMaxBytes) return false;
  Text = static_cast<char*>(malloc(size + 1));
  Fields = static_cast<char*>(malloc(size + 1));
  if (!Text || !Fields) {
    Clear();
    return false;
  }
  memcpy(Text, bytes, size);
  Text[size] = '\0';
  TextSize = size;
  if (ParseLines()) return true;
  ClearFields();  // what fails a check lists nothing; its bytes stay for the log
  return false;
}

// Counts the lines of each list, so that each is allocated once.
bool TDescription::Allocate() {
  int counts[4] = {};
  static const char* const keys[4] = {"archive ", "file ", "patch ", "basefile "};
  for (const char* line = Text; *line;) {
    for (int k = 0; k < 4; ++k) counts[k] += strncmp(line, keys[k], strlen(keys[k])) == 0;
    const char* end = strstr(line, "\r\n");
    if (!end) break;
    line = end + 2;
  }
  const size_t files = counts[1] + counts[2] + counts[3];
  Archives = static_cast<TListedArchive*>(calloc(counts[0] + 1, sizeof(TListedArchive)));
  Files = static_cast<TListedFile*>(calloc(files + 1, sizeof(TListedFile)));
  Patches = Files + counts[1];
  BaseFiles = Patches + counts[2];
  return Archives && Files;
}

bool TDescription::ParseLines() {
  const DWORD size = TextSize;
  memcpy(Fields, Text, size + 1);
  if (!Allocate()) return false;
  const char* const end = Fields + size;
  int format = 0;
  // The head's fields, each in its turn; then the lists.
  enum { Medium_, Product_, Edition_, Base_, Issued_, Expires_, Disk_, Lists_ } next = Medium_;
  for (char *at = Fields, *line = at; at < end; line = at) {
    while (at < end && (static_cast<BYTE>(*at) >= ' ' && *at != 0x7f)) ++at;
    if (end - at < 2 || at[0] != '\r' || at[1] != '\n') return false;
    *at = '\0';
    at += 2;
    if (line == Fields) {
      format = strcmp(line, DescriptionHeader1) == 0 ? 1 : strcmp(line, DescriptionHeader2) == 0 ? 2 : 0;
      if (!format || (format == 1 && size > Format1MaxBytes)) return false;
      continue;
    }
    // The first format has no product, base or days; its lists are archives alone.
    if (format == 1 && next == Product_) next = Edition_;
    if (format == 1 && next == Base_) next = Disk_;
    char* w[8];
    const char* key = line;
    const char* blank = strchr(line, ' ');
    const size_t keyLength = blank ? static_cast<size_t>(blank - line) : strlen(line);
    const auto is = [&](const char* k) { return keyLength == strlen(k) && !strncmp(key, k, keyLength); };
    ULONGLONG a, b;
    BYTE id[MediumIdChars / 2];
    if (next == Medium_) {
      if (Split(line, w, 2, false) != 2 || !is("medium") || !Hex(w[1], id, sizeof id)) return false;
      Medium = w[1];
      next = Product_;
      continue;
    }
    if (next == Product_) {
      if (Split(line, w, 2, false) != 2 || !is("product") || strcmp(w[1], DescribedProduct))
        return false;
      next = Edition_;
      continue;
    }
    if (next == Edition_) {
      if (Split(line, w, 2, false) != 2 || !is("edition") || !IsVersion(w[1])) return false;
      Edition = w[1];
      next = Base_;
      continue;
    }
    if (next == Base_) {
      next = Issued_;
      if (is("base")) {
        if (Split(line, w, 2, false) != 2 || (strcmp(w[1], "-") && !IsVersion(w[1])))
          return false;
        Base = w[1];
        continue;
      }
    }
    if (next == Issued_) {
      next = Disk_;
      if (is("issued")) {
        if (Split(line, w, 2, false) != 2 || !ParseDay(w[1], &Issued)) return false;
        next = Expires_;
        continue;
      }
    }
    if (next == Expires_) {
      if (Split(line, w, 2, false) != 2 || !is("expires") || !ParseDay(w[1], &Expires) ||
          Expires < Issued)
        return false;
      Published = true;
      next = Disk_;
      continue;
    }
    if (next == Disk_) {
      next = Lists_;
      if (is("disk")) {
        if (Split(line, w, 3, false) != 3 || !Decimal(w[1], &a) || !Decimal(w[2], &b) || a < 1 ||
            a > b || b > MaxDisks)
          return false;
        Disk = static_cast<int>(a);
        Disks = static_cast<int>(b);
        continue;
      }
      if (format == 1) return false;
    }
    if (is("archive")) {
      if (Split(line, w, 4, false) != 4 || !IsUpdateArchive(w[1]) || !IsSafeName(w[1]) ||
          (format == 1 && ArchiveCount == static_cast<int>(Format1MaxArchives)))
        return false;
      TListedArchive& listed = Archives[ArchiveCount];
      if (!Decimal(w[2], &listed.Size) || !Hex(w[3], listed.Hash, HashBytes)) return false;
      for (int i = 0; i < ArchiveCount; ++i)
        if (SameName(Archives[i].Name, w[1])) return false;
      listed.Name = w[1];
      ++ArchiveCount;
      continue;
    }
    if (format == 1) return false;
    TListedFile* file = nullptr;
    if (is("file")) {
      if (Split(line, w, 5, true) != 5) return false;
      file = &Files[FileCount];
      if (!Decimal(w[1], &file->Size) || !Hex(w[2], file->Hash, HashBytes)) return false;
      file->Archive = w[3];
      file->Name = w[4];
      for (int i = 0; i < FileCount; ++i)
        if (SameName(Files[i].Name, file->Name)) return false;
      ++FileCount;
    } else if (is("patch")) {
      if (Split(line, w, 7, true) != 7) return false;
      file = &Patches[PatchCount];
      if (!Decimal(w[1], &file->BaseSize) || !Hex(w[2], file->BaseHash, HashBytes) ||
          !Decimal(w[3], &file->Size) || !Hex(w[4], file->Hash, HashBytes))
        return false;
      file->Archive = w[5];
      file->Name = w[6];
      // One patch a base of a file.
      for (int i = 0; i < PatchCount; ++i)
        if (SameName(Patches[i].Name, file->Name) &&
            !memcmp(Patches[i].BaseHash, file->BaseHash, HashBytes))
          return false;
      ++PatchCount;
    } else if (is("basefile")) {
      if (Split(line, w, 4, true) != 4) return false;
      file = &BaseFiles[BaseFileCount];
      if (!Decimal(w[1], &file->Size) || !Hex(w[2], file->Hash, HashBytes)) return false;
      file->Name = w[3];
      for (int i = 0; i < BaseFileCount; ++i)
        if (SameName(BaseFiles[i].Name, file->Name)) return false;
      ++BaseFileCount;
    } else {
      return false;
    }
    if (!IsDescribedName(file->Name) ||
        (file->Archive && (!IsUpdateArchive(file->Archive) || !IsSafeName(file->Archive))))
      return false;
  }
  // A medium names its disk; an edition on a server, its days.
  if (next != Lists_ || !ArchiveCount || (format == 2 && !Disk == !Published)) return false;
  Format = format;
  return true;
}

TListedArchive* TDescription::Find(const char* name) {
  for (int i = 0; i < ArchiveCount; ++i) {
    if (!SameName(Archives[i].Name, name)) continue;
    Archives[i].Seen = true;
    return &Archives[i];
  }
  return nullptr;
}
