#include "update/files/ProductNames.h"

#include <windows.h>
#include <string.h>
#include <strsafe.h>

#include "ZipNames.h"
#include "update/files/ProductLock.h"

namespace {

// The one archive on a medium that is never part of an update.
const char InstallerArchive[] = "WinTalvo.zip";

bool EndsWithAsciiNoCase(const char* name, const char* tail) {
  size_t n = strlen(name), t = strlen(tail);
  return n >= t && EqualsAsciiNoCase(name + n - t, tail);
}

bool StartsWithAsciiNoCase(const char* name, const char* head) {
  const size_t h = strlen(head);
  if (strlen(name) < h) return false;
  char start[16];
  memcpy(start, name, h);
  start[h] = '\0';
  return EqualsAsciiNoCase(start, head);
}

bool AllDigits(const char* s) {
  if (!*s) return false;
  for (; *s; ++s)
    if (*s < '0' || *s > '9') return false;
  return true;
}

}  // namespace

bool EqualsAsciiNoCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    char ca = (*a >= 'A' && *a <= 'Z') ? *a + 32 : *a;
    char cb = (*b >= 'A' && *b <= 'Z') ? *b + 32 : *b;
    if (ca != cb) return false;
  }
  return *a == *b;
}

// "*.zip" also matches a longer extension through the file's short name (a.zipx is
// A~1.ZIP); only real archives are taken.
bool IsUpdateArchive(const char* name) {
  return name[0] != '.' && EndsWithAsciiNoCase(name, ".zip") &&
         !EqualsAsciiNoCase(name, InstallerArchive);
}

bool IsRichText(const char* name) {
  size_t len = strlen(name);
  return len >= 4 && name[len - 4] == '.' && EqualsAsciiNoCase(name + len - 3, "rtf");
}

bool IsProductFile(const char* name) {
  return name[0] != '.' && !EqualsAsciiNoCase(name, LockFileName) &&
         !EqualsAsciiNoCase(name, LogFileName);
}

bool IsReservedName(const char* name) {
  if (!IsProductFile(name)) return true;
  // Compared without regard to case, as the file system compares them.
  if (StartsWithAsciiNoCase(name, "Temp") && AllDigits(name + 4)) return true;
  const size_t n = strlen(name);
  if (n > 8 && StartsWithAsciiNoCase(name, "~tlv") && EndsWithAsciiNoCase(name, ".tmp")) {
    char digits[MAX_PATH];
    memcpy(digits, name + 4, n - 8);
    digits[n - 8] = '\0';
    return AllDigits(digits);
  }
  return false;
}

// The library's rule, on the name as the file system will see it (UTF-16): one rule for the
// names the library unpacks and the names the updater places.
bool IsSafeName(const char* name) {
  wchar_t wide[MAX_PATH];
  const int n = strlen(name) < MAX_PATH
                    ? MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name, -1, wide, MAX_PATH)
                    : 0;
  return n > 1 && unz::IsSafeName(reinterpret_cast<const char16_t*>(wide), n - 1);
}

bool IsPlacedName(const char* name) {
  const size_t forms = strlen(FormsFolder);
  const bool inForms = strncmp(name, FormsFolder, forms) == 0 && name[forms] == '\\';
  const char* base = inForms ? name + forms + 1 : name;
  return IsSafeName(base) && IsProductFile(base) && IsRichText(base) == inForms;
}
