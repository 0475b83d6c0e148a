// TalvoPack: checks an edition of the product against the updater's rules and makes its
// update medium, a folder for a CD or three floppy disks, then proves the medium by
// unpacking it as the updater will.
#include <windows.h>

#include "pack/CommandLine.h"
#include "pack/Console.h"
#include "pack/Description.h"
#include "pack/EditionFiles.h"
#include "pack/EditionRules.h"
#include "pack/Encoding.h"
#include "pack/Files.h"
#include "pack/Layout.h"
#include "pack/Signing.h"
#include "pack/Verify.h"
#include "unzip/InfoZip.h"
#include "update/Edition.h"
#include "update/LibrarySearch.h"
#include "update/ProductNames.h"

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
  // The key the updater was built with (its fingerprint, and a PUBLICKEYBLOB); empty when
  // it takes media without a signature.
  std::string KeyPrint, KeyBlob;
  // The hash of the library the updater was built with, the only one it loads.
  std::string LibraryHash;
};

// A resource of the updater, empty when it has none.
std::string UpdaterResource(HMODULE module, const char* name) {
  const HRSRC found = module ? FindResourceA(module, name, RT_RCDATA) : nullptr;
  const DWORD size = found ? SizeofResource(module, found) : 0;
  const void* bytes = found ? LockResource(LoadResource(module, found)) : nullptr;
  return bytes ? std::string(static_cast<const char*>(bytes), size) : std::string();
}

// The publisher's key (scripts/medium-key.sh) and the library's hash in the updater's
// resources.
void ReadUpdater(const std::wstring& updater, TKit* kit) {
  const HMODULE module = LoadLibraryExW(updater.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  const std::string key = UpdaterResource(module, "MEDIUMKEY");
  if (key.size() > 65) {
    kit->KeyPrint = key.substr(0, 64);
    kit->KeyBlob = key.substr(65);
  }
  kit->LibraryHash = UpdaterResource(module, UnzDllHashResource);
  if (module) FreeLibrary(module);
}

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
  ReadUpdater(kit->Folder + kUpdater, kit);
  return true;
}

// The medium can be signed as the kit's updater demands: with the key it was built with.
bool KeyFitsKit(const TKit& kit, const TSigningKey& key, bool given) {
  if (kit.KeyPrint.empty() || (given && key.Fingerprint() == kit.KeyPrint)) return true;
  Complain(kit.Folder + kUpdater + L" приема само носители, подписани с ключа SHA-256 " +
           std::wstring(kit.KeyPrint.begin(), kit.KeyPrint.end()) +
           (given ? L"; /KEY е друг ключ." : L"; дайте частния му ключ с /KEY."));
  return false;
}

// The file version of the edition's program, which each disk's description names.
std::string EditionText(const TEdition& edition) {
  const TEditionFile* program = FindFile(edition, false, FromCodePage(1251, ProductProgram));
  TVersion version;
  char text[VersionTextSize] = "";
  if (program && ReadFileVersionW(program->Path.c_str(), &version)) FormatVersion(version, text);
  return text;
}

// How the medium is signed: with key (null: not signed), its signatures checked with the
// kit updater's key, or with the key's own.
struct TSigning {
  TSigningKey* Key;
  std::string Edition;
};

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
      Complain(folder + L": папката не може да се създаде.");
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
      Complain(to + L": не може да се копира.");
      return false;
    }
  }
  const std::wstring work = Join(out, L"~CHECK");
  const bool same = VerifyMedium(Join(first, kLibrary), kit.LibraryHash, made, work);
  const std::string check =
      !signing.Key ? std::string() : kit.KeyBlob.empty() ? signing.Key->PublicBlob() : kit.KeyBlob;
  return RemoveTree(work) && same && DescribeMedium(disks, signing.Edition, signing.Key, check);
}

void Summary(const std::wstring& out, bool floppy, const std::vector<TArchivePlan>& plan,
             const TSigning& signing) {
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
  const std::string print = signing.Key ? signing.Key->Fingerprint() : std::string();
  const std::wstring described = L"Описанието на всеки диск (MANIFEST.TXT) е ";
  Say(signing.Key ? described + L"подписано с ключа SHA-256 " +
                        std::wstring(print.begin(), print.end()) + L" (MANIFEST.SIG)."
                  : described + L"без подпис (без /KEY).");
  if (!floppy) return;
  for (size_t i = 0; i < plan.size(); ++i) {
    const std::wstring disk = Join(out, L"DISK" + std::to_wstring(i + 1));
    std::vector<TFound> files;
    unsigned long long used = 0;
    if (ListFolder(disk, &files))
      for (const TFound& f : files) used += OnDisk(f.Size);
    Say(L"Дискета " + std::to_wstring(i + 1) + L": заети " + Count(used) + L" от " +
        Count(kDiskBytes) + L" байта.");
  }
}

// Links in an edition, said: what they lead to is not the edition's to pack.
bool Linked(const TEdition& edition) {
  for (const std::wstring& link : edition.Links)
    Complain(link + L": е връзка към друго място; TalvoPack не следва връзки в изданието.");
  return !edition.Links.empty();
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

// The medium in out, or nothing: what was made in out goes again, and nothing else.
int Make(const std::wstring& out, bool floppy, const TKit& kit,
         const std::vector<TMember>& members, const std::vector<TArchivePlan>& plan,
         const TSigning& signing) {
  std::wstring why;
  if (!CanUnpackHere(members, out, &why)) {
    Complain(why);
    return kNotMade;
  }
  if (!IsFolder(out) && !MakeFolder(out)) {
    Complain(out + L": папката не може да се създаде.");
    return kNotMade;
  }
  if (MakeMedium(out, floppy, kit, plan, signing)) {
    Summary(out, floppy, plan, signing);
    return kMade;
  }
  RemoveMade();
  Complain(L"Носителят не е направен.");
  return kNotMade;
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
    Complain(L"Изданието не може да се прочете.");
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
  return Make(FullPath(args.Out), args.Floppy, kit, members, plan, signing);
}

// A new key pair; never over an earlier one.
int NewKey(const std::wstring& folder) {
  const std::wstring privatePath = Join(folder, kPrivateKeyFile);
  const std::wstring publicPath = Join(folder, kPublicKeyFile);
  for (const std::wstring& path : {privatePath, publicPath}) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
      Complain(path + L": вече съществува; ключ никога не се записва върху друг.");
      return kBadCommandLine;
    }
  }
  std::wstring why;
  TSigningKey key;
  if (!MakeKeyPair(folder, &why) || !key.Load(FullPath(privatePath), &why)) {
    RemoveMade();
    Complain(why);
    return kNotMade;
  }
  const std::string print = key.Fingerprint();
  Say(L"Частният ключ: " + FullPath(privatePath) + L" - пазете го в сейфа на издателя, извън "
      L"хранилището на кода и извън сървъра за компилиране; с него TalvoPack подписва (/KEY).");
  Say(L"Публичният ключ: " + FullPath(publicPath) + L" - за компилирането на TalvoUpdate.exe "
      L"(-DTALVO_MEDIUM_KEY=" + kPublicKeyFile + L").");
  Say(L"Отпечатък (SHA-256): " + std::wstring(print.begin(), print.end()) + L".");
  return kMade;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  LimitLibrarySearch();
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
