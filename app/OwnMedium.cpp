#include "app/OwnMedium.h"

#include "update/files/FileUtils.h"
#include "update/medium/OneFile.h"

namespace {

// The updater's own file, held for as long as the process runs.
TOneFile Self;

}  // namespace

TMedium OwnMedium() {
  TMedium medium;
  GetOwnDir(medium.Folder);
  char root[] = "A:\\";
  root[0] = medium.Folder[0];
  medium.Drive = medium.Folder[0] ? GetDriveTypeA(root) : DRIVE_UNKNOWN;
  medium.Removable = medium.Drive == DRIVE_REMOVABLE;
  // Opened by its wide path, which any name has; where its image ends the loader has read.
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  const BYTE* image = reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
  const auto& headers = *reinterpret_cast<const IMAGE_NT_HEADERS32*>(
      image + reinterpret_cast<const IMAGE_DOS_HEADER*>(image)->e_lfanew);
  if (n && n < MAX_PATH && Self.Open(path, headers) != TOneFileState::None) {
    medium.OwnFile = &Self;
    medium.Removable = false;  // it holds every archive
  }
  // The key's resource: its fingerprint (64 digits and a NUL), then the PUBLICKEYBLOB.
  if (HRSRC key = FindResourceA(nullptr, "MEDIUMKEY", RT_RCDATA)) {
    const DWORD size = SizeofResource(nullptr, key);
    medium.Key.Fingerprint = static_cast<const char*>(LockResource(LoadResource(nullptr, key)));
    medium.Key.Blob = reinterpret_cast<const BYTE*>(medium.Key.Fingerprint) + 65;
    medium.Key.BlobSize = size > 65 ? size - 65 : 0;
  }
  return medium;
}
