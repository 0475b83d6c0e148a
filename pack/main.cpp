// TalvoPack: checks an edition of the product against the updater's rules and makes its
// update medium, a folder for a CD or three floppy disks, then proves the medium by
// unpacking it as the updater will.
#include <windows.h>

#include "pack/Changes.h"
#include "pack/CommandLine.h"
#include "pack/Console.h"
#include "pack/EditionFiles.h"
#include "pack/Encoding.h"
#include "pack/Files.h"
#include "pack/Kit.h"
#include "pack/Layout.h"
#include "pack/Medium.h"
#include "pack/NewKey.h"
#include "pack/Signing.h"
#include "update/files/LibrarySearch.h"

namespace {

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

int Pack(const TPackArgs& args) {
  if (!FoldersUsable(args)) return kBadCommandLine;
  TSigningKey key;
  std::wstring refused;
  if (!args.Key.empty() && !key.Load(args.Key, &refused)) {
    Complain(refused);
    return kBadCommandLine;
  }
  TEdition edition, previous;
  const TEdition* before = args.Previous.empty() ? nullptr : &previous;
  if (!ReadEdition(args.Edition, &edition) || (before && !ReadEdition(args.Previous, &previous))) {
    ComplainFailed(L"Изданието не може да се прочете");
    return kNotMade;
  }
  if (Linked(edition) || (before && Linked(previous)) || Refused(edition, before)) return kRefused;
  TKit kit;
  if (!FindKit(&kit)) return kNotMade;
  if (!KeyFitsKit(kit, key, !args.Key.empty())) return kBadCommandLine;
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
  const TSigning signing{args.Key.empty() ? nullptr : &key, EditionText(edition)};
  return Make(FullPath(args.Out), args.Floppy, args.OneFile, kit, members, plan, signing);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (!TakeSystemLibraries()) return kNotMade;
  TPackArgs args;
  if (!ParsePackArgs(argc, argv, &args)) {
    Complain(PackHelp);
    return kBadCommandLine;
  }
  if (args.Help) {
    Say(PackHelp);
    return kMade;
  }
  return args.NewKey.empty() ? Pack(args) : NewKey(args.NewKey);
}
