// Each disk on the medium's own word: its description, the publisher's signature over it,
// and every archive against it, before anything of the disk reaches the product.
#include "update/UpdateRun.h"

#include <string.h>
#include <strsafe.h>

#include "update/FileUtils.h"
#include "update/FindFiles.h"
#include "update/Messages.h"
#include "update/ProductNames.h"
#include "update/RunRecord.h"

TUpdateRun::TOutcome TUpdateRun::TakeDisk(int number, bool* wrong) {
  *wrong = false;
  char path[MAX_PATH];
  const TMediumFile got =
      Disk.Accept(ReadDiskFile(ManifestName, Disk.Bytes, ManifestMaxBytes, &Disk.Size));
  if (got == TMediumFile::Unreadable) LogFailure();
  JoinPath(Medium.Folder, ManifestName, path);
  const TMsgLine from = Medium.One ? TMsgLine(Medium.One->Path()) : TMsgLine(AnsiText{path});
  if (got != TMediumFile::Absent) Log.Line(TxtLogManifest, from, AnsiText{Disk.Text()});
  if (Medium.Key.Fingerprint) {
    BYTE signature[SignatureMaxBytes];
    DWORD size = 0;
    TSha256 hash;
    if (got != TMediumFile::Read ||
        ReadDiskFile(SignatureName, signature, sizeof signature, &size) != TMediumFile::Read ||
        !hash.Start(Crypto) || !hash.Add(Disk.Bytes, Disk.Size) ||
        !VerifySignature(Crypto, Medium.Key.Blob, Medium.Key.BlobSize, hash, signature, size)) {
      if (got != TMediumFile::Unreadable) LogFailure();
      Say(MsgError, TxtNotSigned);
      return Fail();
    }
    JoinPath(Medium.Folder, SignatureName, path);
    Log.Line(TxtLogSigned, Medium.One ? from : TMsgLine(AnsiText{path}));
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
  for (int i = 0; Medium.One && i < Medium.One->Count(); ++i) {
    const char* name = Medium.One->Member(i).Name;
    if (IsUpdateArchive(name) && !Disk.Find(name)) return Damaged(nullptr, name);
  }
  if (!Medium.One) {
    FindFiles archives(Medium.Folder, "*.zip");
    if (archives.Found()) {
      do {
        if (IsUpdateArchive(archives.Name()) && !Disk.Find(archives.Name()))
          return Damaged(Medium.Folder, archives.Name());
      } while (archives.Next());
    }
  }
  for (int i = 0; i < Disk.Count; ++i)
    if (!Disk.Archives[i].Seen) return Damaged(Medium.Folder, Disk.Archives[i].Name);
  return {};
}

TUpdateRun::TOutcome TUpdateRun::CheckArchive(const char* name, const char* copy) {
  if (!Disk.Present()) return {};
  ULONGLONG size;
  BYTE hash[HashBytes];
  if (!HashFile(copy, &size, hash)) {
    LogFailure();
    return Damaged(Medium.Folder, name);
  }
  const TListedArchive* listed = Disk.Find(name);
  const bool same = listed && listed->Size == size && memcmp(listed->Hash, hash, HashBytes) == 0;
  char hex[2 * HashBytes + 1];
  HexText(hash, HashBytes, hex);
  Log.Line(TxtLogChecked, AnsiText{name}, Cp1251Text{hex}, same ? TxtLogListed : TxtLogNotListed);
  if (same) return {};
  return Damaged(Medium.Folder, name);
}

TRunEnd TUpdateRun::Damaged(const char* folder, const char* name) {
  if (Medium.One) {
    Say(MsgError, TxtFile, TMsgLine(Medium.One->Path()), TxtDamagedDownload);
    return Fail();
  }
  char path[MAX_PATH];
  Say(MsgError, TxtArchive, AnsiText{JoinPath(folder, name, path) ? path : name},
      TxtDamagedOrChanged);
  return Fail();
}

bool TUpdateRun::HashFile(const char* path, ULONGLONG* size, BYTE (&hash)[HashBytes]) {
  static BYTE buffer[64 * 1024];
  *size = 0;
  const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  bool ok = file != INVALID_HANDLE_VALUE;
  DWORD error;
  {
    TSha256 sha;
    ok = ok && sha.Start(Crypto);
    for (DWORD got = 1; ok && got; *size += got)
      ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr) && sha.Add(buffer, got);
    ok = ok && sha.Finish(hash);
    error = GetLastError();
  }
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  SetLastError(error);
  return ok;
}
