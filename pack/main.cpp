// TalvoPack: checks an edition of the product against the updater's rules and makes its
// update medium, a folder for a CD or three floppy disks, then proves the medium by
// unpacking it as the updater will. Every step returns what went wrong; only here is it said
// and turned into the exit code.
#include <windows.h>

#include "pack/Changes.h"
#include "pack/CommandLine.h"
#include "pack/Console.h"
#include "pack/EditionFiles.h"
#include "pack/Encoding.h"
#include "pack/Failure.h"
#include "pack/Files.h"
#include "pack/Kit.h"
#include "pack/Layout.h"
#include "pack/Medium.h"
#include "pack/NewKey.h"
#include "pack/Signing.h"
#include "pack/Summary.h"
#include "update/files/LibrarySearch.h"

namespace {

// Says each problem on a line of its own; the exit code.
int Report(const TFailure& failure) {
  for (const TProblem& problem : failure.Problems) Complain(ProblemLine(problem));
  return failure.Code;
}

bool Inside(const std::wstring& path, const std::wstring& folder) {
  const std::wstring head = Upper(Join(folder, L""));
  return Upper(Join(path, L"")).compare(0, head.size(), head) == 0;
}

// EDITION, /PREVIOUS and OUT name folders TalvoPack can work with: OUT new or empty, no link,
// and outside both editions.
TFailure FoldersUsable(const TPackArgs& args) {
  if (!IsFolder(args.Edition)) return Failed(BadCommandLine, args.Edition, L": не е папка.");
  if (!args.Previous.empty() && !IsFolder(args.Previous))
    return Failed(BadCommandLine, args.Previous, L": не е папка.");
  const std::wstring out = FullPath(args.Out);
  const DWORD attributes = GetFileAttributesW(out.c_str());
  // What the medium would be written through is not OUT's to choose.
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return Failed(Refused, out,
                  L": е връзка към друго място; TalvoPack не прави носителя през връзка.");
  std::vector<TFound> inOut;
  if (attributes != INVALID_FILE_ATTRIBUTES && (!ListFolder(out, &inOut) || !inOut.empty()))
    return Failed(BadCommandLine, out,
                  L": носителят се прави в папка, която не съществува или е празна.");
  if (Inside(out, FullPath(args.Edition)) ||
      (!args.Previous.empty() && Inside(out, FullPath(args.Previous))))
    return Failed(BadCommandLine, out, L": носителят не се прави в папка на изданието.");
  return {};
}

int Pack(const TPackArgs& args) {
  if (TFailure failed = FoldersUsable(args)) return Report(failed);
  TSigningKey key;
  if (!args.Key.empty())
    if (TFailure failed = key.Load(args.Key)) return Report(failed);
  TEdition edition, previous;
  const TEdition* before = args.Previous.empty() ? nullptr : &previous;
  if (!ReadEdition(args.Edition, &edition) || (before && !ReadEdition(args.Previous, &previous)))
    return Report(FailedCall(NotMade, L"", L"Изданието не може да се прочете"));
  if (TFailure failed = CheckEditions(edition, before)) return Report(failed);
  TKit kit;
  if (TFailure failed = FindKit(&kit)) return Report(failed);
  if (TFailure failed = KeyFitsKit(kit, key, !args.Key.empty())) return Report(failed);
  std::vector<TMember> members;
  std::vector<std::wstring> gone;
  const TFailure measured = MeasureChanged(edition, before, &members, &gone);
  for (const std::wstring& path : gone)
    Say(L"Предупреждение: " + path +
        L" го няма в новото издание; програмата за актуализация "
        L"не изтрива файлове и той остава при потребителите.");
  if (measured) return Report(measured);
  std::vector<TArchivePlan> plan;
  if (TFailure failed =
          args.Floppy ? PlanFloppies(members, kit.Bytes, &plan) : PlanFolder(members, &plan))
    return Report(failed);
  const TSigning signing{args.Key.empty() ? nullptr : &key, EditionText(edition)};
  const std::wstring out = FullPath(args.Out);
  if (TFailure failed = Make(out, args.Floppy, args.OneFile, kit, members, plan, signing))
    return Report(failed);
  Summary(out, args.Floppy, args.OneFile, plan, signing);
  return Made;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (!TakeSystemLibraries()) return NotMade;
  TPackArgs args;
  if (!ParsePackArgs(argc, argv, &args)) {
    Complain(PackHelp);
    return BadCommandLine;
  }
  if (args.Help) {
    Say(PackHelp);
    return Made;
  }
  return args.NewKey.empty() ? Pack(args) : Report(NewKey(args.NewKey));
}
