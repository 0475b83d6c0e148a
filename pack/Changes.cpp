#include "pack/Changes.h"

#include "pack/Console.h"
#include "pack/EditionRules.h"
#include "pack/Encoding.h"
#include "update/files/ProductNames.h"
#include "update/medium/Edition.h"

std::string EditionText(const TEdition& edition) {
  const TEditionFile* program = FindFile(edition, false, FromCodePage(1251, ProductProgram));
  TVersion version;
  char text[VersionTextSize] = "";
  if (program && ReadFileVersionW(program->Path.c_str(), &version)) FormatVersion(version, text);
  return text;
}

TFailure CheckEditions(const TEdition& edition, const TEdition* previous) {
  TFailure refused;
  for (const TProblem& entry : edition.Entries) refused.Add(Refused, entry);
  if (previous)
    for (const TProblem& entry : previous->Entries) refused.Add(Refused, entry);
  for (const TProblem& rule : CheckEdition(edition, previous)) refused.Add(Refused, rule);
  if (refused)
    refused.Add(Refused, {L"", L"Изданието не отговаря на правилата: носителят не е направен."});
  return refused;
}

// The members of every file the medium brings: never none, as a new edition's program
// differs from the previous one's at least in its version.
TFailure MeasureChanged(const TEdition& edition, const TEdition* previous,
                        std::vector<TMember>* out, std::vector<std::wstring>* gone) {
  const std::vector<const TEditionFile*> changed = ChangedFiles(edition, previous, gone);
  out->resize(changed.size());
  for (size_t i = 0; i < changed.size(); ++i) {
    if (changed[i]->Size > LargestMember)
      return Failed(DoesNotFit, changed[i]->Path,
                    L": " + Count(changed[i]->Size) + L" байта; архивът побира файлове до " +
                        Count(LargestMember) + L" байта.");
    if (!Measure(*changed[i], &(*out)[i]))
      return FailedCall(NotMade, changed[i]->Path, L": не може да се прочете");
  }
  return {};
}
