#include "pack/EditionRules.h"

#include <map>

#include "pack/Encoding.h"
#include "pack/Files.h"
#include "pack/Layout.h"
#include "unzdll/ZipNames.h"
#include "update/medium/Edition.h"
#include "update/files/ProductNames.h"

namespace {

// Longer names make the updater's paths in a deep product folder too long.
const size_t LongestName = 64;

std::wstring VersionText(TVersion version) {
  char text[VersionTextSize];
  FormatVersion(version, text);
  return FromCodePage(1251, text);
}

void CheckProgram(const TEdition& edition, const TEdition* previous,
                  std::vector<TProblem>* broken) {
  const std::wstring name = FromCodePage(1251, ProductProgram);
  const TEditionFile* program = FindFile(edition, false, name);
  TVersion now, before;
  if (!program) {
    broken->push_back({Join(edition.Root, name),
                       L": липсва; всяко издание носи главната програма в горната си папка."});
  } else if (!ReadFileVersionW(program->Path.c_str(), &now)) {
    broken->push_back({program->Path,
                       L": няма информация за версията; по версията на файла програмата за "
                       L"актуализация познава изданието."});
  } else if (previous) {
    const TEditionFile* old = FindFile(*previous, false, name);
    // A previous program without a version is never compared, by the updater either.
    if (!old)
      broken->push_back({Join(previous->Root, name), L": липсва в предишното издание."});
    else if (ReadFileVersionW(old->Path.c_str(), &before) && !(before < now))
      broken->push_back({program->Path, L": версията " + VersionText(now) +
                                            L" не е по-висока от версията на предишното издание " +
                                            VersionText(before) +
                                            L"; всяко ново издание носи по-висока версия."});
  }
}

void CheckName(const TEditionFile& f, std::vector<TProblem>* broken) {
  const auto refuse = [&](const wchar_t* rule) {
    broken->push_back({f.Path, std::wstring(L": ") + rule});
  };
  if (!f.InCp1251) refuse(L"в името има знак извън кодовата таблица Windows-1251.");
  if (!unz::IsSafeName(reinterpret_cast<const char16_t*>(f.Name.c_str()), f.Name.size()))
    refuse(
        L"име, което Windows не приема: знак < > : \" | ? * или управляващ знак, име на "
        L"устройство (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9) или точка или интервал в края.");
  if (f.Name.size() > LongestName) refuse(L"името е по-дълго от 64 знака.");
  if (IsReservedName(f.Cp1251.c_str()))
    refuse(
        L"име, което програмата за актуализация пази за себе си (дневник, заключване, "
        L"работна папка Temp с номер, временни файлове, имена с точка в началото).");
  const bool form = IsRichText(f.Cp1251.c_str());
  if (form && !f.Form)
    refuse(L"бланка (.rtf) извън папката Blanks; програмата за актуализация я поставя в Blanks.");
  if (!form && f.Form)
    refuse(
        L"в папката Blanks стоят само бланки (.rtf); програмата за актуализация поставя "
        L"този файл в папката на продукта.");
  if (!f.Form && EqualsAsciiNoCase(f.Cp1251.c_str(), FormsFolder))
    refuse(L"файл с името на папката с бланки.");
  // In the work folder it would meet the archive: one would take the other's place.
  for (int disk = 0; disk <= FloppyDisks; ++disk)
    if (Upper(f.Name) == ArchiveName(disk))
      refuse(L"името на архив от носителя; програмата за актуализация ще го вземе за архива.");
}

}  // namespace

std::vector<TProblem> CheckEdition(const TEdition& edition, const TEdition* previous) {
  std::vector<TProblem> broken;
  CheckProgram(edition, previous, &broken);
  for (const std::wstring& folder : edition.Folders)
    broken.push_back({folder,
                      L": папка, в която програмата за актуализация не поставя нищо; "
                      L"файловете стоят горе, а бланките в Blanks."});
  // The updater unpacks every archive into one work folder: names meet there from both
  // places of the edition.
  std::map<std::wstring, const TEditionFile*> seen;
  for (const TEditionFile& f : edition.Files) {
    CheckName(f, &broken);
    const auto first = seen.emplace(Upper(f.Name), &f);
    if (!first.second)
      broken.push_back({f.Path, L": същото име като " + first.first->second->Path +
                                    L", без оглед на малки и главни букви."});
  }
  return broken;
}
