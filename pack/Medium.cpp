#include "pack/Medium.h"

#include <windows.h>

#include "pack/CommandLine.h"
#include "pack/Console.h"
#include "pack/Description.h"
#include "pack/Files.h"
#include "pack/OneFile.h"
#include "pack/Summary.h"
#include "pack/Verify.h"
#include "pack/Zip.h"

namespace {

// The archives written into out (the disks' folders with /FLOPPY), the programs beside the
// first, the whole unpacked and compared, then each disk described.
bool MakeMedium(const std::wstring& out, bool floppy, const TKit& kit,
                const std::vector<TArchivePlan>& plan, const TSigning& signing) {
  std::vector<TMadeArchive> made;
  std::vector<TDescribed> disks;
  std::wstring first, why;
  for (size_t i = 0; i < plan.size(); ++i) {
    const std::wstring folder = floppy ? Join(out, L"DISK" + std::to_wstring(i + 1)) : out;
    if (i == 0) first = folder;
    if (floppy && !MakeFolder(folder)) {
      ComplainFailed(folder + L": папката не може да се създаде");
      return false;
    }
    made.push_back({Join(folder, plan[i].Name), &plan[i]});
    disks.push_back({folder, made.back().Path});
    if (!WriteArchive(made.back().Path, plan[i].Members, &why)) {
      Complain(why);
      return false;
    }
  }
  for (const wchar_t* name : {kUpdater, kLibrary}) {
    const std::wstring to = Join(first, name);
    if (!CopyNew(kit.Folder + name, to)) {
      ComplainFailed(to + L": не може да се копира");
      return false;
    }
  }
  const std::wstring work = Join(out, L"~CHECK");
  const bool same = VerifyMedium(Join(first, kLibrary), kit.LibraryHash, made, work);
  const std::string check = !signing.Key          ? std::string()
                            : kit.KeyBlob.empty() ? signing.Key->PublicBlob()
                                                  : kit.KeyBlob;
  return RemoveTree(work) && same && DescribeMedium(disks, signing.Edition, signing.Key, check);
}

}  // namespace

int Make(const std::wstring& out, bool floppy, bool oneFile, const TKit& kit,
         const std::vector<TMember>& members, const std::vector<TArchivePlan>& plan,
         const TSigning& signing) {
  std::wstring why;
  if (!CanUnpackHere(members, out, &why)) {
    Complain(why);
    return kNotMade;
  }
  if (!IsFolder(out) && !MakeFolder(out)) {
    ComplainFailed(out + L": папката не може да се създаде");
    return kNotMade;
  }
  const std::wstring medium = oneFile ? Join(out, L"~MEDIUM") : out;
  if ((!oneFile || MakeFolder(medium)) && MakeMedium(medium, floppy, kit, plan, signing) &&
      (!oneFile ||
       (MakeOneFile(medium, Join(out, kUpdater), plan, kit.LibraryHash, Join(out, L"~ONEFILE")) &&
        RemoveTree(medium)))) {
    Summary(out, floppy, plan, signing);
    return kMade;
  }
  RemoveMade();
  Complain(L"Носителят не е направен.");
  return kNotMade;
}
