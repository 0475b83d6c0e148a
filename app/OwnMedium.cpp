#include "app/OwnMedium.h"

namespace {

bool IsCapital(char c) { return c >= 'A' && c <= 'Z'; }

}  // namespace

void FoldCapitalRuns(char* folder) {
  // From the end toward the start, so each test sees its left neighbour unchanged.
  for (int i = static_cast<int>(strlen(folder)) - 1; i >= 1; --i) {
    if (IsCapital(folder[i]) && IsCapital(folder[i - 1])) folder[i] = folder[i] - 'A' + 'a';
  }
}

int GetOwnDir(char* out) {
  const DWORD n = GetModuleFileNameA(nullptr, out, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {  // a cut module path would name the wrong folder
    out[0] = '\0';
    return 0;
  }
  int cut = static_cast<int>(n);
  while (cut > 0 && out[cut - 1] != '\\') --cut;
  if (cut == 0) {
    out[0] = '\0';
    return 0;
  }
  --cut;
  out[cut] = '\0';
  FoldCapitalRuns(out);
  return cut;
}

TMedium OwnMedium() {
  TMedium medium;
  GetOwnDir(medium.Folder);
  char root[] = "A:\\";
  root[0] = medium.Folder[0];
  medium.Drive = medium.Folder[0] ? GetDriveTypeA(root) : DRIVE_UNKNOWN;
  medium.Removable = medium.Drive == DRIVE_REMOVABLE;
  // The key's resource: its fingerprint (64 digits and a NUL), then the PUBLICKEYBLOB.
  if (HRSRC key = FindResourceA(nullptr, "MEDIUMKEY", RT_RCDATA)) {
    const DWORD size = SizeofResource(nullptr, key);
    medium.Key.Fingerprint = static_cast<const char*>(LockResource(LoadResource(nullptr, key)));
    medium.Key.Blob = reinterpret_cast<const BYTE*>(medium.Key.Fingerprint) + 65;
    medium.Key.BlobSize = size > 65 ? size - 65 : 0;
  }
  return medium;
}
