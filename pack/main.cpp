// TalvoPack: checks an edition of the product against the updater's rules and makes its
// update medium, a folder for a CD or three floppy disks, then proves the medium by
// unpacking it as the updater will.
#include <windows.h>

#include "pack/CommandLine.h"
#include "pack/Console.h"
#include "pack/EditionFiles.h"
#include "pack/EditionRules.h"
#include "pack/Encoding.h"
#include "pack/Files.h"
#include "pack/Layout.h"
#include "pack/Verify.h"

namespace {

// The programs of the medium, taken from TalvoPack's own folder.
const wchar_t kUpdater[] = L"TalvoUpdate.exe";
const wchar_t kLibrary[] = L"UNZDLL.DLL";

std::wstring Plural(unsigned long long n, const wchar_t* one, const wchar_t* more) {
  return Count(n) + (n == 1 ? one : more);
}

bool Inside(const std::wstring& path, const std::wstring& folder) {
  const std::wstring head = Upper(Join(folder, L""));
  return Upper(Join(path, L"")).compare(0, head.size(), head) == 0;
}

// EDITION, /PREVIOUS and OUT name folders TalvoPack can work with: OUT new or empty, and
// outside both editions.
bool FoldersUsable(const TPackArgs& args) {
  const auto refuse = [](const std::wstring& path, const wchar_t* why) {
    Complain(path + why);
    return false;
  };
  if (!IsFolder(args.Edition)) return refuse(args.Edition, L": не е папка.");
  if (!args.Previous.empty() && !IsFolder(args.Previous))
    return refuse(args.Previous, L": не е папка.");
  const std::wstring out = FullPath(args.Out);
  std::vector<TFound> inOut;
  if (GetFileAttributesW(out.c_str()) != INVALID_FILE_ATTRIBUTES &&
      (!ListFolder(out, &inOut) || !inOut.empty()))
    return refuse(out, L": носителят се прави в папка, която не съществува или е празна.");
  if (Inside(out, FullPath(args.Edition)) ||
      (!args.Previous.empty() && Inside(out, FullPath(args.Previous))))
    return refuse(out, L": носителят не се прави в папка на изданието.");
  return true;
}

// The programs of the medium beside TalvoPack.
struct TKit {
  std::wstring Folder;
  unsigned long long Bytes = 0;  // what the two take on a floppy
};

bool FindKit(TKit* kit) {
  wchar_t self[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  kit->Folder.assign(self, n < MAX_PATH ? n : 0);
  kit->Folder.erase(kit->Folder.find_last_of(L'\\') + 1);
  for (const wchar_t* name : {kUpdater, kLibrary}) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (kit->Folder.empty() ||
        !GetFileAttributesExW((kit->Folder + name).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      Complain(kit->Folder + name + L": липсва до TalvoPack.exe.");
      return false;
    }
    kit->Bytes += OnDisk((ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  }
  return true;
}

// The archives written into out (the disks' folders with /FLOPPY), the programs beside the
// first, and the whole unpacked and compared.
bool MakeMedium(const std::wstring& out, bool floppy, const TKit& kit,
                const std::vector<TArchivePlan>& plan) {
  std::vector<TMadeArchive> made;
  std::wstring first, why;
  for (size_t i = 0; i < plan.size(); ++i) {
    const std::wstring folder = floppy ? Join(out, L"DISK" + std::to_wstring(i + 1)) : out;
    if (i == 0) first = folder;
    if (floppy && !CreateDirectoryW(folder.c_str(), nullptr)) {
      Complain(folder + L": папката не може да се създаде.");
      return false;
    }
    made.push_back({Join(folder, plan[i].Name), &plan[i]});
    if (!WriteArchive(made.back().Path, plan[i].Members, &why)) {
      Complain(why);
      return false;
    }
  }
  for (const wchar_t* name : {kUpdater, kLibrary}) {
    const std::wstring to = Join(first, name);
    if (!CopyFileW((kit.Folder + name).c_str(), to.c_str(), TRUE)) {
      Complain(to + L": не може да се копира.");
      return false;
    }
  }
  const std::wstring work = Join(out, L"~CHECK");
  const bool same = VerifyMedium(Join(first, kLibrary), made, work);
  return RemoveTree(work) && same;
}

void Summary(const std::wstring& out, bool floppy, const TKit& kit,
             const std::vector<TArchivePlan>& plan) {
  unsigned long long files = 0, raw = 0, packed = 0;
  for (size_t i = 0; i < plan.size(); ++i) {
    unsigned long long size = 0;
    for (const TMember* m : plan[i].Members) size += m->Size;
    Say(plan[i].Name + L": " + Plural(plan[i].Members.size(), L" файл", L" файла") + L", " +
        Count(plan[i].Bytes) + L" байта (разархивирани " + Count(size) + L").");
    files += plan[i].Members.size();
    raw += size;
    packed += plan[i].Bytes;
  }
  Say(L"Носителят е готов в " + out + L": " + Plural(files, L" файл", L" файла") + L" (" +
      Count(raw) + L" байта) в " + Plural(plan.size(), L" архив", L" архива") + L" (" +
      Count(packed) + L" байта).");
  if (!floppy) return;
  for (size_t i = 0; i < plan.size(); ++i)
    Say(L"Дискета " + std::to_wstring(i + 1) + L": заети " +
        Count(OnDisk(plan[i].Bytes) + (i == 0 ? kit.Bytes : 0)) + L" от " + Count(kDiskBytes) +
        L" байта.");
}

// Each rule the edition breaks, said; true when there is any.
bool Refused(const TEdition& edition, const TEdition* previous) {
  const std::vector<std::wstring> lines = CheckEdition(edition, previous);
  for (const std::wstring& line : lines) Complain(line);
  if (!lines.empty()) Complain(L"Изданието не отговаря на правилата: носителят не е направен.");
  return !lines.empty();
}

// The members of every file the medium brings: never none, as a new edition's program
// differs from the previous one's at least in its version.
int MeasureChanged(const TEdition& edition, const TEdition* previous, std::vector<TMember>* out) {
  std::vector<std::wstring> gone;
  const std::vector<const TEditionFile*> changed = ChangedFiles(edition, previous, &gone);
  for (const std::wstring& path : gone)
    Say(L"Предупреждение: " + path + L" го няма в новото издание; програмата за актуализация "
                                    L"не изтрива файлове и той остава при потребителите.");
  out->resize(changed.size());
  for (size_t i = 0; i < changed.size(); ++i) {
    if (changed[i]->Size > kLargestMember) {
      Complain(changed[i]->Path + L": " + Count(changed[i]->Size) +
               L" байта; архивът побира файлове до " + Count(kLargestMember) + L" байта.");
      return kDoesNotFit;
    }
    if (!Measure(*changed[i], &(*out)[i])) {
      Complain(changed[i]->Path + L": не може да се прочете.");
      return kNotMade;
    }
  }
  return kMade;
}

// The medium in out, or nothing: a folder that was given empty is left empty.
int Make(const std::wstring& out, bool floppy, const TKit& kit,
         const std::vector<TMember>& members, const std::vector<TArchivePlan>& plan) {
  std::wstring why;
  if (!CanUnpackHere(members, out, &why)) {
    Complain(why);
    return kNotMade;
  }
  const bool existed = IsFolder(out);
  if (!existed && !CreateDirectoryW(out.c_str(), nullptr)) {
    Complain(out + L": папката не може да се създаде.");
    return kNotMade;
  }
  if (MakeMedium(out, floppy, kit, plan)) {
    Summary(out, floppy, kit, plan);
    return kMade;
  }
  std::vector<TFound> made;
  if (existed && ListFolder(out, &made))
    for (const TFound& f : made) RemoveTree(Join(out, f.Name));
  if (!existed) RemoveTree(out);
  Complain(L"Носителят не е направен.");
  return kNotMade;
}

int Pack(const TPackArgs& args) {
  if (!FoldersUsable(args)) return kBadCommandLine;
  TEdition edition, previous;
  const TEdition* before = args.Previous.empty() ? nullptr : &previous;
  if (!ReadEdition(args.Edition, &edition) || (before && !ReadEdition(args.Previous, &previous))) {
    Complain(L"Изданието не може да се прочете.");
    return kNotMade;
  }
  if (Refused(edition, before)) return kRefused;
  TKit kit;
  if (!FindKit(&kit)) return kNotMade;
  std::vector<TMember> members;
  const int measured = MeasureChanged(edition, before, &members);
  if (measured != kMade) return measured;
  std::vector<TArchivePlan> plan;
  std::vector<std::wstring> why;
  if (args.Floppy ? !PlanFloppies(members, kit.Bytes, &plan, &why)
                  : !PlanFolder(members, &plan, &why)) {
    for (const std::wstring& line : why) Complain(line);
    return kDoesNotFit;
  }
  return Make(FullPath(args.Out), args.Floppy, kit, members, plan);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  TPackArgs args;
  if (!ParsePackArgs(argc, argv, &args)) {
    Complain(PackHelp);
    return kBadCommandLine;
  }
  if (args.Help) {
    Say(PackHelp);
    return kMade;
  }
  return Pack(args);
}
