#include "update/run/EditionCheck.h"

#include <strsafe.h>

#include "update/files/FileUtils.h"
#include "update/log/Messages.h"
#include "update/files/ProductNames.h"
#include "update/log/RunRecord.h"

namespace {

void LogEdition(TRunLog& log, Cp1251Text what, const TVersion* version) {
  char text[VersionTextSize];
  if (version) FormatVersion(*version, text);
  log.Line(what, version ? TMsgLine(Cp1251Text{text}) : TMsgLine(TxtLogNoVersion));
}

}  // namespace

void TEditions::NoteInstalled(TRunLog& log, const char* target) {
  char program[MAX_PATH];
  HasInstalled = JoinPath(target, ProductProgram, program) && ReadFileVersion(program, &Installed);
  LogEdition(log, TxtLogInstalledEdition, HasInstalled ? &Installed : nullptr);
}

TOutcome TEditions::AcceptBrought(TRunTalk& talk, const char* workDir) {
  char program[MAX_PATH];
  if (!JoinPath(workDir, ProductProgram, program) || !PathExists(program)) return {};
  TVersion brought;
  const bool known = ReadFileVersion(program, &brought);
  LogEdition(talk.Log, TxtLogBroughtEdition, known ? &brought : nullptr);
  // A program without its version, on either side, cannot be compared: it never stops the
  // update. The program stays in the work folder for the later disks.
  if (!known) return {};
  return AcceptOlder(talk, brought);
}

TOutcome TEditions::AcceptNamed(TRunTalk& talk, const TDisks& disks) {
  TVersion named;
  if (!disks.NamedEdition(&named)) return {};
  return AcceptOlder(talk, named);
}

// Once the user has agreed to go back, they are not asked again.
TOutcome TEditions::AcceptOlder(TRunTalk& talk, TVersion brought) {
  if (!HasInstalled || GoingBack || !(brought < Installed)) return {};
  char older[VersionTextSize], newer[VersionTextSize], line1[128], line2[64];
  FormatVersion(brought, older);
  FormatVersion(Installed, newer);
  StringCchPrintfA(line1, sizeof line1, TxtOlderEdition.Str, older);
  StringCchPrintfA(line2, sizeof line2, TxtThanInstalled.Str, newer);
  GoingBack = talk.Ask(TAsk::Downgrade, MsgWarningOkCancel, Cp1251Text{line1}, Cp1251Text{line2},
                       TxtReallyContinue) == IDOK;
  if (!GoingBack) return UndoRun;
  return {};
}
