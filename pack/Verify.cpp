#include "pack/Verify.h"

#include <windows.h>

#include <map>

#include "pack/Console.h"
#include "pack/Encoding.h"
#include "pack/Files.h"
#include "unzip/InfoZip.h"
#include "update/files/FolderAccess.h"
#include "update/files/SafeFiles.h"
#include "update/files/ProductNames.h"

namespace {

// The library's reports, on the error stream as they come.
class TReports : public TUnzReporter {
public:
  void LibraryReport(const char* text) override {
    std::wstring line = FromCodePage(CP_ACP, text);
    for (wchar_t& c : line)
      if (c == L'\n') c = L' ';
    Complain(L"UNZDLL.DLL: " + line);
  }
};

// What came out of one archive against what went in.
bool Compare(const std::wstring& folder, const TMadeArchive& archive) {
  std::map<std::wstring, const TMember*> expected;
  for (const TMember* m : archive.Plan->Members) expected.emplace(m->File->Name, m);
  std::vector<TFound> found;
  if (!ListFolder(folder, &found)) {
    ComplainFailed(folder + L": не може да се прочете");
    return false;
  }
  bool same = true;
  for (const TFound& f : found) {
    const auto at = expected.find(f.Name);
    if (at == expected.end() || f.Folder) {
      Complain(archive.Path + L": " + f.Name + L" не е файл от изданието.");
      same = false;
      continue;
    }
    const TEditionFile& file = *at->second->File;
    expected.erase(at);
    std::string name;
    ToCodePage(1251, f.Name, &name);
    if (IsRichText(name.c_str()) != file.Form) {
      Complain(file.Path + L": програмата за актуализация ще го постави на друго място.");
      same = false;
    }
    if (!SameBytes(Join(folder, f.Name), file.Path)) {
      Complain(file.Path + L": разархивиран от " + archive.Path + L", се различава.");
      same = false;
    }
  }
  for (const auto& missing : expected)
    Complain(missing.second->File->Path + L": липсва след разархивиране на " + archive.Path + L".");
  return same && expected.empty();
}

}  // namespace

bool CanUnpackHere(const std::vector<TMember>& members, const std::wstring& folder,
                   std::wstring* why) {
  std::string ansi;
  std::wstring refused = ToCodePage(CP_ACP, folder, &ansi) ? L"" : folder;
  for (size_t i = 0; i < members.size() && refused.empty(); ++i)
    if (!ToCodePage(CP_ACP, members[i].File->Name, &ansi)) refused = members[i].File->Path;
  if (refused.empty()) return true;
  *why = refused +
         L": името не може да се предаде на UNZDLL.DLL за проверка при кодовата "
         L"таблица " +
         std::to_wstring(GetACP()) +
         L" на тази система. Пуснете "
         L"TalvoPack под Windows 10 (1903) или по-нов, под Windows с кирилица за "
         L"програмите без Unicode или под Wine.";
  return false;
}

bool VerifyMedium(const std::wstring& library, const std::string& hash,
                  const std::vector<TMadeArchive>& archives, const std::wstring& work) {
  CInfoZip zip(hash.size() == HashBytes ? reinterpret_cast<const BYTE*>(hash.data()) : nullptr);
  std::string path;
  TUnzLoad load =
      ToCodePage(CP_ACP, library, &path) ? zip.ReadUnzDll(path.c_str()) : TUnzLoad::NoLibrary;
  if (load == TUnzLoad::Taken) {
    if (!MakeFolder(work)) {
      ComplainFailed(work + L": не може да се създаде");
      return false;
    }
    // The bytes checked are the bytes that run: written into a new folder of this run's,
    // which nobody else may change, held while the library is loaded and loaded by where it
    // lies.
    const std::wstring own = Join(work, L"~UNZDLL");
    TFolder held;
    wchar_t final[MAX_PATH];
    if (!ToCodePage(CP_ACP, own, &path) || !MakePrivateFolder(path.c_str()) ||
        !held.Open(path.c_str(), true, false) || !held.FinalPath(final)) {
      ComplainFailed(own + L": не може да се създаде");
      return false;
    }
    load = zip.LoadUnzDll(final);
  }
  if (load == TUnzLoad::NotOurs) {
    char found[2 * HashBytes + 1], built[2 * HashBytes + 1];
    HexText(zip.FoundHash(), HashBytes, found);
    HexText(zip.ExpectedHash(), HashBytes, built);
    Complain(library + L": не е библиотеката, с която е компилиран TalvoUpdate.exe (SHA-256 " +
             FromCodePage(CP_ACP, found) + L" вместо " + FromCodePage(CP_ACP, built) + L").");
    return false;
  }
  if (load != TUnzLoad::Loaded) {
    ComplainFailed(library + L": библиотеката не може да се зареди");
    return false;
  }
  TReports reports;
  zip.SetReporter(&reports);
  bool same = true;
  for (size_t i = 0; i < archives.size(); ++i) {
    const std::wstring folder = Join(work, std::to_wstring(i + 1));
    std::string archive, target;
    if (!MakeFolder(folder) || !ToCodePage(CP_ACP, archives[i].Path, &archive) ||
        !ToCodePage(CP_ACP, folder, &target) ||
        !zip.ExtractArchive(archive.c_str(), target.c_str())) {
      ComplainFailed(archives[i].Path + L": не може да се разархивира");
      same = false;
      continue;
    }
    const bool reported = zip.LibraryReportedError();
    same = Compare(folder, archives[i]) && !reported && same;
  }
  if (!same) Complain(L"Проверката на носителя не мина.");
  return same;
}
