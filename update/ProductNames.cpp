#include "update/ProductNames.h"

#include <windows.h>
#include <string.h>
#include <strsafe.h>

#include "update/ProductLock.h"
#include "update/RunLog.h"

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

bool IsDeviceName(const char* name) {
  char base[16];
  const char* dot = strchr(name, '.');
  const size_t n = dot ? static_cast<size_t>(dot - name) : strlen(name);
  if (n == 0 || n >= sizeof base) return false;
  memcpy(base, name, n);
  base[n] = '\0';
  static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : devices)
    if (EqualsAsciiNoCase(base, device)) return true;
  return n == 4 && (StartsWithAsciiNoCase(base, "COM") || StartsWithAsciiNoCase(base, "LPT")) &&
         base[3] >= '1' && base[3] <= '9';
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

bool DestinationOf(const char* target, const char* name, char* dest) {
  return IsRichText(name)
             ? SUCCEEDED(StringCchPrintfA(dest, MAX_PATH, "%s\\%s\\%s", target, FormsFolder, name))
             : SUCCEEDED(StringCchPrintfA(dest, MAX_PATH, "%s\\%s", target, name));
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

bool IsSafeName(const char* name) {
  const size_t n = strlen(name);
  if (n == 0 || n >= MAX_PATH || strcmp(name, ".") == 0 || strcmp(name, "..") == 0 ||
      name[n - 1] == '.' || name[n - 1] == ' ')
    return false;
  for (const unsigned char* c = reinterpret_cast<const unsigned char*>(name); *c; ++c)
    if (*c < 32 || strchr("<>:\"/\\|?*", *c)) return false;
  return !IsDeviceName(name);
}

bool IsPlacedName(const char* name) {
  const size_t forms = strlen(FormsFolder);
  const bool inForms = strncmp(name, FormsFolder, forms) == 0 && name[forms] == '\\';
  const char* base = inForms ? name + forms + 1 : name;
  return IsSafeName(base) && IsProductFile(base) && IsRichText(base) == inForms;
}
