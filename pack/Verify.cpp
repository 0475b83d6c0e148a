#include "pack/Verify.h"

#include <windows.h>

#include <map>

#include "pack/Encoding.h"
#include "pack/Files.h"
#include "unzip/InfoZip.h"
#include "update/files/FolderAccess.h"
#include "update/files/SafeFiles.h"
#include "update/files/ProductNames.h"

namespace {

const wchar_t LoadFailed[] = L": библиотеката не може да се зареди";

// The library's reports, problems of the proof as they come.
class TReports : public TUnzReporter {
public:
  explicit TReports(TFailure* failure) : Failure(failure) {}
  void LibraryReport(const char* text) override {
    std::wstring line = FromCodePage(CP_ACP, text);
    for (wchar_t& c : line)
      if (c == L'\n') c = L' ';
    Failure->Add(NotMade, {L"UNZDLL.DLL", L": " + line});
  }

private:
  TFailure* Failure;
};

// What came out of one archive against what went in; each difference added to differences.
void Compare(const std::wstring& folder, const TMadeArchive& archive, TFailure* differences) {
  std::map<std::wstring, const TMember*> expected;
  for (const TMember* m : archive.Plan->Members) expected.emplace(m->File->Name, m);
  std::vector<TFound> found;
  if (!ListFolder(folder, &found)) {
    differences->Add(FailedCall(NotMade, folder, L": не може да се прочете"));
    return;
  }
  for (const TFound& f : found) {
    const auto at = expected.find(f.Name);
    if (at == expected.end() || f.Folder) {
      differences->Add(NotMade, {archive.Path, L": " + f.Name + L" не е файл от изданието."});
      continue;
    }
    const TEditionFile& file = *at->second->File;
    expected.erase(at);
    std::string name;
    ToCodePage(1251, f.Name, &name);
    if (IsRichText(name.c_str()) != file.Form)
      differences->Add(NotMade,
                       {file.Path, L": програмата за актуализация ще го постави на друго място."});
    if (!SameBytes(Join(folder, f.Name), file.Path))
      differences->Add(NotMade,
                       {file.Path, L": разархивиран от " + archive.Path + L", се различава."});
  }
  for (const auto& missing : expected)
    differences->Add(NotMade, {missing.second->File->Path,
                                L": липсва след разархивиране на " + archive.Path + L"."});
}

// The library refused as load says.
TFailure LibraryRefused(CInfoZip& zip, TUnzLoad load, const std::wstring& library) {
  if (load != TUnzLoad::NotOurs) return FailedCall(NotMade, library, LoadFailed);
  char found[2 * HashBytes + 1], built[2 * HashBytes + 1];
  HexText(zip.FoundHash(), HashBytes, found);
  HexText(zip.ExpectedHash(), HashBytes, built);
  return Failed(NotMade, library,
                L": не е библиотеката, с която е компилиран TalvoUpdate.exe (SHA-256 " +
                    FromCodePage(CP_ACP, found) + L" вместо " + FromCodePage(CP_ACP, built) +
                    L").");
}

}  // namespace

TFailure CanUnpackHere(const std::vector<TMember>& members, const std::wstring& folder) {
  std::string ansi;
  std::wstring refused = ToCodePage(CP_ACP, folder, &ansi) ? L"" : folder;
  for (size_t i = 0; i < members.size() && refused.empty(); ++i)
    if (!ToCodePage(CP_ACP, members[i].File->Name, &ansi)) refused = members[i].File->Path;
  if (refused.empty()) return {};
  return Failed(NotMade, refused,
                L": името не може да се предаде на UNZDLL.DLL за проверка при кодовата "
                L"таблица " +
                    std::to_wstring(GetACP()) +
                    L" на тази система. Пуснете "
                    L"TalvoPack под Windows 10 (1903) или по-нов, под Windows с кирилица за "
                    L"програмите без Unicode или под Wine.");
}

TFailure VerifyMedium(const std::wstring& library, const std::string& hash,
                      const std::vector<TMadeArchive>& archives, const std::wstring& work) {
  CInfoZip zip(hash.size() == HashBytes ? reinterpret_cast<const BYTE*>(hash.data()) : nullptr);
  std::string path;
  const TUnzLoad taken =
      ToCodePage(CP_ACP, library, &path) ? zip.ReadUnzDll(path.c_str()) : TUnzLoad::NoLibrary;
  if (taken != TUnzLoad::Taken) return LibraryRefused(zip, taken, library);
  if (!MakeFolder(work)) return FailedCall(NotMade, work, L": не може да се създаде");
  // The bytes checked are the bytes that run: written into a new folder of this run's, which
  // nobody else may change, held while the library is loaded and loaded by where it lies.
  const std::wstring own = Join(work, L"~UNZDLL");
  TFolder held;
  wchar_t final[MAX_PATH];
  if (!ToCodePage(CP_ACP, own, &path) || !MakePrivateFolder(path.c_str()) ||
      !held.Open(path.c_str(), true, false) || !held.FinalPath(final))
    return FailedCall(NotMade, own, L": не може да се създаде");
  const TUnzLoad load = zip.LoadUnzDll(final);
  if (load != TUnzLoad::Loaded) return LibraryRefused(zip, load, library);
  TFailure proof;
  TReports reports(&proof);
  zip.SetReporter(&reports);
  for (size_t i = 0; i < archives.size(); ++i) {
    const std::wstring folder = Join(work, std::to_wstring(i + 1));
    std::string archive, target;
    if (!MakeFolder(folder) || !ToCodePage(CP_ACP, archives[i].Path, &archive) ||
        !ToCodePage(CP_ACP, folder, &target) ||
        !zip.ExtractArchive(archive.c_str(), target.c_str())) {
      proof.Add(FailedCall(NotMade, archives[i].Path, L": не може да се разархивира"));
      continue;
    }
    Compare(folder, archives[i], &proof);
  }
  if (proof) proof.Add(NotMade, {L"", L"Проверката на носителя не мина."});
  return proof;
}
