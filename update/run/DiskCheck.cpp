// Each disk on the medium's own word: its description, the publisher's signature over it,
// and every archive against it, before anything of the disk reaches the product.
#include "update/run/UpdateRun.h"

#include <string.h>
#include <strsafe.h>

#include "update/files/FileUtils.h"
#include "update/files/FindFiles.h"
#include "update/run/Messages.h"
#include "update/medium/ProductNames.h"
#include "update/log/RunRecord.h"

TUpdateRun::TOutcome TUpdateRun::TakeDisk(int number, bool* wrong) {
  *wrong = false;
  char path[MAX_PATH];
  const TMediumFile got = Disk.Read(Medium.Folder);
  if (got == TMediumFile::Unreadable) LogFailure();
  if (got != TMediumFile::Absent) {
    JoinPath(Medium.Folder, ManifestName, path);
    Log.Line(TxtLogManifest, AnsiText{path}, AnsiText{Disk.Text()});
  }
  if (Medium.Key.Fingerprint) {
    BYTE signature[SignatureMaxBytes];
    DWORD size = 0;
    if (got != TMediumFile::Read ||
        ReadMediumFile(Medium.Folder, SignatureName, signature, sizeof signature, &size) !=
            TMediumFile::Read ||
        !VerifySignature(Crypto, Medium.Key.Blob, Medium.Key.BlobSize, Disk.Bytes, Disk.Size,
                         signature, size)) {
      if (got != TMediumFile::Unreadable) LogFailure();
      Say(MsgError, TxtNotSigned);
      return Fail();
    }
    JoinPath(Medium.Folder, SignatureName, path);
    Log.Line(TxtLogSigned, AnsiText{path});
  }
  if (got == TMediumFile::Absent) {
    // A medium made by hand, in a program without a key; a disk of no medium after the
    // first disk's description.
    *wrong = MediumId[0] != '\0';
  } else if (Disk.Valid()) {
    // One that cannot be read lists nothing: CheckListing refuses the disk's archives.
    if (number == 1) lstrcpynA(MediumId, Disk.Medium, sizeof MediumId);
    *wrong = Disk.Disk != number || (MediumId[0] && strcmp(Disk.Medium, MediumId) != 0);
  }
  if (*wrong) {
    char line[64];
    StringCchPrintfA(line, sizeof line, TxtWrongDisk.Str, number);
    Say(MsgWarning, Cp1251Text{line});
  }
  return {};
}

TUpdateRun::TOutcome TUpdateRun::ChangeDisk(int next) {
  for (bool wrong = true; wrong;) {
    if (TOutcome end = AskForDisk(next)) return end;
    if (TOutcome end = TakeDisk(next, &wrong)) return end;
  }
  return {};
}

TUpdateRun::TOutcome TUpdateRun::CheckListing() {
  if (!Disk.Present()) return {};
  FindFiles archives(Medium.Folder, "*.zip");
  if (archives.Found()) {
    do {
      if (IsUpdateArchive(archives.Name()) && !Disk.Find(archives.Name()))
        return Damaged(Medium.Folder, archives.Name());
    } while (archives.Next());
  }
  for (int i = 0; i < Disk.Count; ++i)
    if (!Disk.Archives[i].Seen) return Damaged(Medium.Folder, Disk.Archives[i].Name);
  return {};
}

TUpdateRun::TOutcome TUpdateRun::CheckArchive(const char* name, const char* copy) {
  if (!Disk.Present()) return {};
  ULONGLONG size;
  BYTE hash[HashBytes];
  const HANDLE file = CreateFileA(copy, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  const bool hashed = file != INVALID_HANDLE_VALUE && HashFile(Crypto, file, &size, hash);
  if (!hashed) LogFailure();
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (!hashed) return Damaged(Medium.Folder, name);
  const TListedArchive* listed = Disk.Find(name);
  const bool same = listed && listed->Size == size && memcmp(listed->Hash, hash, HashBytes) == 0;
  char hex[2 * HashBytes + 1];
  HexText(hash, HashBytes, hex);
  Log.Line(TxtLogChecked, AnsiText{name}, Cp1251Text{hex}, same ? TxtLogListed : TxtLogNotListed);
  if (same) return {};
  return Damaged(Medium.Folder, name);
}

TRunEnd TUpdateRun::Damaged(const char* folder, const char* name) {
  char path[MAX_PATH];
  Say(MsgError, TxtArchive, AnsiText{JoinPath(folder, name, path) ? path : name},
      TxtDamagedOrChanged);
  return Fail();
}
