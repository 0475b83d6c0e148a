// The run over a one-file medium: what a CD holds beside the updater is taken out of the
// updater's own file into the work folder, and nothing beside the file is looked at.
#include "update/run/UpdateRun.h"

#include <memory>
#include <new>
#include <utility>

#include "crypto/ImageHash.h"
#include "update/files/FileUtils.h"
#include "update/log/Messages.h"
#include "update/files/ProductNames.h"
#include "update/log/RunRecord.h"

TOutcome TUpdateRun::TakeOut(const TCarried& member, const char* to) {
  const HANDLE file =
      CreateFileA(to, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  bool ok = file != INVALID_HANDLE_VALUE && Medium.OwnFile->CopyOut(member, file);
  const DWORD error = GetLastError();
  if (file != INVALID_HANDLE_VALUE) ok = CloseHandle(file) && ok;
  if (ok) return {};
  SetLastError(error);
  return Talk.Failed(UndoRun, TxtCopyError, TMsgLine(Medium.OwnFile->Path()), TxtCannotUpdate);
}

TOutcome TUpdateRun::TakeCarriedUnpacker() {
  if (Medium.OwnFile->State() != TOneFileState::Carried)
    return Disks.Damaged(Talk, nullptr, nullptr);
  // One larger than any library of ours is not read: the file is damaged.
  const DWORD size = Medium.OwnFile->Find(LibraryName)->Size;
  std::unique_ptr<BYTE[]> bytes(size <= LargestImage ? new (std::nothrow) BYTE[size + 1] : nullptr);
  DWORD read = 0;
  if (bytes && Medium.OwnFile->Read(LibraryName, bytes.get(), size, &read) != TMediumFile::Read)
    return Talk.Failed(UndoRun, TxtCopyError, TMsgLine(Medium.OwnFile->Path()), TxtCannotUpdate);
  const TUnzLoad taken = Unzip->TakeUnzDll(std::move(bytes), read);
  return taken == TUnzLoad::Taken ? TOutcome() : RefuseLibrary(taken);
}

// Each archive as on a CD: copied into the work folder, then its size and hash checked
// against the description before the next is taken.
TOutcome TUpdateRun::FetchCarried() {
  const TOneFile& one = *Medium.OwnFile;
  for (int i = 0; i < one.MemberCount(); ++i) {
    const char* name = one.Member(i).Name;
    if (!IsUpdateArchive(name)) continue;
    if (!Talk.Ui.ShowFile({name})) return UndoRun;
    char to[MAX_PATH];
    if (!JoinPath(WorkDir(), name, to) || !Fetched.Add(name))
      return Talk.Failed(UndoRun, TxtCopyError, TMsgLine(Medium.OwnFile->Path()), TxtCannotUpdate);
    if (TOutcome end = TakeOut(one.Member(i), to)) return end;
    Talk.Log.Line(TxtLogFetched, AnsiText{name});
    if (TOutcome end = Disks.CheckArchive(Talk, name, to)) return end;
  }
  return {};
}
