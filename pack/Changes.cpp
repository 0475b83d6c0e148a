#include "pack/Changes.h"

#include "pack/CommandLine.h"
#include "pack/Console.h"
#include "pack/EditionRules.h"
#include "pack/Encoding.h"
#include "update/medium/Edition.h"
#include "update/files/ProductNames.h"

std::string EditionText(const TEdition& edition) {
  const TEditionFile* program = FindFile(edition, false, FromCodePage(1251, ProductProgram));
  TVersion version;
  char text[VersionTextSize] = "";
  if (program && ReadFileVersionW(program->Path.c_str(), &version)) FormatVersion(version, text);
  return text;
}

bool Linked(const TEdition& edition) {
  for (const std::wstring& link : edition.Links)
    Complain(link + L": е връзка към друго място; TalvoPack не следва връзки в изданието.");
  return !edition.Links.empty();
}

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
    Say(L"Предупреждение: " + path +
        L" го няма в новото издание; програмата за актуализация "
        L"не изтрива файлове и той остава при потребителите.");
  out->resize(changed.size());
  for (size_t i = 0; i < changed.size(); ++i) {
    if (changed[i]->Size > kLargestMember) {
      Complain(changed[i]->Path + L": " + Count(changed[i]->Size) +
               L" байта; архивът побира файлове до " + Count(kLargestMember) + L" байта.");
      return kDoesNotFit;
    }
    if (!Measure(*changed[i], &(*out)[i])) {
      ComplainFailed(changed[i]->Path + L": не може да се прочете");
      return kNotMade;
    }
  }
  return kMade;
}
