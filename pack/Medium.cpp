#include "pack/Medium.h"

#include <windows.h>

#include "pack/Description.h"
#include "pack/Files.h"
#include "pack/OneFile.h"
#include "pack/Verify.h"
#include "pack/Zip.h"

namespace {

// The archives written into out (the disks' folders with /FLOPPY), the programs beside the
// first, the whole unpacked and compared, then each disk described.
TFailure MakeMedium(const std::wstring& out, bool floppy, const TKit& kit,
                    const std::vector<TArchivePlan>& plan, const TSigning& signing) {
  std::vector<TMadeArchive> made;
  std::vector<TDescribed> disks;
  std::wstring first;
  for (size_t i = 0; i < plan.size(); ++i) {
    const std::wstring folder = floppy ? Join(out, L"DISK" + std::to_wstring(i + 1)) : out;
    if (i == 0) first = folder;
    if (floppy && !MakeFolder(folder))
      return FailedCall(NotMade, folder, L": папката не може да се създаде");
    made.push_back({Join(folder, plan[i].Name), &plan[i]});
    disks.push_back({folder, made.back().Path});
    if (TFailure failed = WriteArchive(made.back().Path, plan[i].Members)) return failed;
  }
  for (const wchar_t* name : {KitUpdater, KitLibrary}) {
    const std::wstring to = Join(first, name);
    if (!CopyNew(kit.Folder + name, to)) return FailedCall(NotMade, to, L": не може да се копира");
  }
  const std::wstring work = Join(out, L"~CHECK");
  TFailure failed = VerifyMedium(Join(first, KitLibrary), kit.LibraryHash, made, work);
  if (!RemoveTree(work)) failed.Add(FailedCall(NotMade, work, L": не може да се изтрие"));
  if (failed) return failed;
  const std::string check = !signing.Key          ? std::string()
                            : kit.KeyBlob.empty() ? signing.Key->PublicBlob()
                                                  : kit.KeyBlob;
  return DescribeMedium(disks, signing.Edition, signing.Key, check);
}

// The medium in out, made in it.
TFailure MakeIn(const std::wstring& out, bool floppy, bool oneFile, const TKit& kit,
                const std::vector<TArchivePlan>& plan, const TSigning& signing) {
  if (!IsFolder(out) && !MakeFolder(out))
    return FailedCall(NotMade, out, L": папката не може да се създаде");
  if (!oneFile) return MakeMedium(out, floppy, kit, plan, signing);
  const std::wstring medium = Join(out, L"~MEDIUM");
  if (!MakeFolder(medium)) return FailedCall(NotMade, medium, L": папката не може да се създаде");
  TFailure failed = MakeMedium(medium, floppy, kit, plan, signing);
  if (!failed)
    failed =
        MakeOneFile(medium, Join(out, KitUpdater), plan, kit.LibraryHash, Join(out, L"~ONEFILE"));
  if (!failed && !RemoveTree(medium))
    failed = FailedCall(NotMade, medium, L": не може да се изтрие");
  return failed;
}

}  // namespace

TFailure Make(const std::wstring& out, bool floppy, bool oneFile, const TKit& kit,
              const std::vector<TMember>& members, const std::vector<TArchivePlan>& plan,
              const TSigning& signing) {
  if (TFailure failed = CanUnpackHere(members, out)) return failed;
  TFailure failed = MakeIn(out, floppy, oneFile, kit, plan, signing);
  if (!failed) return failed;
  RemoveMade();
  return failed.Add(NotMade, {L"", L"Носителят не е направен."});
}
