#include "update/medium/Manifest.h"

#include <string.h>

#include "update/files/FileUtils.h"
#include "update/files/ProductNames.h"

namespace {

// Cuts line at single blanks into at most max words; their count, or -1 when a word is empty
// or there are more.
int Split(char* line, char** words, int max) {
  for (int n = 0;; ++line) {
    if (n == max || !*line || *line == ' ') return -1;
    words[n++] = line;
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

}  // namespace

TMediumFile ReadMediumFile(const char* folder, const char* name, void* buffer, DWORD capacity,
                           DWORD* size) {
  *size = 0;
  char path[MAX_PATH];
  if (!JoinPath(folder, name, path)) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return TMediumFile::Unreadable;
  }
  const HANDLE file =
      CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? TMediumFile::Absent
                                                                          : TMediumFile::Unreadable;
  }
  // A byte past capacity tells a file too large.
  BYTE extra;
  DWORD more = 0;
  const bool read =
      ReadFile(file, buffer, capacity, size, nullptr) && ReadFile(file, &extra, 1, &more, nullptr);
  const DWORD error = !read ? GetLastError() : more ? ERROR_FILE_TOO_LARGE : NO_ERROR;
  CloseHandle(file);
  SetLastError(error);
  return error ? TMediumFile::Unreadable : TMediumFile::Read;
}

TMediumFile TManifest::Read(const char* folder) {
  return Accept(ReadMediumFile(folder, ManifestName, Bytes, ManifestMaxBytes, &Size));
}

TMediumFile TManifest::Accept(TMediumFile got) {
  Count = 0;
  Bytes[Size] = '\0';
  if (got == TMediumFile::Read) Parse(Bytes, Size);
  Found = got != TMediumFile::Absent;
  return got;
}

bool TManifest::Parse(const void* bytes, DWORD size) {
  Found = true;
  Count = 0;
  Medium = Edition = nullptr;
  Disk = Disks = 0;
  if (size > ManifestMaxBytes) return false;
  memcpy(Fields, bytes, size);
  Fields[size] = '\0';
  const char* const end = Fields + size;
  int count = 0;
  for (char *at = Fields, *line = at; at < end; line = at) {
    while (at < end && *at >= ' ' && *at <= '~') ++at;
    if (end - at < 2 || at[0] != '\r' || at[1] != '\n') return false;
    *at = '\0';
    at += 2;
    if (line == Fields) {
      if (strcmp(line, ManifestHeader) != 0) return false;
      continue;
    }
    char* w[4];
    const int n = Split(line, w, 4);
    const char* key = n > 0 ? w[0] : "";
    ULONGLONG a, b;
    BYTE id[MediumIdChars / 2];
    if (!Medium) {
      if (n != 2 || strcmp(key, "medium") || !Hex(w[1], id, sizeof id)) return false;
      Medium = w[1];
    } else if (!Edition) {
      if (n != 2 || strcmp(key, "edition") || !IsVersion(w[1])) return false;
      Edition = w[1];
    } else if (!Disk) {
      if (n != 3 || strcmp(key, "disk") || !Decimal(w[1], &a) || !Decimal(w[2], &b) || a < 1 ||
          a > b || b > MaxDisks)
        return false;
      Disk = static_cast<int>(a);
      Disks = static_cast<int>(b);
    } else {
      if (n != 4 || strcmp(key, "archive") || count == static_cast<int>(ManifestMaxArchives) ||
          !IsUpdateArchive(w[1]))
        return false;
      TListedArchive& listed = Archives[count];
      if (!Decimal(w[2], &listed.Size) || !Hex(w[3], listed.Hash, HashBytes)) return false;
      for (int i = 0; i < count; ++i)
        if (EqualsAsciiNoCase(Archives[i].Name, w[1])) return false;
      listed.Name = w[1];
      listed.Seen = false;
      ++count;
    }
  }
  Count = count;
  return Valid();
}

TListedArchive* TManifest::Find(const char* name) {
  for (int i = 0; i < Count; ++i) {
    if (!EqualsAsciiNoCase(Archives[i].Name, name)) continue;
    Archives[i].Seen = true;
    return &Archives[i];
  }
  return nullptr;
}
